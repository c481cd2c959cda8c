// Transform butterflies with SSE2, the instruction set every x86_64
// processor has: two butterflies per double-precision sequence.
#include "signal_fft_stages.h"

#if KLV_FFT_SIMD

namespace sigproc {
namespace {

struct Sse2Kernel {
    // Butterflies t .. t+3 of a stage: points a[0..3] and b[0..3] with the
    // twiddle groups of t, t+2 at w.
    static void Butterflies4(float* a, float* b, const double* w)
    {
        Pair(a, b, w);
        Pair(a + 4, b + 4, w + 8);
    }

    static void Pair(float* a, float* b, const double* group)
    {
        const __m128 bv = _mm_loadu_ps(b);
        const __m128 t0 =
            TwiddleProduct(_mm_cvtps_pd(bv), _mm_loadu_pd(group), _mm_loadu_pd(group + 4));
        const __m128 t1 = TwiddleProduct(_mm_cvtps_pd(_mm_movehl_ps(bv, bv)),
                                         _mm_loadu_pd(group + 2), _mm_loadu_pd(group + 6));
        const __m128 t = _mm_movelh_ps(t0, t1);
        const __m128 av = _mm_loadu_ps(a);
        _mm_storeu_ps(b, _mm_sub_ps(av, t));
        _mm_storeu_ps(a, _mm_add_ps(av, t));
    }
};

} // namespace

void FftSse2(float* data, uint32_t nComplex)
{
    Transform<Sse2Kernel>(data, nComplex);
}

} // namespace sigproc

#endif // KLV_FFT_SIMD
