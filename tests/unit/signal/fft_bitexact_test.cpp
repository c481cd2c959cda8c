// The spectrum, bit for bit, against the plain steps as they were before the
// fast paths, kept here unchanged as the oracle: the transform (stage by stage
// over twiddles) for every power-of-two size 2 .. 65536 on random signals, a
// graph's values and signed zeros; the power estimate; the decibel mapping.
#include "signal_fft_simd.h"
#include "signalproc.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
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
    paths.push_back({"SSE2", [](float* d, uint32_t n) { sigproc::FftSse2(d, n); }, 4});
    if (sigproc::AvxAvailable())
        paths.push_back({"AVX", [](float* d, uint32_t n) { sigproc::FftAvx(d, n); }, 4});
    if (sigproc::Avx512Available())
        paths.push_back({"AVX-512", [](float* d, uint32_t n) { sigproc::FftAvx512(d, n); }, 4});
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

// The estimate as it was: sample by sample conversion, the oracle transform,
// bin by bin accumulation and division.
std::vector<float> OraclePower(const sigproc::RawSignal& signal, uint32_t m, bool overlap)
{
    std::vector<float> power(m, 0.0f), z(4 * m);
    const uint32_t k = sigproc::SpectrumPassCount(signal.count, m, overlap);
    for (uint32_t p = 0; p < k; ++p) {
        const uint32_t start = p * (overlap ? 2 * m : 4 * m);
        const uint32_t imag = start + (overlap ? m : 2 * m);
        for (uint32_t t = 0; t < 2 * m; ++t) {
            z[2 * t] = signal.At(start + t);
            z[2 * t + 1] = signal.At(imag + t);
        }
        OracleFft(z.data(), 2 * m);
        power[0] += z[0] * z[0] + z[1] * z[1];
        for (uint32_t i = 1; i < m; ++i) {
            const float* lo = &z[2 * i];
            const float* hi = &z[2 * (2 * m - i)];
            power[i] += lo[0] * lo[0] + lo[1] * lo[1] + hi[0] * hi[0] + hi[1] * hi[1];
        }
    }
    const double norm = 8.0 * k * static_cast<double>(m) * m;
    for (uint32_t i = 0; k > 0 && i < m; ++i)
        power[i] = static_cast<float>(power[i] / norm);
    return power;
}

TEST(SpectrumBitExact, PowerMatchesThePlainStepsBitForBit)
{
    struct Case {
        int32_t n;
        bool overlap;
        sigproc::PhysicalScale scale;
    };
    const Case cases[] = {
        {3750, false, {4095, 0.0, 300.0}},     {3750, true, {4095, 0.0, 500.0}},
        {200000, true, {4095, -250.0, 500.0}}, {777, true, {1000, 3.5, -7.25}},
        {64, false, {4095, 0.0, 300.0}},       {9, true, {4095, 0.0, 300.0}},
        {8, false, {4095, 0.0, 300.0}},
    };
    std::mt19937 rng(1616);
    std::uniform_int_distribution<int> counts(-32768, 32767);
    for (const Case& c : cases) {
        std::vector<int16_t> raw(c.n);
        for (auto& v : raw)
            v = static_cast<int16_t>(counts(rng));
        const sigproc::RawSignal signal{raw.data(), static_cast<uint32_t>(c.n), c.scale};
        const uint32_t m = sigproc::SpectralSize(c.n, c.overlap);
        std::vector<float> work(sigproc::SpectrumWorkFloats(m)), power(m);
        sigproc::EstimatePowerSpectrum(signal, m, c.overlap, work.data(), power.data());
        const std::vector<float> expected = OraclePower(signal, m, c.overlap);
        ASSERT_EQ(std::memcmp(power.data(), expected.data(), 4 * m), 0)
            << "n=" << c.n << " overlap=" << c.overlap;
    }
}

#if KLV_FFT_SIMD
uint32_t ReverseBits16(uint32_t i)
{
    uint32_t r = 0;
    for (uint32_t bit = 0; bit < 16; ++bit)
        r |= ((i >> bit) & 1u) << (15 - bit);
    return r;
}

// Every sample value through the division-free conversion of each path, for
// divisors at the ends of their range, powers of two and their neighbours,
// the usual 12-bit full scale and odd ones, against RawSignal::At; in
// natural and in bit-reversed order.
TEST(SpectrumBitExact, SampleConversionMatchesTheDivisionForEverySample)
{
    std::vector<int16_t> real(65536), imag(65536);
    for (int32_t x = -32768; x <= 32767; ++x) {
        real[x + 32768] = static_cast<int16_t>(x);
        imag[32767 - x] = static_cast<int16_t>(x);
    }
    using Load = void (*)(const int16_t*, const int16_t*, uint32_t, const sigproc::SampleDivisor&,
                          float*, bool);
    std::vector<std::pair<const char*, Load>> loads = {{"SSE2", sigproc::LoadSegmentsSse2}};
    if (sigproc::AvxAvailable())
        loads.push_back({"AVX", sigproc::LoadSegmentsAvx});
    const sigproc::PhysicalScale scales[] = {
        {1, 0.0, 1.0},      {2, 0.0, 1.0},         {3, -1.0, 1.0},          {7, 0.0, 300.0},
        {4095, 0.0, 300.0}, {4096, -250.0, 500.0}, {4097, 3.5, -7.25},      {12345, 0.0, 1e-3},
        {32767, 0.0, 1.0},  {32767, -1e6, 3e7},    {16383, 0.1, 0.30000001}};
    std::vector<float> z(2 * 65536);
    for (const auto& scale : scales) {
        sigproc::SampleDivisor divisor;
        ASSERT_TRUE(sigproc::MakeSampleDivisor(scale, &divisor));
        const sigproc::RawSignal signal{real.data(), 65536, scale};
        for (const auto& load : loads) {
            for (bool bitReversed : {false, true}) {
                load.second(real.data(), imag.data(), 65536, divisor, z.data(), bitReversed);
                for (uint32_t i = 0; i < 65536; ++i) {
                    const float expected[2] = {signal.At(i), signal.At(65535 - i)};
                    const uint32_t at = bitReversed ? ReverseBits16(i) : i;
                    ASSERT_EQ(std::memcmp(&z[2 * at], expected, sizeof expected), 0)
                        << load.first << " reversed " << bitReversed << " nMaxBit " << scale.nMaxBit
                        << " sample " << real[i];
                }
            }
        }
    }
    sigproc::SampleDivisor unused;
    EXPECT_FALSE(sigproc::MakeSampleDivisor({0, 0.0, 1.0}, &unused));
    EXPECT_FALSE(sigproc::MakeSampleDivisor({-4095, 0.0, 1.0}, &unused));
}
// The bit-reversed placement for every load size, from the smallest (4) through
// the first tiled one (64) to the largest: each point where the transform
// expects it.
TEST(SpectrumBitExact, BitReversedLoadPlacesEveryPointForEverySize)
{
    std::vector<int16_t> real(65536), imag(65536);
    for (uint32_t i = 0; i < 65536; ++i) {
        real[i] = static_cast<int16_t>(i % 4096);
        imag[i] = static_cast<int16_t>(4095 - i % 4093);
    }
    const sigproc::PhysicalScale scale{4095, 0.0, 300.0};
    sigproc::SampleDivisor divisor;
    ASSERT_TRUE(sigproc::MakeSampleDivisor(scale, &divisor));
    const sigproc::RawSignal realSignal{real.data(), 65536, scale};
    const sigproc::RawSignal imagSignal{imag.data(), 65536, scale};
    std::vector<float> z(2 * 65536);
    for (uint32_t bits = 2; bits <= 16; ++bits) {
        const uint32_t count = 1u << bits;
        const auto check = [&](const char* path) {
            for (uint32_t i = 0; i < count; ++i) {
                const float expected[2] = {realSignal.At(i), imagSignal.At(i)};
                const uint32_t at = ReverseBits16(i) >> (16 - bits);
                ASSERT_EQ(std::memcmp(&z[2 * at], expected, sizeof expected), 0)
                    << path << " count " << count << " point " << i;
            }
        };
        sigproc::LoadSegmentsSse2(real.data(), imag.data(), count, divisor, z.data(), true);
        check("SSE2");
        if (sigproc::AvxAvailable()) {
            sigproc::LoadSegmentsAvx(real.data(), imag.data(), count, divisor, z.data(), true);
            check("AVX");
        }
    }
}
#endif

// The decibel mapping as it was: log10 of every bin in float steps.
int16_t OracleRaw(float power, float S, int16_t previous)
{
    if (!(power > 0.0f))
        return previous;
    const float lg = std::log10(power);
    const float decibels = 10.0f * lg;
    const float scaled = decibels * S;
    const float v = scaled + 2047.0f;
    if (std::isnan(v))
        return previous;
    if (v >= 32767.0f)
        return 32767;
    if (v <= -32768.0f)
        return -32768;
    return static_cast<int16_t>(static_cast<int32_t>(v));
}

TEST(SpectrumBitExact, DecibelRawValuesMatchTheFloatStepsForEveryPower)
{
    // Powers over the whole float range, the edges of the normal range and
    // powers whose raw value sits on or next to a whole number for S = 34.
    // Bins without power (repeating their predecessor) first, last in groups
    // of four and alone among settled bins.
    const float nan = std::numeric_limits<float>::quiet_NaN();
    std::vector<float> powers = {0.0f, 1.0f, -2.0f, nan, 0.0f, 0.0f, 0.0f, 3.0f, 2.0f, 0.0f};
    std::mt19937 rng(2047);
    std::uniform_real_distribution<float> exponent(-45.0f, 38.5f);
    for (int i = 0; i < 200000; ++i)
        powers.push_back(i % 37 == 0 ? 0.0f : std::pow(10.0f, exponent(rng)));
    for (int raw = -200; raw < 6000; ++raw) {
        const float onBoundary = std::pow(10.0f, (raw - 2047) / 340.0f);
        powers.insert(powers.end(), {std::nextafter(onBoundary, 0.0f), onBoundary,
                                     std::nextafter(onBoundary, 1e30f)});
    }
    powers.insert(powers.end(),
                  {std::numeric_limits<float>::min(), std::numeric_limits<float>::denorm_min(),
                   std::numeric_limits<float>::max(), std::numeric_limits<float>::infinity(), 1.0f,
                   0.5f, 0.0f, -1.0f, std::nextafter(1.0f, 2.0f), std::nextafter(1.0f, 0.0f)});
    const uint32_t m = static_cast<uint32_t>(powers.size());
    std::vector<int16_t> out(m);
    for (int32_t span : {1, 2, 10, 60, 100, 2047, 5000}) {
        sigproc::PowerToDecibelRaw(powers.data(), m, span, out.data());
        const float S = static_cast<float>(sigproc::DecibelFactor(span));
        int16_t previous = sigproc::kNoPowerRaw;
        for (uint32_t i = 0; i < m; ++i) {
            previous = OracleRaw(powers[i], S, previous);
            ASSERT_EQ(out[i], previous) << "span " << span << " power " << powers[i];
        }
    }
}

} // namespace
