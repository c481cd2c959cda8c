// The vectorised spectrum of the x86_64 build (signal_fft_sse2.cpp,
// signal_avx.cpp): what the plain steps and the fast paths share.
#ifndef SIGNAL_FFT_SIMD_H
#define SIGNAL_FFT_SIMD_H

#include <cstdint>

#include "signalproc.h"

#if defined(__x86_64__) && defined(__SSE2__)
#include <xmmintrin.h>
#endif

#if defined(__x86_64__) && defined(__SSE2__)
#define KLV_FFT_SIMD 1
#else
#define KLV_FFT_SIMD 0
#endif

namespace sigproc {

// Constants of the approximate decibel values (signal_spectrum.cpp).
constexpr double kSqrt2 = 1.4142135623730951;
constexpr double kLn2 = 0.69314718055994531;
constexpr double kLog10E = 0.43429448190325182;
// Bound on the approximation's error in raw units per raw unit per decibel:
// 10 x 3e-8 / ln(10), rounded up (see LogNearOne).
constexpr double kApproximationError = 2e-7;

// 1/nMaxBit in two parts, so that a sample is divided by nMaxBit with two
// products and a sum, with the division's bits: high is 1/d cut to 26
// significant bits, so a sample (16 bits) times high is exact, and low the
// rest of 1/d (|low| < 2^-25 high) to double precision. x high + x low is then
// within |x/d| 2^-77 of x/d, while a quotient of two 16-bit integers that is
// not itself a double lies at least |x/d| 2^-69 from every midpoint between
// neighbouring doubles (x/d - mid = integer / (d 2^k), the integer not 0): so
// the sum rounds to the double the division gives. Only for nMaxBit >= 1.
struct SampleDivisor {
    double high;
    double low;
    double range; // dMaxValue - dMinValue
    double minValue;
};

// False when nMaxBit < 1 (the samples then go through RawSignal::At).
bool MakeSampleDivisor(const PhysicalScale& scale, SampleDivisor* divisor);

} // namespace sigproc

#if KLV_FFT_SIMD

namespace sigproc {

// Longest transform of the fast paths: 2 x the largest spectral size.
constexpr uint32_t kFftMaxPoints = 65536;

// Twiddles of the stage whose butterflies are `half` points apart
// (2 <= half <= kFftMaxPoints/2), from the plain sweep's recurrence, made once.
// Two twiddles t, t+1 (t even) per group of eight doubles at 4 t:
//   wr_t, wr_t, wr_t+1, wr_t+1, -wi_t, wi_t, -wi_t+1, wi_t+1
// so that (wr, wr) * (br, bi) + (-wi, wi) * (bi, br) is the plain sweep's
// (wr br - wi bi, wr bi + wi br): x + (-y) is x - y exactly. Null when the
// memory for them cannot be had.
const double* FftStageTwiddles(uint32_t half);

// Whether the processor and the system run AVX (AVX-512F) instructions.
bool AvxAvailable();
bool Avx512Available();

// The transform of 4 .. kFftMaxPoints points (a power of two) with SSE2,
// AVX or AVX-512 butterflies; the twiddles must be available. `inReversedOrder`: the
// points are already at their bit-reversed places.
void FftSse2(float* data, uint32_t nComplex, bool inReversedOrder = false);
void FftAvx(float* data, uint32_t nComplex, bool inReversedOrder = false);
// The same with AVX-512 products (signal_avx512.cpp).
void FftAvx512(float* data, uint32_t nComplex, bool inReversedOrder = false);

// Whether ComplexFftInPlace takes a vectorised path for nComplex points, and
// that path for points already at their bit-reversed places: the same
// results as ComplexFftInPlace of the points in natural order.
bool FastFftAvailable(uint32_t nComplex);
void FastFftOfReversed(float* data, uint32_t nComplex);

// The physical values of `count` samples (a multiple of 4) of two segments,
// as RawSignal::At converts them, interleaved into z as (real, imaginary)
// points: with SSE2, and with AVX where the processor has it. Point t goes to
// z's point t, or with `bitReversed` to the point at t's bit-reversed index
// (count points in all), where the transform starts from.
void LoadSegmentsSse2(const int16_t* real, const int16_t* imag, uint32_t count,
                      const SampleDivisor& divisor, float* z, bool bitReversed = false);
void LoadSegmentsAvx(const int16_t* real, const int16_t* imag, uint32_t count,
                     const SampleDivisor& divisor, float* z, bool bitReversed = false);

// Each file compiles these with its own instruction set (SSE2, AVX): internal
// linkage keeps the AVX file's copy from serving the SSE2 callers.
namespace {

// Bits of a byte in reverse order.
struct ByteReversal {
    uint8_t value[256];
    constexpr ByteReversal() : value()
    {
        for (uint32_t b = 0; b < 256; ++b) {
            uint32_t r = 0;
            for (uint32_t bit = 0; bit < 8; ++bit)
                r |= ((b >> bit) & 1u) << (7 - bit);
            value[b] = static_cast<uint8_t>(r);
        }
    }
};
constexpr ByteReversal kByteReversal;

// The bits of a 16-bit index in reverse order, shifted down to `bits` bits.
inline uint32_t ReverseBits(uint32_t i, uint32_t bits)
{
    const uint32_t reversed = (static_cast<uint32_t>(kByteReversal.value[i & 0xFF]) << 8) |
                              kByteReversal.value[(i >> 8) & 0xFF];
    return reversed >> (16 - bits);
}

// Stores the points (re0, im0, re1, im1) and (re2, im2, re3, im3), points t ..
// t+3 with t a multiple of 4, at their bit-reversed places in z (count points,
// a power of two): reversed(t) + 0, count/2, count/4, 3 count/4.
inline void StoreFourReversed(float* z, uint32_t count, uint32_t reversed, __m128 lo, __m128 hi)
{
    _mm_storel_pi(reinterpret_cast<__m64*>(z + 2 * reversed), lo);
    _mm_storeh_pi(reinterpret_cast<__m64*>(z + 2 * (reversed + count / 2)), lo);
    _mm_storel_pi(reinterpret_cast<__m64*>(z + 2 * (reversed + count / 4)), hi);
    _mm_storeh_pi(reinterpret_cast<__m64*>(z + 2 * (reversed + 3 * count / 4)), hi);
}

// The bit-reversed index of t + 4 from that of t (t a multiple of 4, count
// points): going from t/4 to t/4 + 1 flips the bits up to the lowest zero of
// t/4, so the reversed index flips as many bits below its top two.
inline uint32_t NextReversedOfFour(uint32_t reversed, uint32_t t, uint32_t count)
{
    const uint32_t quarter = count / 4;
    return reversed ^ (quarter - (quarter >> (__builtin_ctz(t / 4 + 1) + 1)));
}

// The bit-reversed places of eight points in a row, 0 .. 7.
constexpr uint32_t kReversedOfEight[8] = {0, 4, 2, 6, 1, 5, 3, 7};

// Loads `count` samples (64 .. 65536, a power of two) of two segments into z
// at their bit-reversed places, tile by tile: with t = (high, middle, low),
// high and low of three bits, the place is (rev low, rev middle, rev high).
// The 64 points of one `middle` are eight rows of eight neighbouring samples
// and fill eight whole cache lines of z, which stay in the cache while they
// are written; point by point in order, every point would touch a line of
// its own.
template <class ConvertFour>
void LoadSegmentsReversedInTiles(const int16_t* real, const int16_t* imag, uint32_t count, float* z,
                                 ConvertFour convertFour)
{
    const uint32_t bits = static_cast<uint32_t>(__builtin_ctz(count));
    const uint32_t middleBits = bits - 6;
    const uint32_t highShift = bits - 3;
    for (uint32_t middle = 0; middle < (1u << middleBits); ++middle) {
        const uint32_t reversedMiddle = ReverseBits(middle, middleBits) << 3;
        for (uint32_t high = 0; high < 8; ++high) {
            const uint32_t from = (high << highShift) | (middle << 3);
            float* column = z + 2 * (reversedMiddle | kReversedOfEight[high]);
            const __m128 re0 = convertFour(real + from);
            const __m128 im0 = convertFour(imag + from);
            const __m128 re1 = convertFour(real + from + 4);
            const __m128 im1 = convertFour(imag + from + 4);
            const __m128 points[4] = {_mm_unpacklo_ps(re0, im0), _mm_unpackhi_ps(re0, im0),
                                      _mm_unpacklo_ps(re1, im1), _mm_unpackhi_ps(re1, im1)};
            for (uint32_t pair = 0; pair < 4; ++pair) {
                const uint32_t low = 2 * pair;
                _mm_storel_pi(
                    reinterpret_cast<__m64*>(column + 2 * (kReversedOfEight[low] << highShift)),
                    points[pair]);
                _mm_storeh_pi(
                    reinterpret_cast<__m64*>(column + 2 * (kReversedOfEight[low + 1] << highShift)),
                    points[pair]);
            }
        }
    }
}

// Loads `count` samples of two segments into z as LoadSegmentsSse2/Avx
// describe, converting four samples at a time with `convertFour`.
template <class ConvertFour>
void LoadSegmentsWith(const int16_t* real, const int16_t* imag, uint32_t count, float* z,
                      bool bitReversed, ConvertFour convertFour)
{
    if (bitReversed && count >= 64) {
        LoadSegmentsReversedInTiles(real, imag, count, z, convertFour);
        return;
    }
    uint32_t reversed = 0;
    for (uint32_t t = 0; t < count; t += 4) {
        const __m128 re = convertFour(real + t);
        const __m128 im = convertFour(imag + t);
        if (bitReversed) {
            StoreFourReversed(z, count, reversed, _mm_unpacklo_ps(re, im), _mm_unpackhi_ps(re, im));
            reversed = NextReversedOfFour(reversed, t, count);
        } else {
            _mm_storeu_ps(z + 2 * t, _mm_unpacklo_ps(re, im));
            _mm_storeu_ps(z + 2 * t + 4, _mm_unpackhi_ps(re, im));
        }
    }
}

} // namespace

// With AVX: the raw decibel values of `count` bins (a multiple of 4, at most
// 256), four at a time through the approximate value's bounds. A group of four
// is written when every power is positive and normal and every interval
// truncates to one value; the result has bit g set for each group g that was
// not, whose bins the caller works out one by one.
uint64_t DecibelRawGroupsAvx(const float* power, uint32_t count, double S, int16_t* out);

} // namespace sigproc

#endif // KLV_FFT_SIMD

#endif
