// Signal processing on graph samples: the centred moving average and the
// segment-averaged power spectrum on a decibel scale. Portable: no window
// system here; the exported calls of varnok.dll (graphlib/win/signal.cpp)
// find the graph and its buffers and call these.
#ifndef SIGNALPROC_H
#define SIGNALPROC_H

#include <cstdint>

namespace sigproc {

// ---- Moving average -------------------------------------------------------

// Graphs shorter than this are left alone by the moving average.
constexpr int32_t kSmoothMinSamples = 20;
// Longest averaging window: the size of the ring of read-ahead samples.
constexpr uint32_t kSmoothMaxWindow = 999;

// Replaces samples[0 .. nSize-1] by the mean of the unsmoothed samples
// i .. i+a-1, stored at i + a/2 (truncated toward zero). The first a/2 and
// the last a - 1 - a/2 samples keep their values. Nothing changes when
// nSize < 20, a > 999, a == 0 (no mean of no samples) or a > nSize (no
// complete window fits, and reading one would run past the buffer).
// Returns true when the samples were averaged.
bool SmoothSamples(int16_t* samples, int32_t nSize, uint32_t windowLength);

// ---- Spectrum ---------------------------------------------------------------

// Largest spectral size (number of output bins).
constexpr uint32_t kMaxSpectralSize = 32768;

// Number of bins m for a graph of nSize samples: the largest power of two
// 2^e (e = 15 .. 1) not above nSize/4 (nSize/2 with overlapping segments),
// or 2 when none fits (also for an empty or negative size).
uint32_t SpectralSize(int32_t nSize, bool overlap);

// Number of transforms k over n samples with m bins. Each one takes two
// segments of 2m samples; with overlap, segments start m apart and
// (2k+1)m samples are read, without, 4km. Never reads beyond n: too few
// samples give 0 passes.
uint32_t SpectrumPassCount(uint32_t n, uint32_t m, bool overlap);

// Highest frequency of a graph in hertz; 0 for a time base that is not
// positive (no frequency range).
double NyquistFrequency(double dTimeBase);

// The window's y scaling: raw nMaxBit stands for dMaxValue, raw 0 for
// dMinValue.
struct PhysicalScale {
    int16_t nMaxBit;
    double dMinValue;
    double dMaxValue;
};

// The samples a spectrum is estimated from, converted on reading.
struct RawSignal {
    const int16_t* samples;
    uint32_t count;
    PhysicalScale scale;

    float At(uint32_t i) const
    {
        return static_cast<float>(static_cast<double>(samples[i]) / scale.nMaxBit *
                                      (scale.dMaxValue - scale.dMinValue) +
                                  scale.dMinValue);
    }
};

// In-place radix-2 complex transform of nComplex points stored as
// interleaved (real, imaginary) single-precision pairs; nComplex is a power
// of two. Forward direction (e^{-2 pi i jk/N}), unscaled. The twiddle factors
// advance by the trigonometric recurrence in double precision.
// Up to 65536 points the x86_64 build takes a vectorised path whose results
// are bit for bit those of the plain sweep below.
void ComplexFftInPlace(float* data, uint32_t nComplex);

// The same transform as a plain stage-by-stage sweep: what builds without
// SSE2 run, and the reference the fast path is checked against.
void ComplexFftInPlacePlain(float* data, uint32_t nComplex);

// Floats of working memory the estimate needs for m bins: 2m complex points.
constexpr uint32_t SpectrumWorkFloats(uint32_t m)
{
    return 4 * m;
}

// Averaged power spectrum of the signal with m bins (m a power of two,
// 2 .. 32768): power[0 .. m-1] is filled, work must hold 4m floats. Two
// segments go through one complex transform, the first as real, the second
// as imaginary parts; rectangular window; normalised by 8 k m^2 so that a
// constant c gives c^2 in bin 0 and a sine of amplitude 1 on a bin gives
// 0.5 there. With no passes (k = 0) every bin stays 0.
// Returns the number of passes k.
uint32_t EstimatePowerSpectrum(const RawSignal& signal, uint32_t m, bool overlap, float* work,
                               float* power);

// Raw units per decibel for a decibel span b: trunc(2047 / b). The span must
// be positive.
int32_t DecibelFactor(int32_t span);

// Raw value written for bins without positive power before any bin with
// positive power: the bottom of the raw range.
constexpr int16_t kNoPowerRaw = 0;

// Maps power to raw values: 0 dB is 2047, each decibel S raw units,
// v = 10 log10(P) S + 2047 in single precision, truncated toward zero. A bin
// whose power is not positive repeats the previous bin's value (kNoPowerRaw
// if there is none). Values are not clipped to the display range; only
// values beyond the 16-bit range are held at its ends instead of wrapping.
void PowerToDecibelRaw(const float* power, uint32_t m, int32_t span, int16_t* out);

// Everything between a graph and its m raw decibel values: the estimate into
// work (4m floats) and power (m floats), then the mapping into out (m values).
// Without working memory (work or power null) there is no estimate: every
// bin has no power and out holds kNoPowerRaw throughout. Returns false then,
// so that the caller can tell the user.
bool SpectrumToDecibelRaw(const RawSignal& signal, uint32_t m, bool overlap, int32_t span,
                          float* work, float* power, int16_t* out);

} // namespace sigproc

#endif
