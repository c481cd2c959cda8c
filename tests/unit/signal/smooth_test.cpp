// Moving average of graph samples: window placement, boundaries and the
// sizes at which the graph is left alone.
#include "signalproc.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

namespace {

using Samples = std::vector<int16_t>;

// The average by its definition: the mean of the unsmoothed samples
// i .. i+a-1, truncated toward zero, placed at i + a/2.
Samples ReferenceSmooth(const Samples& in, uint32_t a)
{
    Samples out = in;
    for (size_t i = 0; i + a <= in.size(); ++i) {
        long long sum = 0;
        for (size_t j = 0; j < a; ++j)
            sum += in[i + j];
        out[i + a / 2] = static_cast<int16_t>(static_cast<double>(sum) / a);
    }
    return out;
}

Samples RandomSamples(size_t n, unsigned seed)
{
    std::mt19937 gen(seed);
    std::uniform_int_distribution<int> dist(-4095, 4095);
    Samples s(n);
    for (auto& v : s)
        v = static_cast<int16_t>(dist(gen));
    return s;
}

TEST(Smooth, WindowOfOneLeavesTheGraphUnchanged)
{
    Samples s = RandomSamples(200, 1);
    const Samples before = s;
    sigproc::SmoothSamples(s.data(), static_cast<int32_t>(s.size()), 1);
    EXPECT_EQ(s, before);
}

TEST(Smooth, StraightLineKeepsItsInteriorWithWindowOfThree)
{
    Samples s(60);
    for (size_t i = 0; i < s.size(); ++i)
        s[i] = static_cast<int16_t>(3 * i);
    const Samples before = s;
    ASSERT_TRUE(sigproc::SmoothSamples(s.data(), 60, 3));
    EXPECT_EQ(s, before);
}

TEST(Smooth, FractionalMeansAreTruncatedTowardZero)
{
    // Means of 0,1,1 -> 2/3 and of 0,-1,-1 -> -2/3: both store 0.
    Samples s(30, 0);
    s[1] = s[2] = 1;
    s[11] = s[12] = -1;
    ASSERT_TRUE(sigproc::SmoothSamples(s.data(), 30, 3));
    EXPECT_EQ(s[1], 0);  // mean of s[0..2] = 2/3
    EXPECT_EQ(s[2], 0);  // mean of s[1..3] = 2/3
    EXPECT_EQ(s[11], 0); // mean of s[10..12] = -2/3, not -1
    EXPECT_EQ(s[12], 0); // mean of s[11..13] = -2/3
    EXPECT_EQ(s, ReferenceSmooth(Samples(30, 0), 3));
}

TEST(Smooth, EvenWindowPlacesFirstMeanAtHalfTheWindow)
{
    // 0, 0, 4, 4, 0, 0, 4, 4, ...: every four neighbours average 2.
    Samples s(40);
    for (size_t i = 0; i < s.size(); ++i)
        s[i] = (i % 4 >= 2) ? 4 : 0;
    ASSERT_TRUE(sigproc::SmoothSamples(s.data(), 40, 4));
    EXPECT_EQ(s[0], 0);
    EXPECT_EQ(s[1], 0);
    EXPECT_EQ(s[2], 2);
    for (size_t i = 2; i <= 40 - 4 + 2; ++i)
        EXPECT_EQ(s[i], 2) << "at " << i;
    EXPECT_EQ(s[39], 4); // after the last written position
}

TEST(Smooth, TooShortGraphOrTooLongWindowIsLeftAlone)
{
    Samples s19 = RandomSamples(19, 2);
    const Samples before19 = s19;
    EXPECT_FALSE(sigproc::SmoothSamples(s19.data(), 19, 3));
    EXPECT_EQ(s19, before19);

    Samples s = RandomSamples(3000, 3);
    const Samples before = s;
    EXPECT_FALSE(sigproc::SmoothSamples(s.data(), 3000, 1000));
    EXPECT_EQ(s, before);

    // The boundary values themselves are processed.
    Samples s20 = RandomSamples(20, 4);
    const Samples expected20 = ReferenceSmooth(s20, 3);
    EXPECT_TRUE(sigproc::SmoothSamples(s20.data(), 20, 3));
    EXPECT_EQ(s20, expected20);
    EXPECT_TRUE(sigproc::SmoothSamples(s.data(), 3000, 999));
    EXPECT_EQ(s, ReferenceSmooth(before, 999));
}

TEST(Smooth, LastWrittenSampleAndNothingBeyondTheBuffer)
{
    const int32_t n = 50;
    const uint32_t a = 7;
    // The graph sits inside a larger block whose tail holds extreme values:
    // a read past the graph would show in the means, a write past it in the tail.
    Samples block = RandomSamples(n, 5);
    const Samples graph = block;
    block.resize(n + 1000, 32767);
    ASSERT_TRUE(sigproc::SmoothSamples(block.data(), n, a));

    const Samples expected = ReferenceSmooth(graph, a);
    const int32_t last = n - static_cast<int32_t>(a) + static_cast<int32_t>(a / 2);
    EXPECT_EQ(last, 46);
    EXPECT_NE(expected[last], graph[last]) << "choose data where the last mean differs";
    for (int32_t i = 0; i < n; ++i)
        EXPECT_EQ(block[i], expected[i]) << "at " << i;
    for (int32_t i = last + 1; i < n; ++i)
        EXPECT_EQ(block[i], graph[i]) << "after the last written, at " << i;
    for (size_t i = n; i < block.size(); ++i)
        ASSERT_EQ(block[i], 32767) << "written beyond the graph at " << i;
}

TEST(Smooth, AgreesWithTheDefinitionOnRandomGraphs)
{
    std::mt19937 gen(6);
    for (int round = 0; round < 200; ++round) {
        const uint32_t n = std::uniform_int_distribution<uint32_t>(20, 400)(gen);
        const uint32_t a = std::uniform_int_distribution<uint32_t>(1, n)(gen);
        Samples s = RandomSamples(n, round);
        const Samples expected = ReferenceSmooth(s, a);
        ASSERT_TRUE(sigproc::SmoothSamples(s.data(), static_cast<int32_t>(n), a));
        ASSERT_EQ(s, expected) << "n=" << n << " a=" << a;
    }
}

TEST(Smooth, WindowOfWholeGraphWritesOnlyItsMiddle)
{
    Samples s = RandomSamples(20, 7);
    const Samples expected = ReferenceSmooth(s, 20);
    ASSERT_TRUE(sigproc::SmoothSamples(s.data(), 20, 20));
    EXPECT_EQ(s, expected);
}

// Lengths the averaging has no meaning for leave the graph untouched and
// never reach past it.
TEST(Smooth, ZeroNegativeOrOversizedWindowChangesNothing)
{
    for (uint32_t a : {0u, 21u, 500u, 999u, static_cast<uint32_t>(-5)}) {
        Samples block = RandomSamples(20, 8);
        const Samples graph = block;
        block.resize(20 + 1000, 32767);
        const Samples before = block;
        EXPECT_FALSE(sigproc::SmoothSamples(block.data(), 20, a)) << "a=" << a;
        EXPECT_EQ(block, before) << "a=" << a;
    }
    Samples s = RandomSamples(40, 9);
    const Samples before = s;
    EXPECT_FALSE(sigproc::SmoothSamples(s.data(), -40, 3));
    EXPECT_EQ(s, before);
}

} // namespace
