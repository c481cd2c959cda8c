// The spectrum's AVX paths (compiled with -mavx, run only where the
// processor has it): transform butterflies, sample conversion and decibel
// values, four values per double-precision sequence. AVX brings no
// multiply-add, so the products and sums are the plain sweep's.
#include "signal_fft_stages.h"

#if KLV_FFT_SIMD

#include <immintrin.h>

#include <limits>

namespace sigproc {
namespace {

struct AvxKernel {
    using Points = __m256;

    static Points Load(const float* p) { return _mm256_loadu_ps(p); }
    static void Store(float* p, Points v) { _mm256_storeu_ps(p, v); }

    // Butterflies t .. t+3 of a stage: points a and b with the twiddle groups
    // of t, t+2 at w.
    static void Butterflies(Points& a, Points& b, const double* w)
    {
        const __m128 t01 = Products(_mm256_cvtps_pd(_mm256_castps256_ps128(b)), w);
        const __m128 t23 = Products(_mm256_cvtps_pd(_mm256_extractf128_ps(b, 1)), w + 8);
        const __m256 t = _mm256_insertf128_ps(_mm256_castps128_ps256(t01), t23, 1);
        b = _mm256_sub_ps(a, t);
        a = _mm256_add_ps(a, t);
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

void FftAvx(float* data, uint32_t nComplex, bool inReversedOrder)
{
    Transform<AvxKernel>(data, nComplex, inReversedOrder);
}

} // namespace sigproc

#endif // KLV_FFT_SIMD

#if KLV_FFT_SIMD

namespace sigproc {

namespace {

// Physical values of the samples s[0..3] as RawSignal::At converts them (the
// quotient by nMaxBit as SampleDivisor explains).
inline __m128 ConvertFourAvx(const int16_t* s, const SampleDivisor& d)
{
    const __m128i ints = _mm_cvtepi16_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(s)));
    const __m256d x = _mm256_cvtepi32_pd(ints);
    const __m256d quotient = _mm256_add_pd(_mm256_mul_pd(x, _mm256_set1_pd(d.high)),
                                           _mm256_mul_pd(x, _mm256_set1_pd(d.low)));
    return _mm256_cvtpd_ps(_mm256_add_pd(_mm256_mul_pd(quotient, _mm256_set1_pd(d.range)),
                                         _mm256_set1_pd(d.minValue)));
}

// Bounds [low, high] of the approximate decibel values of power[0..3], as
// DecibelBounds in signal_spectrum.cpp but not rounded to float.
inline void DecibelBoundsFour(const float* power, double S, __m256d* low, __m256d* high)
{
    const __m256d one = _mm256_set1_pd(1.0);
    const __m256d absMask = _mm256_castsi256_pd(_mm256_set1_epi64x(0x7FFFFFFFFFFFFFFF));
    const __m128i bits = _mm_loadu_si128(reinterpret_cast<const __m128i*>(power));
    const __m128i exponent = _mm_sub_epi32(
        _mm_and_si128(_mm_srli_epi32(bits, 23), _mm_set1_epi32(0xFF)), _mm_set1_epi32(127));
    const __m128i mantissa =
        _mm_or_si128(_mm_and_si128(bits, _mm_set1_epi32(0x7FFFFF)), _mm_set1_epi32(0x3F800000));
    __m256d x = _mm256_cvtps_pd(_mm_castsi128_ps(mantissa));
    __m256d e = _mm256_cvtepi32_pd(exponent);
    const __m256d above = _mm256_cmp_pd(x, _mm256_set1_pd(kSqrt2), _CMP_GT_OQ);
    // Halved by a product with 1/2 or 1 rather than a blend, which the
    // compiler turns into a branch per value here (half of them mispredicted
    // on a spectrum).
    x = _mm256_mul_pd(x, _mm256_sub_pd(one, _mm256_and_pd(above, _mm256_set1_pd(0.5))));
    e = _mm256_add_pd(e, _mm256_and_pd(above, one));
    const __m256d s = _mm256_div_pd(_mm256_sub_pd(x, one), _mm256_add_pd(x, one));
    const __m256d s2 = _mm256_mul_pd(s, s);
    __m256d series =
        _mm256_add_pd(_mm256_set1_pd(1.0 / 5), _mm256_mul_pd(s2, _mm256_set1_pd(1.0 / 7)));
    series = _mm256_add_pd(_mm256_set1_pd(1.0 / 3), _mm256_mul_pd(s2, series));
    series = _mm256_add_pd(one, _mm256_mul_pd(s2, series));
    const __m256d ln = _mm256_add_pd(_mm256_mul_pd(e, _mm256_set1_pd(kLn2)),
                                     _mm256_mul_pd(_mm256_add_pd(s, s), series));
    const __m256d scaled =
        _mm256_mul_pd(_mm256_set1_pd(10.0 * S), _mm256_mul_pd(ln, _mm256_set1_pd(kLog10E)));
    const __m256d v = _mm256_add_pd(scaled, _mm256_set1_pd(2047.0));
    const __m256d margin = _mm256_add_pd(
        _mm256_add_pd(_mm256_mul_pd(_mm256_and_pd(scaled, absMask), _mm256_set1_pd(0x1p-20)),
                      _mm256_mul_pd(_mm256_and_pd(v, absMask), _mm256_set1_pd(0x1p-22))),
        _mm256_set1_pd(kApproximationError * (S + 1.0)));
    *low = _mm256_sub_pd(v, margin);
    *high = _mm256_add_pd(v, margin);
}

// The raw value of a bound as TruncateToRaw gives it (for numbers). The
// bounds are taken in double as they are: the exact float steps' value lies
// between them, and truncation, like TruncateToRaw, never decreases, so when
// both bounds give one raw value the exact steps give it too.
inline __m128i TruncateFour(__m256d v)
{
    return _mm256_cvttpd_epi32(
        _mm256_max_pd(_mm256_min_pd(v, _mm256_set1_pd(32767.0)), _mm256_set1_pd(-32768.0)));
}

} // namespace

void LoadSegmentsAvx(const int16_t* real, const int16_t* imag, uint32_t count,
                     const SampleDivisor& divisor, float* z, bool bitReversed)
{
    LoadSegmentsWith(real, imag, count, z, bitReversed,
                     [&](const int16_t* s) { return ConvertFourAvx(s, divisor); });
}

uint64_t DecibelRawGroupsAvx(const float* power, uint32_t count, double S, int16_t* out)
{
    const __m128 smallest = _mm_set1_ps(std::numeric_limits<float>::min());
    const __m128 largest = _mm_set1_ps(std::numeric_limits<float>::max());
    uint64_t unsettled = 0;
    for (uint32_t i = 0; i < count; i += 4) {
        __m256d low, high;
        DecibelBoundsFour(power + i, S, &low, &high);
        const __m128i lo = TruncateFour(low);
        const __m128i same = _mm_cmpeq_epi32(lo, TruncateFour(high));
        const __m128 p = _mm_loadu_ps(power + i);
        const __m128 normal =
            _mm_and_ps(_mm_cmp_ps(p, smallest, _CMP_GE_OQ), _mm_cmp_ps(p, largest, _CMP_LE_OQ));
        if (_mm_movemask_ps(_mm_and_ps(normal, _mm_castsi128_ps(same))) != 0xF)
            unsettled |= uint64_t{1} << (i / 4);
        // Within the 16-bit range already: the packing saturates nothing.
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out + i), _mm_packs_epi32(lo, lo));
    }
    return unsettled;
}

} // namespace sigproc

#endif // KLV_FFT_SIMD
