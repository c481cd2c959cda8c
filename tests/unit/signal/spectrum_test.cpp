// Spectral size, pass count, decibel scale and the spectra of known signals.
#include "signalproc.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <utility>
#include <vector>

namespace {

using sigproc::PhysicalScale;
using sigproc::RawSignal;

TEST(SpectralSize, SizesOfTheDevicesGraphs)
{
    EXPECT_EQ(sigproc::SpectralSize(3750, false), 512u);
    EXPECT_EQ(sigproc::SpectralSize(3750, true), 1024u);
    EXPECT_EQ(sigproc::SpectralSize(6250, false), 1024u);
    EXPECT_EQ(sigproc::SpectralSize(6250, true), 2048u);
}

TEST(SpectralSize, SmallestAndLargest)
{
    EXPECT_EQ(sigproc::SpectralSize(7, false), 2u);
    EXPECT_EQ(sigproc::SpectralSize(7, true), 2u);
    EXPECT_EQ(sigproc::SpectralSize(200000, true), 32768u);
    EXPECT_EQ(sigproc::SpectralSize(200000, false), 32768u);
    EXPECT_EQ(sigproc::SpectralSize(0x7fffffff, false), 32768u);
    // Exactly at a power of two and just below it.
    EXPECT_EQ(sigproc::SpectralSize(16, false), 4u);
    EXPECT_EQ(sigproc::SpectralSize(15, false), 2u);
    EXPECT_EQ(sigproc::SpectralSize(131072, false), 32768u);
    EXPECT_EQ(sigproc::SpectralSize(131071, false), 16384u);
    EXPECT_EQ(sigproc::SpectralSize(8, true), 4u);
    EXPECT_EQ(sigproc::SpectralSize(7, true), 2u);
    // No graph, or a nonsense size: the smallest size.
    EXPECT_EQ(sigproc::SpectralSize(0, true), 2u);
    EXPECT_EQ(sigproc::SpectralSize(-100, false), 2u);
}

TEST(SpectrumPassCount, WithAndWithoutOverlap)
{
    EXPECT_EQ(sigproc::SpectrumPassCount(3750, 512, false), 1u);
    EXPECT_EQ(sigproc::SpectrumPassCount(3750, 1024, true), 1u);
    EXPECT_EQ(sigproc::SpectrumPassCount(200000, 32768, true), 2u);
    EXPECT_EQ(sigproc::SpectrumPassCount(200000, 32768, false), 1u);
    EXPECT_EQ(sigproc::SpectrumPassCount(1000, 16, true), 30u);  // (62 - 1) / 2
    EXPECT_EQ(sigproc::SpectrumPassCount(1000, 16, false), 15u); // 1000 / 64
}

TEST(SpectrumPassCount, TooFewSamplesGiveNoPass)
{
    EXPECT_EQ(sigproc::SpectrumPassCount(7, 2, false), 0u);
    EXPECT_EQ(sigproc::SpectrumPassCount(2500, 1024, true), 0u); // under 3m
    EXPECT_EQ(sigproc::SpectrumPassCount(3071, 1024, true), 0u);
    EXPECT_EQ(sigproc::SpectrumPassCount(3072, 1024, true), 1u);
    // Fewer samples than one segment must not wrap around to a huge count.
    EXPECT_EQ(sigproc::SpectrumPassCount(1, 2, true), 0u);
    EXPECT_EQ(sigproc::SpectrumPassCount(0, 2, true), 0u);
}

TEST(SpectrumPassCount, PassesNeverReadBeyondTheGraph)
{
    for (uint32_t n = 0; n < 5000; n += 7) {
        for (bool overlap : {false, true}) {
            const uint32_t m = sigproc::SpectralSize(static_cast<int32_t>(n), overlap);
            const uint32_t k = sigproc::SpectrumPassCount(n, m, overlap);
            const uint64_t read = overlap ? (2ull * k + 1) * m : 4ull * k * m;
            if (k > 0) {
                ASSERT_LE(read, n) << "n=" << n << " overlap=" << overlap;
            }
        }
    }
}

TEST(NyquistFrequency, OfTheDevicesTimeBase)
{
    EXPECT_DOUBLE_EQ(sigproc::NyquistFrequency(0.0016), 312.5);
    EXPECT_DOUBLE_EQ(sigproc::NyquistFrequency(0.5), 1.0);
    EXPECT_EQ(sigproc::NyquistFrequency(0.0), 0.0);
    EXPECT_EQ(sigproc::NyquistFrequency(-0.0016), 0.0);
}

TEST(DecibelScale, SpanOfSixtyDecibels)
{
    EXPECT_EQ(sigproc::DecibelFactor(60), 34);
    const std::vector<float> power = {1.0f, 1e6f, 1e-6f, 10.0f, 0.1f};
    std::vector<int16_t> out(power.size());
    sigproc::PowerToDecibelRaw(power.data(), power.size(), 60, out.data());
    EXPECT_EQ(out[0], 2047);
    EXPECT_EQ(out[1], 4087);
    EXPECT_EQ(out[2], 7);
    EXPECT_EQ(out[3], 2047 + 340);
    EXPECT_EQ(out[4], 2047 - 340);
}

TEST(DecibelScale, ValuesBeyondTheSpanAreNotClipped)
{
    const std::vector<float> power = {1e8f, 1e-8f};
    std::vector<int16_t> out(2);
    sigproc::PowerToDecibelRaw(power.data(), 2, 60, out.data());
    EXPECT_EQ(out[0], 2047 + 80 * 34);
    EXPECT_EQ(out[1], 2047 - 80 * 34);
}

TEST(DecibelScale, NonPositivePowerRepeatsThePreviousBin)
{
    const std::vector<float> power = {0.0f, -1.0f, 1.0f, 0.0f, -3.0f, 10.0f, 0.0f};
    std::vector<int16_t> out(power.size(), 1234);
    sigproc::PowerToDecibelRaw(power.data(), power.size(), 60, out.data());
    const std::vector<int16_t> expected = {
        sigproc::kNoPowerRaw, sigproc::kNoPowerRaw, 2047, 2047, 2047, 2387, 2387};
    EXPECT_EQ(out, expected);
}

TEST(DecibelScale, SpansOutsideTheUsualRange)
{
    // Spans above 2047 leave no raw unit per decibel: everything at 0 dB.
    EXPECT_EQ(sigproc::DecibelFactor(2048), 0);
    const std::vector<float> power = {1e-20f, 1e20f};
    std::vector<int16_t> out(2);
    sigproc::PowerToDecibelRaw(power.data(), 2, 5000, out.data());
    EXPECT_EQ(out[0], 2047);
    EXPECT_EQ(out[1], 2047);
    // A span of one decibel puts the smallest powers beyond 16 bits: they stay
    // at the end of the range instead of wrapping to the top.
    const std::vector<float> tiny = {1e-30f, 1e30f};
    sigproc::PowerToDecibelRaw(tiny.data(), 2, 1, out.data());
    EXPECT_EQ(out[0], -32768);
    EXPECT_EQ(out[1], 32767);
    EXPECT_EQ(sigproc::DecibelFactor(0), 0);
    EXPECT_EQ(sigproc::DecibelFactor(-60), 0);
}

// A graph as the window sees it: raw samples with the window's scaling.
struct Graph {
    std::vector<int16_t> raw;
    PhysicalScale scale;
    RawSignal Signal() const
    {
        return RawSignal{raw.data(), static_cast<uint32_t>(raw.size()), scale};
    }
};

// Raw value 16384 stands for 1.0, so a sine of amplitude 1 is resolved finely.
constexpr PhysicalScale kUnitScale{16384, 0.0, 1.0};

struct Spectrum {
    std::vector<float> power;
    std::vector<int16_t> raw;
    uint32_t passes = 0;
};

Spectrum Compute(const Graph& g, bool overlap, int32_t span)
{
    const uint32_t m = sigproc::SpectralSize(static_cast<int32_t>(g.raw.size()), overlap);
    std::vector<float> work(sigproc::SpectrumWorkFloats(m));
    Spectrum s;
    s.power.resize(m);
    s.raw.resize(m);
    s.passes = sigproc::EstimatePowerSpectrum(g.Signal(), m, overlap, work.data(), s.power.data());
    sigproc::PowerToDecibelRaw(s.power.data(), m, span, s.raw.data());
    return s;
}

TEST(Spectrum, ConstantSignalHasAllPowerInBinZero)
{
    // Raw 2000 of 4095 at 0..300 N: c = 146.52 N.
    Graph g{std::vector<int16_t>(3750, 2000), PhysicalScale{4095, 0.0, 300.0}};
    const float c = g.Signal().At(0);
    for (bool overlap : {false, true}) {
        const Spectrum s = Compute(g, overlap, 60);
        ASSERT_EQ(s.passes, 1u);
        EXPECT_NEAR(s.power[0], c * c, c * c * 1e-6);
        for (size_t i = 1; i < s.power.size(); ++i)
            ASSERT_EQ(s.power[i], 0.0f) << "bin " << i;
        const int16_t bin0 = static_cast<int16_t>(10.0f * std::log10(c * c) * 34.0f + 2047.0f);
        EXPECT_NEAR(s.raw[0], bin0, 1);
        for (size_t i = 1; i < s.raw.size(); ++i)
            ASSERT_EQ(s.raw[i], s.raw[0]) << "bin " << i;
    }
}

TEST(Spectrum, SineOnABinGivesHalfItsSquaredAmplitude)
{
    const int16_t expected = static_cast<int16_t>(10.0f * std::log10(0.5f) * 34.0f + 2047.0f);
    EXPECT_EQ(expected, 1944);
    for (bool overlap : {false, true}) {
        for (uint32_t n : {3750u, 6250u}) {
            const uint32_t m = sigproc::SpectralSize(static_cast<int32_t>(n), overlap);
            for (uint32_t j : {1u, 37u, m / 2, m - 1}) {
                Graph g{std::vector<int16_t>(n), kUnitScale};
                const double pi = 3.14159265358979323846;
                for (uint32_t t = 0; t < n; ++t)
                    g.raw[t] =
                        static_cast<int16_t>(std::lround(16384.0 * std::sin(pi * j * t / m)));
                const Spectrum s = Compute(g, overlap, 60);
                EXPECT_NEAR(s.power[j], 0.5f, 2e-4) << "n=" << n << " j=" << j;
                EXPECT_EQ(s.raw[j], expected) << "n=" << n << " j=" << j;
                // Everything else is rounding, at least 60 dB down; bins with no
                // power at all (half of them: the sine repeats or turns sign every
                // 2m/2 samples) repeat their neighbour below.
                for (uint32_t i = 0; i < m; ++i) {
                    if (i == j)
                        continue;
                    ASSERT_LT(s.power[i], 0.5e-6f) << "n=" << n << " j=" << j << " bin " << i;
                    if (s.power[i] > 0.0f) {
                        ASSERT_LT(s.raw[i], expected - 60 * 34)
                            << "n=" << n << " j=" << j << " bin " << i;
                    } else if (i > 0) {
                        ASSERT_EQ(s.raw[i], s.raw[i - 1])
                            << "n=" << n << " j=" << j << " bin " << i;
                    }
                }
            }
        }
    }
}

TEST(Spectrum, AllZeroSignalGivesTheNoPowerValueEverywhere)
{
    Graph g{std::vector<int16_t>(3750, 0), PhysicalScale{4095, 0.0, 300.0}};
    const Spectrum s = Compute(g, false, 60);
    ASSERT_EQ(s.passes, 1u);
    for (size_t i = 0; i < s.raw.size(); ++i) {
        ASSERT_EQ(s.power[i], 0.0f);
        ASSERT_EQ(s.raw[i], sigproc::kNoPowerRaw);
    }
}

TEST(Spectrum, NoPassesLeaveThePowerZeroInsteadOfDividingByZero)
{
    // With overlap, 2500 samples give m = 1024 but fewer than 3m samples.
    Graph g{std::vector<int16_t>(2500, 1000), PhysicalScale{4095, 0.0, 300.0}};
    const Spectrum s = Compute(g, true, 60);
    EXPECT_EQ(s.passes, 0u);
    ASSERT_EQ(s.power.size(), 1024u);
    for (size_t i = 0; i < s.power.size(); ++i) {
        ASSERT_EQ(s.power[i], 0.0f);
        ASSERT_EQ(s.raw[i], sigproc::kNoPowerRaw);
    }
    // Seven samples without overlap: m = 2, no pass of 8 samples fits.
    Graph tiny{std::vector<int16_t>(7, 1000), PhysicalScale{4095, 0.0, 300.0}};
    const Spectrum t = Compute(tiny, false, 60);
    EXPECT_EQ(t.passes, 0u);
    EXPECT_EQ(t.raw, std::vector<int16_t>(2, sigproc::kNoPowerRaw));
}

TEST(Spectrum, SineOnABinFollowsTheDecibelFactorOfTheSpan)
{
    // 10 log10(0.5) = -3.0103 dB: S raw units per decibel below 2047.
    struct SpanCase {
        int32_t span;
        int16_t expected;
    };
    const SpanCase cases[] = {
        {20, 1739},   // S = 102: 2047 - 307.05
        {100, 1986},  // S = 20: 2047 - 60.21
        {2047, 2043}, // S = 1: 2047 - 3.01
        {3000, 2047}, // S = 0: every value at 0 dB
    };
    Graph g{std::vector<int16_t>(3750), kUnitScale};
    const double pi = 3.14159265358979323846;
    for (uint32_t t = 0; t < 3750; ++t)
        g.raw[t] = static_cast<int16_t>(std::lround(16384.0 * std::sin(pi * 200 * t / 512)));
    for (const SpanCase& c : cases) {
        const Spectrum s = Compute(g, false, c.span);
        EXPECT_EQ(s.raw[200], c.expected) << "span " << c.span;
    }
}

// The step _FFT takes when its working memory cannot be had: no estimate,
// every one of the m bins at the no-power value, nothing past them written.
TEST(Spectrum, MissingWorkingMemoryGivesNoPowerInEveryBin)
{
    Graph g{std::vector<int16_t>(3750, 2000), PhysicalScale{4095, 0.0, 300.0}};
    const uint32_t m = 512;
    std::vector<float> work(sigproc::SpectrumWorkFloats(m));
    std::vector<float> power(m);
    const std::pair<float*, float*> shortages[] = {
        {nullptr, power.data()}, {work.data(), nullptr}, {nullptr, nullptr}};
    int round = 0;
    for (const auto& [w, p] : shortages) {
        std::vector<int16_t> out(m + 1, -999);
        EXPECT_FALSE(sigproc::SpectrumToDecibelRaw(g.Signal(), m, false, 60, w, p, out.data()))
            << "case " << round;
        for (uint32_t i = 0; i < m; ++i)
            ASSERT_EQ(out[i], sigproc::kNoPowerRaw) << "case " << round << " bin " << i;
        EXPECT_EQ(out[m], -999) << "case " << round;
        ++round;
    }
    // With memory the same call makes the estimate: the constant in bin 0.
    std::vector<int16_t> out(m);
    EXPECT_TRUE(sigproc::SpectrumToDecibelRaw(g.Signal(), m, false, 60, work.data(), power.data(),
                                              out.data()));
    const float c = g.Signal().At(0);
    EXPECT_NEAR(out[0], 10.0f * std::log10(c * c) * 34.0f + 2047.0f, 1.0f);
}

TEST(Spectrum, TheLargestGraphUsesTwoOverlappingPasses)
{
    // 200000 samples, overlap: m = 32768, k = 2, (2k+1)m = 163840 samples read.
    // A sine on bin 100 over the read part, and a level that would show in
    // bin 0 if any sample past it were used.
    Graph g{std::vector<int16_t>(200000, 16384), kUnitScale};
    const double pi = 3.14159265358979323846;
    for (uint32_t t = 0; t < 5 * 32768; ++t)
        g.raw[t] = static_cast<int16_t>(std::lround(16384.0 * std::sin(pi * 100 * t / 32768)));
    const Spectrum s = Compute(g, true, 60);
    EXPECT_EQ(s.passes, 2u);
    EXPECT_NEAR(s.power[100], 0.5f, 2e-4);
    EXPECT_LT(s.power[0], 1e-6f);
    EXPECT_EQ(s.raw[100], 1944);
}

} // namespace
