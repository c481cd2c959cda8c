// Radix-2 complex transform on single-precision data, in place.
#include "signalproc.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace sigproc {

namespace {

// Puts point i at the bit-reversed position of i.
void BitReversePermute(float* data, uint32_t nComplex) {
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

// Butterflies of one stage for the twiddles t0 .. t0+count-1, block by block:
// the points a block touches lie together, so a long transform is not swept
// once per twiddle factor.
void StageChunk(float* data, uint32_t nComplex, uint32_t half, uint32_t t0, uint32_t count,
                const double* wr, const double* wi) {
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

}  // namespace

void ComplexFftInPlace(float* data, uint32_t nComplex) {
  if (nComplex < 2)
    return;
  BitReversePermute(data, nComplex);

  const double pi = 3.14159265358979323846;
  // Stage by stage, butterflies `half` points apart. The twiddle factor
  // w = e^{-i pi t/half} advances from t to t+1 by the recurrence
  // w += w * (wp - 1), with wp - 1 = (-2 sin^2(theta/2), sin(theta)), kept in
  // double so that the error stays far below single precision.
  for (uint32_t half = 1; half < nComplex; half <<= 1) {
    const double theta = -pi / half;
    const double s = std::sin(0.5 * theta);
    const double wpr = -2.0 * s * s;
    const double wpi = std::sin(theta);
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
        wr += wt * wpr - wi * wpi;
        wi += wi * wpr + wt * wpi;
      }
      StageChunk(data, nComplex, half, t0, count, chunkWr, chunkWi);
    }
  }
}

}  // namespace sigproc
