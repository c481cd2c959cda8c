// The vectorised transform of the x86_64 build (signal_fft_sse2.cpp,
// signal_fft_avx.cpp): what the plain sweep and the fast paths share.
#pragma once

#include <cstdint>

#if defined(__x86_64__) && defined(__SSE2__)
#define KLV_FFT_SIMD 1
#else
#define KLV_FFT_SIMD 0
#endif

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

// Whether the processor and the system run AVX instructions.
bool AvxAvailable();

// The transform of 4 .. kFftMaxPoints points (a power of two) with SSE2 or
// AVX butterflies; the twiddles must be available.
void FftSse2(float* data, uint32_t nComplex);
void FftAvx(float* data, uint32_t nComplex);

} // namespace sigproc

#endif // KLV_FFT_SIMD
