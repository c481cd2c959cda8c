// Transform butterflies with AVX-512 (compiled with -mavx512f, run only where
// the processor and the system have it): the double-precision products of
// four butterflies in one sequence of eight values. AVX-512 has multiply-add,
// but this file is compiled without contraction: the products and sums are
// the plain sweep's.
#include "signal_fft_stages.h"

#if KLV_FFT_SIMD

// GCC 12's AVX-512 conversions start from an "undefined" register that its
// own flow analysis then reports as maybe uninitialised.
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include <immintrin.h>

namespace sigproc {
namespace {

struct Avx512Kernel {
    using Points = __m256;

    static Points Load(const float* p) { return _mm256_loadu_ps(p); }
    static void Store(float* p, Points v) { _mm256_storeu_ps(p, v); }

    // Butterflies t .. t+3 of a stage: points a and b with the twiddle groups
    // of t, t+2 at w (wr, wr, wr, wr and -wi, wi, -wi, wi of t, t+1 at w, of
    // t+2, t+3 at w + 8).
    static void Butterflies(Points& a, Points& b, const double* w)
    {
        const __m512d first = _mm512_loadu_pd(w);
        const __m512d second = _mm512_loadu_pd(w + 8);
        const __m512d wr = _mm512_shuffle_f64x2(first, second, 0x44);
        const __m512d wiSigned = _mm512_shuffle_f64x2(first, second, 0xEE);
        const __m512d bd = _mm512_cvtps_pd(b);
        const __m512d swapped = _mm512_permute_pd(bd, 0x55);
        const __m256 t =
            _mm512_cvtpd_ps(_mm512_add_pd(_mm512_mul_pd(wr, bd), _mm512_mul_pd(wiSigned, swapped)));
        b = _mm256_sub_ps(a, t);
        a = _mm256_add_ps(a, t);
    }
};

} // namespace

void FftAvx512(float* data, uint32_t nComplex, bool inReversedOrder)
{
    Transform<Avx512Kernel>(data, nComplex, inReversedOrder);
}

} // namespace sigproc

#endif // KLV_FFT_SIMD
