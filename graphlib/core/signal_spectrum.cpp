// Segment-averaged power spectrum of a graph and its decibel scale.
#include "signalproc.h"
#include "signal_fft_simd.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#if KLV_FFT_SIMD
#include <emmintrin.h>
#endif

namespace sigproc {

uint32_t SpectralSize(int32_t nSize, bool overlap)
{
    const int32_t limit = overlap ? nSize / 2 : nSize / 4;
    for (uint32_t m = kMaxSpectralSize; m >= 2; m >>= 1) {
        if (static_cast<int64_t>(m) <= limit)
            return m;
    }
    return 2;
}

uint32_t SpectrumPassCount(uint32_t n, uint32_t m, bool overlap)
{
    if (m == 0)
        return 0;
    if (overlap) {
        const uint32_t segments = n / m;
        return segments == 0 ? 0 : (segments - 1) / 2;
    }
    return n / (4 * m);
}

double NyquistFrequency(double dTimeBase)
{
    if (!(dTimeBase > 0.0))
        return 0.0;
    return 0.5 / dTimeBase;
}

bool MakeSampleDivisor(const PhysicalScale& scale, SampleDivisor* divisor)
{
    if (scale.nMaxBit < 1)
        return false;
    const double d = scale.nMaxBit;
    const double reciprocal = 1.0 / d;
    // high: 1/d with its 27 lowest significand bits cleared.
    uint64_t bits;
    std::memcpy(&bits, &reciprocal, sizeof bits);
    bits &= ~((uint64_t{1} << 27) - 1);
    std::memcpy(&divisor->high, &bits, sizeof bits);
    const double middle = reciprocal - divisor->high;
    // 1 - d times the reciprocal, exactly: d high and d middle are exact (at
    // most 42 bits), 1 - d high cancels exactly (d high lies within 2^-24 of
    // 1), and the difference is a multiple of the reciprocal's last place,
    // fewer than 2^15 of them.
    const double remainder = (1.0 - d * divisor->high) - d * middle;
    divisor->low = middle + remainder / d;
    divisor->range = scale.dMaxValue - scale.dMinValue;
    divisor->minValue = scale.dMinValue;
    return true;
}

namespace {

// Adds the pass's periodograms: bin i gets |Z[i]|^2 + |Z[2m-i]|^2, which for
// the two real segments A, B is 2(|A[i]|^2 + |B[i]|^2) (bin 0: A0^2 + B0^2).
// Bins from `first` on.
void AccumulatePowerPlain(const float* z, uint32_t m, uint32_t first, float* power)
{
    if (first == 0)
        power[0] += z[0] * z[0] + z[1] * z[1];
    for (uint32_t i = first == 0 ? 1 : first; i < m; ++i) {
        const float* lo = z + 2 * i;
        const float* hi = z + 2 * (2 * m - i);
        power[i] += lo[0] * lo[0] + lo[1] * lo[1] + hi[0] * hi[0] + hi[1] * hi[1];
    }
}

// Bins from `first` on divided by the normalisation.
void NormalisePlain(float* power, uint32_t m, uint32_t first, double norm)
{
    for (uint32_t i = first; i < m; ++i)
        power[i] = static_cast<float>(power[i] / norm);
}

#if KLV_FFT_SIMD

// The same three steps, four values at a time with SSE2: the same operations
// on each value in the same order, so the same bits.

// Physical values of the samples at s[0..3], as RawSignal::At converts them
// (the quotient by nMaxBit as SampleDivisor explains).
inline __m128d ConvertTwo(__m128d x, const SampleDivisor& d)
{
    const __m128d quotient =
        _mm_add_pd(_mm_mul_pd(x, _mm_set1_pd(d.high)), _mm_mul_pd(x, _mm_set1_pd(d.low)));
    return _mm_add_pd(_mm_mul_pd(quotient, _mm_set1_pd(d.range)), _mm_set1_pd(d.minValue));
}

inline __m128 ConvertFour(const int16_t* s, const SampleDivisor& d)
{
    int64_t packed;
    std::memcpy(&packed, s, sizeof packed);
    const __m128i words = _mm_cvtsi64_si128(packed);
    const __m128i ints = _mm_srai_epi32(_mm_unpacklo_epi16(words, words), 16);
    const __m128d lo = _mm_cvtepi32_pd(ints);
    const __m128d hi = _mm_cvtepi32_pd(_mm_shuffle_epi32(ints, _MM_SHUFFLE(1, 0, 3, 2)));
    return _mm_movelh_ps(_mm_cvtpd_ps(ConvertTwo(lo, d)), _mm_cvtpd_ps(ConvertTwo(hi, d)));
}

// Loads one pass sample by sample: 2m points, segment at realStart as real
// parts and the one at imagStart as imaginary parts (rectangular window).
void LoadPassPlain(const RawSignal& signal, uint32_t m, uint32_t realStart, uint32_t imagStart,
                   float* z)
{
    for (uint32_t t = 0; t < 2 * m; ++t) {
        z[2 * t] = signal.At(realStart + t);
        z[2 * t + 1] = signal.At(imagStart + t);
    }
}

// Loads one pass and transforms it. The vectorised loads put the points
// straight at their bit-reversed places, so the transform skips that pass.
void TransformPass(const RawSignal& signal, const SampleDivisor* divisor, uint32_t m,
                   uint32_t realStart, uint32_t imagStart, float* z)
{
    const int16_t* real = signal.samples + realStart;
    const int16_t* imag = signal.samples + imagStart;
    const bool fast = divisor != nullptr && FastFftAvailable(2 * m);
    if (!fast)
        LoadPassPlain(signal, m, realStart, imagStart, z);
    else if (AvxAvailable())
        LoadSegmentsAvx(real, imag, 2 * m, *divisor, z, true);
    else
        LoadSegmentsSse2(real, imag, 2 * m, *divisor, z, true);
    if (fast)
        FastFftOfReversed(z, 2 * m);
    else
        ComplexFftInPlace(z, 2 * m);
}

} // namespace

void LoadSegmentsSse2(const int16_t* real, const int16_t* imag, uint32_t count,
                      const SampleDivisor& divisor, float* z, bool bitReversed)
{
    LoadSegmentsWith(real, imag, count, z, bitReversed,
                     [&](const int16_t* s) { return ConvertFour(s, divisor); });
}

namespace {

// Real and imaginary parts of the four points at p (ascending).
inline void SplitFour(const float* p, __m128* re, __m128* im)
{
    const __m128 v0 = _mm_loadu_ps(p);
    const __m128 v1 = _mm_loadu_ps(p + 4);
    *re = _mm_shuffle_ps(v0, v1, _MM_SHUFFLE(2, 0, 2, 0));
    *im = _mm_shuffle_ps(v0, v1, _MM_SHUFFLE(3, 1, 3, 1));
}

void AccumulatePower(const float* z, uint32_t m, float* power)
{
    power[0] += z[0] * z[0] + z[1] * z[1];
    uint32_t i = 1;
    for (; i + 4 <= m; i += 4) {
        __m128 loRe, loIm, hiRe, hiIm;
        SplitFour(z + 2 * i, &loRe, &loIm);
        // Points 2m-i-3 .. 2m-i, turned round to go with bins i .. i+3.
        SplitFour(z + 2 * (2 * m - i - 3), &hiRe, &hiIm);
        hiRe = _mm_shuffle_ps(hiRe, hiRe, _MM_SHUFFLE(0, 1, 2, 3));
        hiIm = _mm_shuffle_ps(hiIm, hiIm, _MM_SHUFFLE(0, 1, 2, 3));
        __m128 sum = _mm_add_ps(_mm_mul_ps(loRe, loRe), _mm_mul_ps(loIm, loIm));
        sum = _mm_add_ps(sum, _mm_mul_ps(hiRe, hiRe));
        sum = _mm_add_ps(sum, _mm_mul_ps(hiIm, hiIm));
        _mm_storeu_ps(power + i, _mm_add_ps(_mm_loadu_ps(power + i), sum));
    }
    AccumulatePowerPlain(z, m, i, power);
}

// Whether n is a power of two (then a quotient by it is a product by 1/n,
// exactly, for every float power: nothing overflows or underflows in double).
bool IsPowerOfTwo(double n)
{
    int exponent;
    return std::frexp(n, &exponent) == 0.5;
}

void Normalise(float* power, uint32_t m, double norm)
{
    const __m128d divisor = _mm_set1_pd(norm);
    const __m128d factor = _mm_set1_pd(1.0 / norm);
    const bool multiply = IsPowerOfTwo(norm);
    uint32_t i = 0;
    for (; i + 4 <= m; i += 4) {
        const __m128 v = _mm_loadu_ps(power + i);
        const __m128d lo = _mm_cvtps_pd(v);
        const __m128d hi = _mm_cvtps_pd(_mm_movehl_ps(v, v));
        const __m128 loOut =
            _mm_cvtpd_ps(multiply ? _mm_mul_pd(lo, factor) : _mm_div_pd(lo, divisor));
        const __m128 hiOut =
            _mm_cvtpd_ps(multiply ? _mm_mul_pd(hi, factor) : _mm_div_pd(hi, divisor));
        _mm_storeu_ps(power + i, _mm_movelh_ps(loOut, hiOut));
    }
    NormalisePlain(power, m, i, norm);
}

#else // KLV_FFT_SIMD

// Loads one pass: 2m points, segment at realStart as real parts and the one
// at imagStart as imaginary parts (rectangular window: every weight 1); then
// transforms it.
void TransformPass(const RawSignal& signal, const SampleDivisor*, uint32_t m, uint32_t realStart,
                   uint32_t imagStart, float* z)
{
    for (uint32_t t = 0; t < 2 * m; ++t) {
        z[2 * t] = signal.At(realStart + t);
        z[2 * t + 1] = signal.At(imagStart + t);
    }
    ComplexFftInPlace(z, 2 * m);
}

void AccumulatePower(const float* z, uint32_t m, float* power)
{
    AccumulatePowerPlain(z, m, 0, power);
}

void Normalise(float* power, uint32_t m, double norm)
{
    NormalisePlain(power, m, 0, norm);
}

#endif // KLV_FFT_SIMD

} // namespace

uint32_t EstimatePowerSpectrum(const RawSignal& signal, uint32_t m, bool overlap, float* work,
                               float* power)
{
    for (uint32_t i = 0; i < m; ++i)
        power[i] = 0.0f;
    const uint32_t k = SpectrumPassCount(signal.count, m, overlap);
    if (k == 0)
        return 0;

    // With overlap the segments start m apart (each pass's real segment is the
    // previous pass's carry plus m new samples); without, the passes take 4m
    // fresh samples each.
    const uint32_t passStep = overlap ? 2 * m : 4 * m;
    const uint32_t imagOffset = overlap ? m : 2 * m;
    SampleDivisor divisor;
    const SampleDivisor* exactDivisor =
        MakeSampleDivisor(signal.scale, &divisor) ? &divisor : nullptr;
    for (uint32_t p = 0; p < k; ++p) {
        const uint32_t start = p * passStep;
        TransformPass(signal, exactDivisor, m, start, start + imagOffset, work);
        AccumulatePower(work, m, power);
    }

    // k passes, each of two segments whose squared window weights sum to 2m,
    // and the transform's gain: 8 k m^2 in all.
    Normalise(power, m, 8.0 * k * static_cast<double>(m) * m);
    return k;
}

int32_t DecibelFactor(int32_t span)
{
    return span > 0 ? 2047 / span : 0;
}

namespace {

// Truncates toward zero into the 16-bit range; out-of-range values are held
// at its ends rather than wrapping around to the other end of the scale.
int16_t TruncateToRaw(float v)
{
    if (v >= 32767.0f)
        return std::numeric_limits<int16_t>::max();
    if (v <= -32768.0f)
        return std::numeric_limits<int16_t>::min();
    return static_cast<int16_t>(static_cast<int32_t>(v));
}

} // namespace

namespace {

// The raw value of one bin as the decibel scale defines it: step by step
// through float variables, so that a build whose floating point unit keeps
// more precision rounds exactly as single precision does. False for a power
// that gives no number (infinite power with S = 0).
bool ExactRaw(float power, float S, int16_t* raw)
{
    const float lg = std::log10(power);
    const float decibels = 10.0f * lg;
    const float scaled = decibels * S;
    const float v = scaled + 2047.0f;
    if (std::isnan(v))
        return false;
    *raw = TruncateToRaw(v);
    return true;
}

// Most bins' raw values are had without log10f: an approximate decibel value
// v = 10 S log10(P) + 2047 in double, widened by a bound on everything the
// exact float steps may differ by (log10f within 4 units in the last place,
// three float roundings, the approximation). When the whole interval
// truncates to one raw value, that is the exact steps' value too; otherwise
// (near a whole number, or a power outside the normal range) the bin goes the
// exact way.

// Bins whose bounds are worked out together, on the stack.
constexpr uint32_t kDecibelChunk = 64;

// ln(x) for 0.7 < x < 1.42: x = (1+s)/(1-s), |s| <= 0.172, ln x = 2 (s + s^3/3
// + s^5/5 + s^7/7) to within 3e-8 (the next term, 2 s^9/9).
inline double LogNearOne(double x)
{
    const double s = (x - 1.0) / (x + 1.0);
    const double s2 = s * s;
    return 2.0 * s * (1.0 + s2 * (1.0 / 3 + s2 * (1.0 / 5 + s2 * (1.0 / 7))));
}

// Interval [v - margin, v + margin] of the approximate decibel value.
inline void DecibelInterval(double lg, double S, float* low, float* high)
{
    const double scaled = 10.0 * S * lg;
    const double v = scaled + 2047.0;
    const double margin =
        std::fabs(scaled) * 0x1p-20 + std::fabs(v) * 0x1p-22 + kApproximationError * (S + 1.0);
    *low = static_cast<float>(v - margin);
    *high = static_cast<float>(v + margin);
}

// Bounds of one bin (a positive, normal, finite power; anything else gives
// bounds that are never used).
void DecibelBoundsOne(float power, double S, float* low, float* high)
{
    uint32_t bits;
    std::memcpy(&bits, &power, sizeof bits);
    int32_t e = static_cast<int32_t>((bits >> 23) & 0xFF) - 127;
    const uint32_t mantissaBits = (bits & 0x7FFFFF) | 0x3F800000;
    float mantissa;
    std::memcpy(&mantissa, &mantissaBits, sizeof mantissa);
    double x = mantissa; // 1 <= x < 2
    if (x > kSqrt2) {
        x *= 0.5;
        ++e;
    }
    DecibelInterval((e * kLn2 + LogNearOne(x)) * kLog10E, S, low, high);
}

#if KLV_FFT_SIMD

// The same for count bins, two at a time.
void DecibelBounds(const float* power, uint32_t count, double S, float* low, float* high)
{
    const __m128d sqrt2 = _mm_set1_pd(kSqrt2);
    const __m128d one = _mm_set1_pd(1.0);
    const __m128d half = _mm_set1_pd(0.5);
    const __m128d absMask = _mm_castsi128_pd(_mm_set1_epi64x(0x7FFFFFFFFFFFFFFF));
    const __m128d scale = _mm_set1_pd(10.0 * S);
    const __m128d floor = _mm_set1_pd(kApproximationError * (S + 1.0));
    uint32_t i = 0;
    for (; i + 2 <= count; i += 2) {
        int64_t packed;
        std::memcpy(&packed, power + i, sizeof packed);
        const __m128i bits = _mm_cvtsi64_si128(packed);
        const __m128i exponent = _mm_sub_epi32(
            _mm_and_si128(_mm_srli_epi32(bits, 23), _mm_set1_epi32(0xFF)), _mm_set1_epi32(127));
        const __m128i mantissa =
            _mm_or_si128(_mm_and_si128(bits, _mm_set1_epi32(0x7FFFFF)), _mm_set1_epi32(0x3F800000));
        __m128d x = _mm_cvtps_pd(_mm_castsi128_ps(mantissa));
        __m128d e = _mm_cvtepi32_pd(exponent);
        const __m128d above = _mm_cmpgt_pd(x, sqrt2);
        x = _mm_or_pd(_mm_and_pd(above, _mm_mul_pd(x, half)), _mm_andnot_pd(above, x));
        e = _mm_add_pd(e, _mm_and_pd(above, one));
        const __m128d s = _mm_div_pd(_mm_sub_pd(x, one), _mm_add_pd(x, one));
        const __m128d s2 = _mm_mul_pd(s, s);
        __m128d series = _mm_set1_pd(1.0 / 7);
        for (double c : {1.0 / 5, 1.0 / 3, 1.0})
            series = _mm_add_pd(_mm_set1_pd(c), _mm_mul_pd(s2, series));
        const __m128d ln =
            _mm_add_pd(_mm_mul_pd(e, _mm_set1_pd(kLn2)), _mm_mul_pd(_mm_add_pd(s, s), series));
        const __m128d scaled = _mm_mul_pd(scale, _mm_mul_pd(ln, _mm_set1_pd(kLog10E)));
        const __m128d v = _mm_add_pd(scaled, _mm_set1_pd(2047.0));
        const __m128d margin =
            _mm_add_pd(_mm_add_pd(_mm_mul_pd(_mm_and_pd(scaled, absMask), _mm_set1_pd(0x1p-20)),
                                  _mm_mul_pd(_mm_and_pd(v, absMask), _mm_set1_pd(0x1p-22))),
                       floor);
        _mm_storel_pi(reinterpret_cast<__m64*>(low + i), _mm_cvtpd_ps(_mm_sub_pd(v, margin)));
        _mm_storel_pi(reinterpret_cast<__m64*>(high + i), _mm_cvtpd_ps(_mm_add_pd(v, margin)));
    }
    for (; i < count; ++i)
        DecibelBoundsOne(power[i], S, low + i, high + i);
}

#else // KLV_FFT_SIMD

void DecibelBounds(const float* power, uint32_t count, double S, float* low, float* high)
{
    for (uint32_t i = 0; i < count; ++i)
        DecibelBoundsOne(power[i], S, low + i, high + i);
}

#endif // KLV_FFT_SIMD

// Raw value of bins whose interval truncates to one value; kUnsettled where
// the interval spans two.
constexpr int32_t kUnsettled = std::numeric_limits<int32_t>::min();

#if KLV_FFT_SIMD

// TruncateToRaw of both ends, four bins at a time.
void SettleRaw(const float* low, const float* high, uint32_t count, int32_t* raw)
{
    const __m128 top = _mm_set1_ps(32767.0f);
    const __m128 bottom = _mm_set1_ps(-32768.0f);
    const __m128i unsettled = _mm_set1_epi32(kUnsettled);
    uint32_t i = 0;
    for (; i + 4 <= count; i += 4) {
        const __m128i lo =
            _mm_cvttps_epi32(_mm_max_ps(_mm_min_ps(_mm_loadu_ps(low + i), top), bottom));
        const __m128i hi =
            _mm_cvttps_epi32(_mm_max_ps(_mm_min_ps(_mm_loadu_ps(high + i), top), bottom));
        const __m128i same = _mm_cmpeq_epi32(lo, hi);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(raw + i),
                         _mm_or_si128(_mm_and_si128(same, lo), _mm_andnot_si128(same, unsettled)));
    }
    for (; i < count; ++i) {
        const int16_t lo = TruncateToRaw(low[i]);
        raw[i] = lo == TruncateToRaw(high[i]) ? lo : kUnsettled;
    }
}

#else // KLV_FFT_SIMD

void SettleRaw(const float* low, const float* high, uint32_t count, int32_t* raw)
{
    for (uint32_t i = 0; i < count; ++i) {
        const int16_t lo = TruncateToRaw(low[i]);
        raw[i] = lo == TruncateToRaw(high[i]) ? lo : kUnsettled;
    }
}

#endif // KLV_FFT_SIMD

bool IsNormalPower(float power)
{
    return power >= std::numeric_limits<float>::min() && power <= std::numeric_limits<float>::max();
}

#if KLV_FFT_SIMD

// The raw value of one bin, through its bounds where they settle it, else
// the exact way; `previous` for a bin without power.
int16_t BinRaw(float power, float S, int16_t previous)
{
    if (!(power > 0.0f))
        return previous;
    if (IsNormalPower(power)) {
        float low, high;
        DecibelBoundsOne(power, S, &low, &high);
        const int16_t raw = TruncateToRaw(low);
        if (raw == TruncateToRaw(high))
            return raw;
    }
    ExactRaw(power, S, &previous);
    return previous;
}

// Bins per call of the AVX groups: one bit per group of four in 64 bits.
constexpr uint32_t kAvxDecibelChunk = 256;

// With AVX: groups of four bins settled together; the bins of the others (and
// of a last, incomplete group) one by one in order, each after its
// predecessor's final value, which a bin without power repeats.
void PowerToDecibelRawAvx(const float* power, uint32_t m, float S, int16_t* out)
{
    for (uint32_t first = 0; first < m; first += kAvxDecibelChunk) {
        const uint32_t count = std::min(kAvxDecibelChunk, m - first);
        const uint32_t grouped = count / 4 * 4;
        uint64_t unsettled = DecibelRawGroupsAvx(power + first, grouped, S, out + first);
        if (grouped < count)
            unsettled |= uint64_t{1} << (grouped / 4);
        for (; unsettled != 0; unsettled &= unsettled - 1) {
            const uint32_t from = first + 4 * static_cast<uint32_t>(__builtin_ctzll(unsettled));
            for (uint32_t i = from; i < std::min(from + 4, m); ++i)
                out[i] = BinRaw(power[i], S, i == 0 ? kNoPowerRaw : out[i - 1]);
        }
    }
}

#endif // KLV_FFT_SIMD

} // namespace

void PowerToDecibelRaw(const float* power, uint32_t m, int32_t span, int16_t* out)
{
    const float S = static_cast<float>(DecibelFactor(span));
#if KLV_FFT_SIMD
    if (AvxAvailable()) {
        PowerToDecibelRawAvx(power, m, S, out);
        return;
    }
#endif
    int16_t previous = kNoPowerRaw;
    float low[kDecibelChunk];
    float high[kDecibelChunk];
    int32_t raw[kDecibelChunk];
    for (uint32_t first = 0; first < m; first += kDecibelChunk) {
        const uint32_t count = std::min(kDecibelChunk, m - first);
        DecibelBounds(power + first, count, S, low, high);
        SettleRaw(low, high, count, raw);
        for (uint32_t c = 0; c < count; ++c) {
            const float p = power[first + c];
            if (p > 0.0f) {
                if (raw[c] != kUnsettled && IsNormalPower(p))
                    previous = static_cast<int16_t>(raw[c]);
                else
                    ExactRaw(p, S, &previous);
            }
            out[first + c] = previous;
        }
    }
}

bool SpectrumToDecibelRaw(const RawSignal& signal, uint32_t m, bool overlap, int32_t span,
                          float* work, float* power, int16_t* out)
{
    if (work == nullptr || power == nullptr) {
        for (uint32_t i = 0; i < m; ++i)
            out[i] = kNoPowerRaw;
        return false;
    }
    EstimatePowerSpectrum(signal, m, overlap, work, power);
    PowerToDecibelRaw(power, m, span, out);
    return true;
}

} // namespace sigproc
