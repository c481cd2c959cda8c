// Radix-2 complex transform on single-precision data, in place.
//
// Every butterfly computes, in this order and precision:
//   tr = float(wr * br - wi * bi),  ti = float(wr * bi + wi * br)   (double)
//   b = a - t,  a = a + t                                           (float)
// with the twiddle w = (wr, wi) of the stage taken from the trigonometric
// recurrence in double precision. The fast path on x86_64 keeps exactly these
// operations per butterfly (so its results are bit for bit those of the plain
// sweep) and gains its speed elsewhere: twiddles made once, a table-driven bit
// reversal, the first two stages in one pass, blocks that stay in the cache,
// and two butterflies per SSE2 instruction sequence.
#include "signalproc.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <utility>

#if defined(__x86_64__) && defined(__SSE2__)
#include <emmintrin.h>
#define KLV_FFT_SSE2 1
#endif

namespace sigproc {

namespace {

const double kPi = 3.14159265358979323846;

// The recurrence's step for the stage whose butterflies are `half` points
// apart: w advances by w += w * (wp - 1), wp - 1 = (-2 sin^2(theta/2),
// sin(theta)), theta = -pi / half.
struct TwiddleStep {
    double wpr;
    double wpi;
};

TwiddleStep StageStep(uint32_t half)
{
    const double theta = -kPi / half;
    const double s = std::sin(0.5 * theta);
    return {-2.0 * s * s, std::sin(theta)};
}

// ---- Plain sweep: the reference, and the path of builds without SSE2 -------

void BitReversePermutePlain(float* data, uint32_t nComplex)
{
    uint32_t j = 0;
    for (uint32_t i = 0; i < nComplex; ++i) {
        if (j > i) {
            std::swap(data[2 * i], data[2 * j]);
            std::swap(data[2 * i + 1], data[2 * j + 1]);
        }
        uint32_t bit = nComplex >> 1;
        while (bit != 0 && (j & bit) != 0) {
            j ^= bit;
            bit >>= 1;
        }
        j |= bit;
    }
}

// How many twiddle factors are taken from the recurrence at a time: enough
// for the butterflies of one chunk to run over neighbouring points, few
// enough to sit on the stack.
constexpr uint32_t kTwiddleChunk = 64;

// Butterflies of one stage for the twiddles t0 .. t0+count-1, block by block.
void StageChunk(float* data, uint32_t nComplex, uint32_t half, uint32_t t0, uint32_t count,
                const double* wr, const double* wi)
{
    const uint32_t span = 2 * half;
    for (uint32_t block = 0; block < nComplex; block += span) {
        for (uint32_t c = 0; c < count; ++c) {
            float* a = data + 2 * (block + t0 + c);
            float* b = a + 2 * half;
            const float tr = static_cast<float>(wr[c] * b[0] - wi[c] * b[1]);
            const float ti = static_cast<float>(wr[c] * b[1] + wi[c] * b[0]);
            b[0] = a[0] - tr;
            b[1] = a[1] - ti;
            a[0] += tr;
            a[1] += ti;
        }
    }
}

void PlainFft(float* data, uint32_t nComplex)
{
    BitReversePermutePlain(data, nComplex);
    for (uint32_t half = 1; half < nComplex; half <<= 1) {
        const TwiddleStep step = StageStep(half);
        double wr = 1.0;
        double wi = 0.0;
        double chunkWr[kTwiddleChunk];
        double chunkWi[kTwiddleChunk];
        for (uint32_t t0 = 0; t0 < half; t0 += kTwiddleChunk) {
            const uint32_t count = std::min(kTwiddleChunk, half - t0);
            for (uint32_t c = 0; c < count; ++c) {
                chunkWr[c] = wr;
                chunkWi[c] = wi;
                const double wt = wr;
                wr += wt * step.wpr - wi * step.wpi;
                wi += wi * step.wpr + wt * step.wpi;
            }
            StageChunk(data, nComplex, half, t0, count, chunkWr, chunkWi);
        }
    }
}

#if KLV_FFT_SSE2

// ---- Twiddles, made once --------------------------------------------------

constexpr uint32_t kMaxComplexPoints = 2 * kMaxSpectralSize;

// The twiddles of every stage with half = 2 .. kMaxComplexPoints/2, from the
// same recurrence as the plain sweep. Stored in the form the butterflies use
// them, two twiddles t, t+1 per group of eight doubles:
//   wr_t, wr_t, wr_t+1, wr_t+1, -wi_t, wi_t, -wi_t+1, wi_t+1
// so that (wr, wr) * (br, bi) + (-wi, wi) * (bi, br) gives (tr, ti) with the
// plain sweep's products and sums (x + (-y) is x - y exactly). Stage `half`
// starts at 4 * (half - 2). Null when the memory cannot be had.
class TwiddleTable {
public:
    TwiddleTable() : values_(new (std::nothrow) double[4 * (kMaxComplexPoints - 2)])
    {
        if (values_ == nullptr)
            return;
        for (uint32_t half = 2; half < kMaxComplexPoints; half <<= 1)
            FillStage(half, values_ + 4 * (half - 2));
    }
    ~TwiddleTable() { delete[] values_; }
    TwiddleTable(const TwiddleTable&) = delete;
    TwiddleTable& operator=(const TwiddleTable&) = delete;

    const double* Stage(uint32_t half) const
    {
        return values_ == nullptr ? nullptr : values_ + 4 * (half - 2);
    }

private:
    static void FillStage(uint32_t half, double* out)
    {
        const TwiddleStep step = StageStep(half);
        double wr = 1.0;
        double wi = 0.0;
        for (uint32_t t = 0; t < half; ++t) {
            double* group = out + 8 * (t / 2);
            const uint32_t lane = 2 * (t % 2);
            group[lane] = wr;
            group[lane + 1] = wr;
            group[4 + lane] = -wi;
            group[4 + lane + 1] = wi;
            const double wt = wr;
            wr += wt * step.wpr - wi * step.wpi;
            wi += wi * step.wpr + wt * step.wpi;
        }
    }

    double* values_;
};

const TwiddleTable& Twiddles()
{
    static const TwiddleTable table;
    return table;
}

// ---- Bit reversal ---------------------------------------------------------

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

// The bits of i in reverse order, of a 16-bit index shifted down to `bits`.
inline uint32_t ReverseIndex(uint32_t i, uint32_t shift)
{
    const uint32_t r = (static_cast<uint32_t>(kByteReversal.value[i & 0xFF]) << 8) |
                       kByteReversal.value[(i >> 8) & 0xFF];
    return r >> shift;
}

// Swaps each point with the one at its bit-reversed index; a point (two
// floats) moves as one 8-byte word.
void BitReversePermute(float* data, uint32_t nComplex, uint32_t log2n)
{
    const uint32_t shift = 16 - log2n;
    for (uint32_t i = 1; i + 1 < nComplex; ++i) {
        const uint32_t j = ReverseIndex(i, shift);
        if (j > i) {
            uint64_t a, b;
            std::memcpy(&a, data + 2 * i, 8);
            std::memcpy(&b, data + 2 * j, 8);
            std::memcpy(data + 2 * i, &b, 8);
            std::memcpy(data + 2 * j, &a, 8);
        }
    }
}

// ---- Butterflies ----------------------------------------------------------

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
// pair (wr, wr) and (-wi, wi).
inline __m128 TwiddleProduct(__m128d b, __m128d wrwr, __m128d wiSigned)
{
    const __m128d swapped = _mm_shuffle_pd(b, b, 1);
    return _mm_cvtpd_ps(_mm_add_pd(_mm_mul_pd(wrwr, b), _mm_mul_pd(wiSigned, swapped)));
}

// Two butterflies: points a = (a_t, a_t+1), b = (b_t, b_t+1) with the
// twiddle group of t, t+1.
inline void ButterflyPair(float* a, float* b, const double* group)
{
    const __m128 bv = _mm_loadu_ps(b);
    const __m128 t0 = TwiddleProduct(_mm_cvtps_pd(bv), _mm_load_pd(group), _mm_load_pd(group + 4));
    const __m128 t1 = TwiddleProduct(_mm_cvtps_pd(_mm_movehl_ps(bv, bv)), _mm_load_pd(group + 2),
                                     _mm_load_pd(group + 6));
    const __m128 t = _mm_movelh_ps(t0, t1);
    const __m128 av = _mm_loadu_ps(a);
    _mm_storeu_ps(b, _mm_sub_ps(av, t));
    _mm_storeu_ps(a, _mm_add_ps(av, t));
}

// The stages with half = 1 and 2 in one pass over groups of four points:
// their butterflies stay within the group. Stage 1 and the first butterfly
// of stage 2 use w = (1, 0); the second of stage 2 its twiddle from the table.
void FirstTwoStages(float* data, uint32_t nComplex, const double* stage2)
{
    const __m128d wrwr = _mm_load_pd(stage2 + 2);
    const __m128d wiSigned = _mm_load_pd(stage2 + 6);
    for (uint32_t i = 0; i < nComplex; i += 4) {
        float* p = data + 2 * i;
        const __m128 v0 = _mm_loadu_ps(p);       // x0, x1
        const __m128 v1 = _mm_loadu_ps(p + 4);   // x2, x3
        // Stage 1: (x0, x1) and (x2, x3).
        const __m128 a = _mm_movelh_ps(v0, v1);   // x0, x2
        const __m128 b = _mm_movehl_ps(v1, v0);   // x1, x3
        const __m128 t = UnitTwiddleProduct(b);
        const __m128 sum = _mm_add_ps(a, t);   // x0', x2'
        const __m128 dif = _mm_sub_ps(a, t);   // x1', x3'
        // Stage 2: (x0', x2') with w = (1, 0), (x1', x3') with the twiddle.
        const __m128 lo = _mm_movelh_ps(sum, dif);   // x0', x1'
        const __m128 hi = _mm_movehl_ps(dif, sum);   // x2', x3'
        const __m128 tUnit = UnitTwiddleProduct(hi);
        const __m128 tTwiddle = TwiddleProduct(_mm_cvtps_pd(_mm_movehl_ps(hi, hi)), wrwr, wiSigned);
        const __m128 t2 = _mm_movelh_ps(tUnit, tTwiddle);
        _mm_storeu_ps(p, _mm_add_ps(lo, t2));
        _mm_storeu_ps(p + 4, _mm_sub_ps(lo, t2));
    }
}

// The stages with half = halfFrom .. halfTo/2 (halfFrom >= 4) over nComplex
// points.
void Stages(float* data, uint32_t nComplex, uint32_t halfFrom, uint32_t halfTo,
            const TwiddleTable& twiddles)
{
    for (uint32_t half = halfFrom; half < halfTo; half <<= 1) {
        const double* stage = twiddles.Stage(half);
        for (uint32_t block = 0; block < nComplex; block += 2 * half) {
            float* a = data + 2 * block;
            float* b = a + 2 * half;
            for (uint32_t t = 0; t < half; t += 2)
                ButterflyPair(a + 2 * t, b + 2 * t, stage + 4 * t);
        }
    }
}

// Points per block whose stages run together before the next block: 16 KB of
// data, which stays in the first-level cache.
constexpr uint32_t kCacheBlockPoints = 2048;

bool FastFft(float* data, uint32_t nComplex)
{
    const TwiddleTable& twiddles = Twiddles();
    if (nComplex < 4 || nComplex > kMaxComplexPoints || twiddles.Stage(2) == nullptr)
        return false;
    uint32_t log2n = 0;
    while ((1u << log2n) < nComplex)
        ++log2n;
    BitReversePermute(data, nComplex, log2n);
    FirstTwoStages(data, nComplex, twiddles.Stage(2));
    const uint32_t block = std::min(nComplex, kCacheBlockPoints);
    for (uint32_t start = 0; start < nComplex; start += block)
        Stages(data + 2 * start, block, 4, block, twiddles);
    Stages(data, nComplex, block, nComplex, twiddles);
    return true;
}

#endif  // KLV_FFT_SSE2

}  // namespace

void ComplexFftInPlacePlain(float* data, uint32_t nComplex)
{
    if (nComplex < 2)
        return;
    PlainFft(data, nComplex);
}

void ComplexFftInPlace(float* data, uint32_t nComplex)
{
    if (nComplex < 2)
        return;
#if KLV_FFT_SSE2
    if (FastFft(data, nComplex))
        return;
#endif
    PlainFft(data, nComplex);
}

}  // namespace sigproc
