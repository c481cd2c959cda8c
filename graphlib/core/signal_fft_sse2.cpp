// Transform butterflies with SSE2, the instruction set every x86_64
// processor has: two butterflies per double-precision sequence.
#include "signal_fft_stages.h"

#if KLV_FFT_SIMD

namespace sigproc {
namespace {

struct Sse2Kernel {
    struct Points {
        __m128 lo; // points 0, 1
        __m128 hi; // points 2, 3
    };

    static Points Load(const float* p) { return {_mm_loadu_ps(p), _mm_loadu_ps(p + 4)}; }
    static void Store(float* p, const Points& v)
    {
        _mm_storeu_ps(p, v.lo);
        _mm_storeu_ps(p + 4, v.hi);
    }

    // Butterflies t .. t+3 of a stage: points a and b with the twiddle groups
    // of t, t+2 at w.
    static void Butterflies(Points& a, Points& b, const double* w)
    {
        Pair(a.lo, b.lo, w);
        Pair(a.hi, b.hi, w + 8);
    }

    // Two butterflies with one twiddle group.
    static void Pair(__m128& a, __m128& b, const double* group)
    {
        const __m128 t0 =
            TwiddleProduct(_mm_cvtps_pd(b), _mm_loadu_pd(group), _mm_loadu_pd(group + 4));
        const __m128 t1 = TwiddleProduct(_mm_cvtps_pd(_mm_movehl_ps(b, b)), _mm_loadu_pd(group + 2),
                                         _mm_loadu_pd(group + 6));
        const __m128 t = _mm_movelh_ps(t0, t1);
        b = _mm_sub_ps(a, t);
        a = _mm_add_ps(a, t);
    }
};

} // namespace

void FftSse2(float* data, uint32_t nComplex, bool inReversedOrder)
{
    Transform<Sse2Kernel>(data, nComplex, inReversedOrder);
}

} // namespace sigproc

#endif // KLV_FFT_SIMD
