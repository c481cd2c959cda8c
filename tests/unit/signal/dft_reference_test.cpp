// The transform and the spectrum estimate against a plain O(n^2) discrete
// Fourier transform in double precision on random signals.
#include "signalproc.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdint>
#include <random>
#include <vector>

namespace {

using Complex = std::complex<double>;
const double kPi = 3.14159265358979323846;

std::vector<Complex> PlainDft(const std::vector<Complex>& x)
{
    const size_t n = x.size();
    std::vector<Complex> out(n);
    for (size_t f = 0; f < n; ++f) {
        Complex sum = 0.0;
        for (size_t t = 0; t < n; ++t)
            sum += x[t] * std::polar(1.0, -2.0 * kPi * static_cast<double>((f * t) % n) / n);
        out[f] = sum;
    }
    return out;
}

TEST(ComplexFft, MatchesThePlainTransform)
{
    std::mt19937 gen(11);
    std::uniform_real_distribution<float> dist(-1.0f, 1.0f);
    for (uint32_t n = 2; n <= 1024; n *= 2) {
        std::vector<float> data(2 * n);
        std::vector<Complex> x(n);
        for (uint32_t t = 0; t < n; ++t) {
            data[2 * t] = dist(gen);
            data[2 * t + 1] = dist(gen);
            x[t] = Complex(data[2 * t], data[2 * t + 1]);
        }
        sigproc::ComplexFftInPlace(data.data(), n);
        const std::vector<Complex> ref = PlainDft(x);
        // Single-precision rounding grows with log n on values of size sqrt(n).
        const double tol = 1e-6 * std::sqrt(static_cast<double>(n)) * (1 + std::log2(n));
        for (uint32_t f = 0; f < n; ++f) {
            ASSERT_NEAR(data[2 * f], ref[f].real(), tol) << "n=" << n << " bin " << f;
            ASSERT_NEAR(data[2 * f + 1], ref[f].imag(), tol) << "n=" << n << " bin " << f;
        }
    }
}

// The estimate by its definition: every segment of 2m samples transformed on
// its own as a real signal; bin 0 gets A0^2, bin i gets 2|A_i|^2 per segment;
// the sum divided by 8 k m^2.
std::vector<double> ReferencePower(const std::vector<double>& x, uint32_t m, bool overlap)
{
    const uint32_t n = static_cast<uint32_t>(x.size());
    std::vector<double> power(m, 0.0);
    std::vector<uint32_t> starts;
    if (overlap) {
        const uint32_t segments = n / m;
        const uint32_t k = segments == 0 ? 0 : (segments - 1) / 2;
        for (uint32_t s = 0; s < 2 * k; ++s)
            starts.push_back(s * m);
    } else {
        const uint32_t k = n / (4 * m);
        for (uint32_t s = 0; s < 2 * k; ++s)
            starts.push_back(s * 2 * m);
    }
    for (uint32_t start : starts) {
        std::vector<Complex> seg(2 * m);
        for (uint32_t t = 0; t < 2 * m; ++t)
            seg[t] = x.at(start + t);
        const std::vector<Complex> bins = PlainDft(seg);
        power[0] += std::norm(bins[0]);
        for (uint32_t i = 1; i < m; ++i)
            power[i] += 2.0 * std::norm(bins[i]);
    }
    const double k = starts.size() / 2.0;
    for (auto& p : power)
        p /= 8.0 * k * m * m;
    return power;
}

struct Case {
    uint32_t n;
    uint32_t m;
    bool overlap;
};

TEST(SpectrumEstimate, MatchesThePlainTransformOnRandomSignals)
{
    const Case cases[] = {
        {1000, 128, false}, // the size rule's choice: one pass
        {1000, 256, true},  // the size rule's choice: one overlapping pass
        {3750, 512, false}, // the device's graph
        {1000, 16, false},  // 15 passes
        {1000, 16, true},   // 30 overlapping passes
        {777, 32, true},    // passes leave a remainder unread
        {64, 2, false},     // the smallest size
        {2100, 64, true},
    };
    std::mt19937 gen(12);
    std::uniform_int_distribution<int> dist(0, 4095);
    const sigproc::PhysicalScale scale{4095, -250.0, 500.0};
    for (const Case& c : cases) {
        std::vector<int16_t> raw(c.n);
        for (auto& v : raw)
            v = static_cast<int16_t>(dist(gen));
        // Values past the graph that would stand out in every bin if read.
        std::vector<int16_t> block = raw;
        block.resize(c.n + 4 * c.m + 8, 32767);
        const sigproc::RawSignal signal{block.data(), c.n, scale};

        std::vector<double> x(c.n);
        for (uint32_t t = 0; t < c.n; ++t)
            x[t] = raw[t] / 4095.0 * 750.0 - 250.0;

        std::vector<float> work(sigproc::SpectrumWorkFloats(c.m));
        std::vector<float> power(c.m);
        const uint32_t k =
            sigproc::EstimatePowerSpectrum(signal, c.m, c.overlap, work.data(), power.data());
        ASSERT_GT(k, 0u);
        const std::vector<double> ref = ReferencePower(x, c.m, c.overlap);
        const double peak = *std::max_element(ref.begin(), ref.end());
        for (uint32_t i = 0; i < c.m; ++i) {
            // Relative to the bin and to the largest bin (rounding of the transform).
            const double tol = 1e-4 * ref[i] + 1e-6 * peak;
            ASSERT_NEAR(power[i], ref[i], tol)
                << "n=" << c.n << " m=" << c.m << " overlap=" << c.overlap << " bin " << i;
        }
    }
}

} // namespace
