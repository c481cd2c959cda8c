// The transform, bit for bit, against the plain sweep as it was before the
// fast path: the stage-by-stage loop over twiddles, kept here unchanged as the
// oracle. Every power-of-two size 2 .. 65536, on random signals, on the
// signals of a graph's raw values and on values with signed zeros.
#include "signal_fft_simd.h"
#include "signalproc.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <utility>
#include <vector>

namespace {

void OracleFft(float* data, uint32_t nComplex)
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
    const double pi = 3.14159265358979323846;
    for (uint32_t half = 1; half < nComplex; half <<= 1) {
        const double theta = -pi / half;
        const double s = std::sin(0.5 * theta);
        const double wpr = -2.0 * s * s;
        const double wpi = std::sin(theta);
        double wr = 1.0;
        double wi = 0.0;
        const uint32_t span = 2 * half;
        for (uint32_t t = 0; t < half; ++t) {
            for (uint32_t i = t; i < nComplex; i += span) {
                float* a = data + 2 * i;
                float* b = data + 2 * (i + half);
                const float tr = static_cast<float>(wr * b[0] - wi * b[1]);
                const float ti = static_cast<float>(wr * b[1] + wi * b[0]);
                b[0] = a[0] - tr;
                b[1] = a[1] - ti;
                a[0] += tr;
                a[1] += ti;
            }
            const double wt = wr;
            wr += wt * wpr - wi * wpi;
            wi += wi * wpr + wt * wpi;
        }
    }
}

using Signal = std::vector<float>;

// Inputs of one size: uniform noise, a graph's physical values (counts of
// 0 .. 4095 scaled to 300 N, as the spectrum loads them) and a sparse signal
// of signed zeros with a few spikes, where a sign of zero could go astray.
std::vector<Signal> Inputs(uint32_t n, std::mt19937& rng)
{
    std::uniform_real_distribution<float> noise(-1000.0f, 1000.0f);
    std::uniform_int_distribution<int> counts(0, 4095);
    Signal random(2 * n), graph(2 * n), zeros(2 * n);
    for (uint32_t i = 0; i < 2 * n; ++i) {
        random[i] = noise(rng);
        graph[i] = static_cast<float>(counts(rng) / 4095.0 * 300.0);
        zeros[i] = (i % 3 == 0) ? -0.0f : 0.0f;
    }
    zeros[2 * (n / 2)] = 1.5f;
    zeros[1] = -7.25f;
    return {random, graph, zeros};
}

struct Path {
    const char* name;
    void (*transform)(float* data, uint32_t nComplex);
    uint32_t smallest;
};

// The transform as the product calls it, the plain sweep, and on x86_64 each
// vectorised path on its own (the processor running the tests picks only one).
std::vector<Path> Paths()
{
    std::vector<Path> paths = {{"ComplexFftInPlace", sigproc::ComplexFftInPlace, 2},
                               {"plain sweep", sigproc::ComplexFftInPlacePlain, 2}};
#if KLV_FFT_SIMD
    paths.push_back({"SSE2", sigproc::FftSse2, 4});
    if (sigproc::AvxAvailable())
        paths.push_back({"AVX", sigproc::FftAvx, 4});
#endif
    return paths;
}

TEST(FftBitExact, EverySizeMatchesThePlainSweepBitForBit)
{
    std::mt19937 rng(16);
    const std::vector<Path> paths = Paths();
    for (uint32_t n = 2; n <= 65536; n *= 2) {
        int input = 0;
        for (const Signal& signal : Inputs(n, rng)) {
            Signal expected = signal;
            OracleFft(expected.data(), n);
            for (const Path& path : paths) {
                if (n < path.smallest)
                    continue;
                Signal result = signal;
                path.transform(result.data(), n);
                ASSERT_EQ(std::memcmp(result.data(), expected.data(), 8 * n), 0)
                    << path.name << ", n=" << n << " input " << input;
            }
            ++input;
        }
    }
}

}  // namespace
