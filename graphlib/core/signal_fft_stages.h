// The order of work of the vectorised transform, for a butterfly kernel:
// table-driven bit reversal, the first two stages in one pass, the stages
// within blocks that stay in the cache, and the remaining stages two at a
// time. Every butterfly is the plain sweep's (signal_fft.cpp); only the order
// of independent butterflies changes. Included by signal_fft_sse2.cpp and
// signal_avx.cpp, each compiled for its instruction set, so everything
// here has internal linkage.
#ifndef SIGNAL_FFT_STAGES_H
#define SIGNAL_FFT_STAGES_H

#include "signal_fft_simd.h"

#if KLV_FFT_SIMD

#include <emmintrin.h>

#include <algorithm>
#include <cstring>

namespace sigproc {
namespace {

// Swaps the points i and j; a point (two floats) moves as one 8-byte word.
inline void SwapPoints(float* data, uint32_t i, uint32_t j)
{
    uint64_t a, b;
    std::memcpy(&a, data + 2 * i, 8);
    std::memcpy(&b, data + 2 * j, 8);
    std::memcpy(data + 2 * i, &b, 8);
    std::memcpy(data + 2 * j, &a, 8);
}

// Bits of the index at either end of a tile: eight points, one cache line.
constexpr uint32_t kTileBits = 3;
constexpr uint32_t kTilePoints = 1u << kTileBits;

// Swaps each point with the one at its bit-reversed index. Beyond the
// first-level cache the points go tile by tile: with i = (high, middle, low),
// high and low of kTileBits bits, the reversed index is (rev low, rev middle,
// rev high), so the eight lines of the tile of `middle` trade places only
// with the eight lines of the tile of rev middle, and both stay in the cache
// while they do.
void BitReversePermute(float* data, uint32_t nComplex)
{
    uint32_t bits = 0;
    while ((1u << bits) < nComplex)
        ++bits;
    if (nComplex <= 2048) {
        // Going from i to i + 1 flips the bits up to the lowest zero of i,
        // so the reversed index flips as many bits from the top.
        uint32_t j = 0;
        for (uint32_t i = 0; i + 1 < nComplex; ++i) {
            if (j > i)
                SwapPoints(data, i, j);
            j ^= nComplex - (nComplex >> (__builtin_ctz(i + 1) + 1));
        }
        return;
    }
    const uint32_t middleBits = bits - 2 * kTileBits;
    const uint32_t highShift = bits - kTileBits;
    for (uint32_t middle = 0; middle < (1u << middleBits); ++middle) {
        const uint32_t partner = ReverseBits(middle, middleBits);
        if (partner < middle)
            continue;
        for (uint32_t high = 0; high < kTilePoints; ++high) {
            for (uint32_t low = 0; low < kTilePoints; ++low) {
                const uint32_t i = (high << highShift) | (middle << kTileBits) | low;
                const uint32_t j = (ReverseBits(low, kTileBits) << highShift) |
                                   (partner << kTileBits) | ReverseBits(high, kTileBits);
                // Between two tiles every pair comes up once, from the first
                // tile; within a tile of its own partner, once from each side.
                if (partner != middle || j > i)
                    SwapPoints(data, i, j);
            }
        }
    }
}

// t for the first twiddle of a stage, w = (1, 0), for two points b given as
// (br, bi) pairs: tr = br - 0 * bi and ti = bi + 0 * br. In double these are
// exact (1 * br is br, 0 * bi is a signed zero or NaN, and the sum of a float
// and a zero needs no rounding), so float arithmetic gives the same bits.
inline __m128 UnitTwiddleProduct(__m128 b)
{
    const __m128 evenSign = _mm_castsi128_ps(_mm_set_epi32(0, INT32_MIN, 0, INT32_MIN));
    const __m128 swapped = _mm_shuffle_ps(b, b, _MM_SHUFFLE(2, 3, 0, 1));
    const __m128 zeros = _mm_mul_ps(_mm_setzero_ps(), swapped);
    return _mm_add_ps(b, _mm_xor_ps(zeros, evenSign));
}

// t = float(w * b) of one point b = (br, bi) in double, from the twiddle
// halves (wr, wr) and (-wi, wi).
inline __m128 TwiddleProduct(__m128d b, __m128d wrwr, __m128d wiSigned)
{
    const __m128d swapped = _mm_shuffle_pd(b, b, 1);
    return _mm_cvtpd_ps(_mm_add_pd(_mm_mul_pd(wrwr, b), _mm_mul_pd(wiSigned, swapped)));
}

// The stages with half = 1 and 2 in one pass over groups of four points:
// their butterflies stay within the group. Stage 1 and the first butterfly
// of stage 2 use w = (1, 0); the second of stage 2 its twiddle from the table.
void FirstTwoStages(float* data, uint32_t nComplex, const double* stage2)
{
    const __m128d wrwr = _mm_loadu_pd(stage2 + 2);
    const __m128d wiSigned = _mm_loadu_pd(stage2 + 6);
    for (uint32_t i = 0; i < nComplex; i += 4) {
        float* p = data + 2 * i;
        const __m128 v0 = _mm_loadu_ps(p);     // x0, x1
        const __m128 v1 = _mm_loadu_ps(p + 4); // x2, x3
        // Stage 1: (x0, x1) and (x2, x3).
        const __m128 a = _mm_movelh_ps(v0, v1); // x0, x2
        const __m128 b = _mm_movehl_ps(v1, v0); // x1, x3
        const __m128 t = UnitTwiddleProduct(b);
        const __m128 sum = _mm_add_ps(a, t); // x0', x2'
        const __m128 dif = _mm_sub_ps(a, t); // x1', x3'
        // Stage 2: (x0', x2') with w = (1, 0), (x1', x3') with the twiddle.
        const __m128 lo = _mm_movelh_ps(sum, dif); // x0', x1'
        const __m128 hi = _mm_movehl_ps(dif, sum); // x2', x3'
        const __m128 tUnit = UnitTwiddleProduct(hi);
        const __m128 tTwiddle = TwiddleProduct(_mm_cvtps_pd(_mm_movehl_ps(hi, hi)), wrwr, wiSigned);
        const __m128 t2 = _mm_movelh_ps(tUnit, tTwiddle);
        _mm_storeu_ps(p, _mm_add_ps(lo, t2));
        _mm_storeu_ps(p + 4, _mm_sub_ps(lo, t2));
    }
}

// A kernel supplies Points (four neighbouring points in registers), Load and
// Store of them, and Butterflies(a, b, w): the butterflies of the points a
// with the points b, with the twiddle groups at w.

// One stage (half >= 4) over nComplex points.
template <class Kernel> void OneStage(float* data, uint32_t nComplex, uint32_t half)
{
    const double* w = FftStageTwiddles(half);
    for (uint32_t block = 0; block < nComplex; block += 2 * half) {
        float* a = data + 2 * block;
        float* b = a + 2 * half;
        for (uint32_t t = 0; t < half; t += 4) {
            typename Kernel::Points pa = Kernel::Load(a + 2 * t);
            typename Kernel::Points pb = Kernel::Load(b + 2 * t);
            Kernel::Butterflies(pa, pb, w + 4 * t);
            Kernel::Store(a + 2 * t, pa);
            Kernel::Store(b + 2 * t, pb);
        }
    }
}

// The stages `half` and 2 `half` in one pass: per four points p0 .. p3,
// `half` apart, stage half's butterflies (p0, p1) and (p2, p3) with twiddle
// t, then stage 2 half's (p0, p2) with twiddle t and (p1, p3) with t + half;
// the points stay in registers between the two stages.
template <class Kernel> void TwoStages(float* data, uint32_t nComplex, uint32_t half)
{
    const double* w1 = FftStageTwiddles(half);
    const double* w2 = FftStageTwiddles(2 * half);
    for (uint32_t block = 0; block < nComplex; block += 4 * half) {
        float* p0 = data + 2 * block;
        float* p1 = p0 + 2 * half;
        float* p2 = p1 + 2 * half;
        float* p3 = p2 + 2 * half;
        for (uint32_t t = 0; t < half; t += 4) {
            typename Kernel::Points a = Kernel::Load(p0 + 2 * t);
            typename Kernel::Points b = Kernel::Load(p1 + 2 * t);
            typename Kernel::Points c = Kernel::Load(p2 + 2 * t);
            typename Kernel::Points d = Kernel::Load(p3 + 2 * t);
            Kernel::Butterflies(a, b, w1 + 4 * t);
            Kernel::Butterflies(c, d, w1 + 4 * t);
            Kernel::Butterflies(a, c, w2 + 4 * t);
            Kernel::Butterflies(b, d, w2 + 4 * (t + half));
            Kernel::Store(p0 + 2 * t, a);
            Kernel::Store(p1 + 2 * t, b);
            Kernel::Store(p2 + 2 * t, c);
            Kernel::Store(p3 + 2 * t, d);
        }
    }
}

// The stages half = halfFrom .. halfTo/2 (halfFrom >= 4), two at a time.
template <class Kernel>
void Stages(float* data, uint32_t nComplex, uint32_t halfFrom, uint32_t halfTo)
{
    uint32_t half = halfFrom;
    for (; 2 * half < halfTo; half <<= 2)
        TwoStages<Kernel>(data, nComplex, half);
    if (half < halfTo)
        OneStage<Kernel>(data, nComplex, half);
}

// Points per block whose stages run together before the next block: 32 KB of
// data, which stays in the first-level cache, and an even number of stages
// after the first two, so that they go two at a time.
constexpr uint32_t kCacheBlockPoints = 4096;

// The transform; `inReversedOrder` when the points are already at their
// bit-reversed places (as the spectrum loads them), which skips that pass.
template <class Kernel> void Transform(float* data, uint32_t nComplex, bool inReversedOrder)
{
    if (!inReversedOrder)
        BitReversePermute(data, nComplex);
    // The first two stages block by block too: one pass less over a
    // transform larger than the cache.
    const double* stage2 = FftStageTwiddles(2);
    const uint32_t block = std::min(nComplex, kCacheBlockPoints);
    for (uint32_t start = 0; start < nComplex; start += block) {
        FirstTwoStages(data + 2 * start, block, stage2);
        Stages<Kernel>(data + 2 * start, block, 4, block);
    }
    Stages<Kernel>(data, nComplex, block, nComplex);
}

} // namespace
} // namespace sigproc

#endif // KLV_FFT_SIMD

#endif
