// Segment-averaged power spectrum of a graph and its decibel scale.
#include "signalproc.h"

#include <cmath>
#include <limits>

namespace sigproc {

uint32_t SpectralSize(int32_t nSize, bool overlap) {
  const int32_t limit = overlap ? nSize / 2 : nSize / 4;
  for (uint32_t m = kMaxSpectralSize; m >= 2; m >>= 1) {
    if (static_cast<int64_t>(m) <= limit)
      return m;
  }
  return 2;
}

uint32_t SpectrumPassCount(uint32_t n, uint32_t m, bool overlap) {
  if (m == 0)
    return 0;
  if (overlap) {
    const uint32_t segments = n / m;
    return segments == 0 ? 0 : (segments - 1) / 2;
  }
  return n / (4 * m);
}

double NyquistFrequency(double dTimeBase) {
  if (!(dTimeBase > 0.0))
    return 0.0;
  return 0.5 / dTimeBase;
}

namespace {

// Loads one pass: 2m points, segment at realStart as real parts and the one
// at imagStart as imaginary parts (rectangular window: every weight 1).
void LoadPass(const RawSignal& signal, uint32_t m, uint32_t realStart,
              uint32_t imagStart, float* z) {
  for (uint32_t t = 0; t < 2 * m; ++t) {
    z[2 * t] = signal.At(realStart + t);
    z[2 * t + 1] = signal.At(imagStart + t);
  }
}

// Adds the pass's periodograms: bin i gets |Z[i]|^2 + |Z[2m-i]|^2, which for
// the two real segments A, B is 2(|A[i]|^2 + |B[i]|^2) (bin 0: A0^2 + B0^2).
void AccumulatePower(const float* z, uint32_t m, float* power) {
  power[0] += z[0] * z[0] + z[1] * z[1];
  for (uint32_t i = 1; i < m; ++i) {
    const float* lo = z + 2 * i;
    const float* hi = z + 2 * (2 * m - i);
    power[i] += lo[0] * lo[0] + lo[1] * lo[1] + hi[0] * hi[0] + hi[1] * hi[1];
  }
}

}  // namespace

uint32_t EstimatePowerSpectrum(const RawSignal& signal, uint32_t m, bool overlap,
                               float* work, float* power) {
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
  for (uint32_t p = 0; p < k; ++p) {
    const uint32_t start = p * passStep;
    LoadPass(signal, m, start, start + imagOffset, work);
    ComplexFftInPlace(work, 2 * m);
    AccumulatePower(work, m, power);
  }

  // k passes, each of two segments whose squared window weights sum to 2m,
  // and the transform's gain: 8 k m^2 in all.
  const double norm = 8.0 * k * static_cast<double>(m) * m;
  for (uint32_t i = 0; i < m; ++i)
    power[i] = static_cast<float>(power[i] / norm);
  return k;
}

int32_t DecibelFactor(int32_t span) {
  return span > 0 ? 2047 / span : 0;
}

namespace {

// Truncates toward zero into the 16-bit range; out-of-range values are held
// at its ends rather than wrapping around to the other end of the scale.
int16_t TruncateToRaw(float v) {
  if (v >= 32767.0f)
    return std::numeric_limits<int16_t>::max();
  if (v <= -32768.0f)
    return std::numeric_limits<int16_t>::min();
  return static_cast<int16_t>(static_cast<int32_t>(v));
}

}  // namespace

void PowerToDecibelRaw(const float* power, uint32_t m, int32_t span, int16_t* out) {
  const float S = static_cast<float>(DecibelFactor(span));
  int16_t previous = kNoPowerRaw;
  for (uint32_t i = 0; i < m; ++i) {
    if (power[i] > 0.0f) {
      // Step by step through float variables, so that a build whose floating
      // point unit keeps more precision rounds exactly as single precision
      // does and gives the same raw values.
      const float lg = std::log10(power[i]);
      const float decibels = 10.0f * lg;
      const float scaled = decibels * S;
      const float v = scaled + 2047.0f;
      // Infinite power with S = 0 gives no number: treated as no power.
      if (!std::isnan(v))
        previous = TruncateToRaw(v);
    }
    out[i] = previous;
  }
}

bool SpectrumToDecibelRaw(const RawSignal& signal, uint32_t m, bool overlap, int32_t span,
                          float* work, float* power, int16_t* out) {
  if (work == nullptr || power == nullptr) {
    for (uint32_t i = 0; i < m; ++i)
      out[i] = kNoPowerRaw;
    return false;
  }
  EstimatePowerSpectrum(signal, m, overlap, work, power);
  PowerToDecibelRaw(power, m, span, out);
  return true;
}

}  // namespace sigproc
