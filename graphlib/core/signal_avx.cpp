// The spectrum's AVX paths (compiled with -mavx, run only where the
// processor has it): transform butterflies, sample conversion and decibel
// bounds, four values per double-precision sequence. AVX
// brings no multiply-add, so the products and sums are the plain sweep's.
#include "signal_fft_stages.h"

#if KLV_FFT_SIMD

#include <immintrin.h>

#include <cstring>

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

void FftAvx(float* data, uint32_t nComplex)
{
    Transform<AvxKernel>(data, nComplex);
}

} // namespace sigproc

#endif // KLV_FFT_SIMD

#if KLV_FFT_SIMD

namespace sigproc {

namespace {

// Physical values of the samples s[0..3] as RawSignal::At converts them.
inline __m128 ConvertFourAvx(const int16_t* s, __m256d maxBit, __m256d range, __m256d minValue)
{
    int64_t packed;
    std::memcpy(&packed, s, sizeof packed);
    const __m128i words = _mm_cvtsi64_si128(packed);
    const __m128i ints = _mm_srai_epi32(_mm_unpacklo_epi16(words, words), 16);
    const __m256d x = _mm256_cvtepi32_pd(ints);
    return _mm256_cvtpd_ps(_mm256_add_pd(_mm256_mul_pd(_mm256_div_pd(x, maxBit), range), minValue));
}

} // namespace

void LoadSegmentsAvx(const int16_t* real, const int16_t* imag, uint32_t count,
                     const PhysicalScale& scale, float* z)
{
    const __m256d maxBit = _mm256_set1_pd(static_cast<double>(scale.nMaxBit));
    const __m256d range = _mm256_set1_pd(scale.dMaxValue - scale.dMinValue);
    const __m256d minValue = _mm256_set1_pd(scale.dMinValue);
    for (uint32_t t = 0; t < count; t += 4) {
        const __m128 re = ConvertFourAvx(real + t, maxBit, range, minValue);
        const __m128 im = ConvertFourAvx(imag + t, maxBit, range, minValue);
        _mm_storeu_ps(z + 2 * t, _mm_unpacklo_ps(re, im));
        _mm_storeu_ps(z + 2 * t + 4, _mm_unpackhi_ps(re, im));
    }
}

void DecibelBoundsAvx(const float* power, uint32_t count, double S, float* low, float* high)
{
    const __m256d sqrt2 = _mm256_set1_pd(kSqrt2);
    const __m256d one = _mm256_set1_pd(1.0);
    const __m256d absMask = _mm256_castsi256_pd(_mm256_set1_epi64x(0x7FFFFFFFFFFFFFFF));
    const __m256d scale = _mm256_set1_pd(10.0 * S);
    const __m256d floor = _mm256_set1_pd(kApproximationError * (S + 1.0));
    for (uint32_t i = 0; i < count; i += 4) {
        const __m128i bits = _mm_loadu_si128(reinterpret_cast<const __m128i*>(power + i));
        const __m128i exponent = _mm_sub_epi32(
            _mm_and_si128(_mm_srli_epi32(bits, 23), _mm_set1_epi32(0xFF)), _mm_set1_epi32(127));
        const __m128i mantissa =
            _mm_or_si128(_mm_and_si128(bits, _mm_set1_epi32(0x7FFFFF)), _mm_set1_epi32(0x3F800000));
        __m256d x = _mm256_cvtps_pd(_mm_castsi128_ps(mantissa));
        __m256d e = _mm256_cvtepi32_pd(exponent);
        const __m256d above = _mm256_cmp_pd(x, sqrt2, _CMP_GT_OQ);
        x = _mm256_blendv_pd(x, _mm256_mul_pd(x, _mm256_set1_pd(0.5)), above);
        e = _mm256_add_pd(e, _mm256_and_pd(above, one));
        const __m256d s = _mm256_div_pd(_mm256_sub_pd(x, one), _mm256_add_pd(x, one));
        const __m256d s2 = _mm256_mul_pd(s, s);
        __m256d series = _mm256_set1_pd(1.0 / 7);
        for (double c : {1.0 / 5, 1.0 / 3, 1.0})
            series = _mm256_add_pd(_mm256_set1_pd(c), _mm256_mul_pd(s2, series));
        const __m256d ln = _mm256_add_pd(_mm256_mul_pd(e, _mm256_set1_pd(kLn2)),
                                         _mm256_mul_pd(_mm256_add_pd(s, s), series));
        const __m256d scaled = _mm256_mul_pd(scale, _mm256_mul_pd(ln, _mm256_set1_pd(kLog10E)));
        const __m256d v = _mm256_add_pd(scaled, _mm256_set1_pd(2047.0));
        const __m256d margin = _mm256_add_pd(
            _mm256_add_pd(_mm256_mul_pd(_mm256_and_pd(scaled, absMask), _mm256_set1_pd(0x1p-20)),
                          _mm256_mul_pd(_mm256_and_pd(v, absMask), _mm256_set1_pd(0x1p-22))),
            floor);
        _mm_storeu_ps(low + i, _mm256_cvtpd_ps(_mm256_sub_pd(v, margin)));
        _mm_storeu_ps(high + i, _mm256_cvtpd_ps(_mm256_add_pd(v, margin)));
    }
}

} // namespace sigproc

#endif // KLV_FFT_SIMD
