// Transform butterflies with AVX (compiled with -mavx, run only where the
// processor has it): four butterflies per double-precision sequence. AVX
// brings no multiply-add, so the products and sums are the plain sweep's.
#include "signal_fft_stages.h"

#if KLV_FFT_SIMD

#include <immintrin.h>

namespace sigproc {
namespace {

struct AvxKernel {
    // Butterflies t .. t+3 of a stage: points a[0..3] and b[0..3] with the
    // twiddle groups of t, t+2 at w.
    static void Butterflies4(float* a, float* b, const double* w)
    {
        const __m256 bv = _mm256_loadu_ps(b);
        const __m128 t01 = Products(_mm256_cvtps_pd(_mm256_castps256_ps128(bv)), w);
        const __m128 t23 = Products(_mm256_cvtps_pd(_mm256_extractf128_ps(bv, 1)), w + 8);
        const __m256 t = _mm256_insertf128_ps(_mm256_castps128_ps256(t01), t23, 1);
        const __m256 av = _mm256_loadu_ps(a);
        _mm256_storeu_ps(b, _mm256_sub_ps(av, t));
        _mm256_storeu_ps(a, _mm256_add_ps(av, t));
    }

    // t of two points b = (br0, bi0, br1, bi1) with one twiddle group.
    static __m128 Products(__m256d b, const double* group)
    {
        const __m256d swapped = _mm256_permute_pd(b, 0x5);
        const __m256d t = _mm256_add_pd(_mm256_mul_pd(_mm256_loadu_pd(group), b),
                                        _mm256_mul_pd(_mm256_loadu_pd(group + 4), swapped));
        return _mm256_cvtpd_ps(t);
    }
};

} // namespace

void FftAvx(float* data, uint32_t nComplex)
{
    Transform<AvxKernel>(data, nComplex);
}

} // namespace sigproc

#endif // KLV_FFT_SIMD
