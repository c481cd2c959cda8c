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
#include "signal_fft_simd.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <utility>

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

} // namespace

#if KLV_FFT_SIMD

namespace {

// The twiddles of every stage with half = 2 .. kFftMaxPoints/2, from the
// same recurrence as the plain sweep, in the layout of signal_fft_simd.h.
// Stage `half` starts at 4 * (half - 2). Null when the memory cannot be had.
class TwiddleTable {
public:
    TwiddleTable() : values_(new (std::nothrow) double[4 * (kFftMaxPoints - 2)])
    {
        if (values_ == nullptr)
            return;
        for (uint32_t half = 2; half < kFftMaxPoints; half <<= 1)
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

} // namespace

const double* FftStageTwiddles(uint32_t half)
{
    static const TwiddleTable table;
    return table.Stage(half);
}

bool AvxAvailable()
{
    static const bool available = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx") != 0;
    }();
    return available;
}

bool Avx512Available()
{
    static const bool available = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx512f") != 0;
    }();
    return available;
}

#endif // KLV_FFT_SIMD

namespace {

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

#if KLV_FFT_SIMD

// The fastest butterflies the processor runs.
void FastFftFromOrder(float* data, uint32_t nComplex, bool inReversedOrder)
{
    if (Avx512Available())
        FftAvx512(data, nComplex, inReversedOrder);
    else if (AvxAvailable())
        FftAvx(data, nComplex, inReversedOrder);
    else
        FftSse2(data, nComplex, inReversedOrder);
}

bool FastFft(float* data, uint32_t nComplex)
{
    if (!FastFftAvailable(nComplex))
        return false;
    FastFftFromOrder(data, nComplex, false);
    return true;
}

#endif // KLV_FFT_SIMD

} // namespace

#if KLV_FFT_SIMD

bool FastFftAvailable(uint32_t nComplex)
{
    return nComplex >= 4 && nComplex <= kFftMaxPoints && FftStageTwiddles(2) != nullptr;
}

void FastFftOfReversed(float* data, uint32_t nComplex)
{
    FastFftFromOrder(data, nComplex, true);
}

#endif // KLV_FFT_SIMD

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
#if KLV_FFT_SIMD
    if (FastFft(data, nComplex))
        return;
#endif
    PlainFft(data, nComplex);
}

} // namespace sigproc
