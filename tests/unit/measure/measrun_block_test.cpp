// Block handling: alignment, dropped triplets, lamps, value texts, trigger,
// offset correction and the curve layout, with hand-built device streams.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "appstrings.h"
#include "devicestream.h"
#include "measure_support.h"

namespace {

constexpr int kSamplesPerBlock = kBlockBytes / 3;

std::string ValueText(int count, int fullScale)
{
    char text[32];
    std::snprintf(text, sizeof(text), "%0.1f N", count * static_cast<double>(fullScale) / 4095.0);
    return text;
}

std::string Scenario(int variant)
{
    return "variant " + std::to_string(variant) + "\nserial 4711\ncalibration 12 03 24\n";
}

// A run that has identified the model and streams.
struct Started {
    SimHarness h;
    explicit Started(int variant, int mode = kMeasModeSeries) : h(Scenario(variant))
    {
        EXPECT_TRUE(h.Start(mode));
    }
    void Feed(const StreamBuilder& s) { h.link.Feed(&h.run, s.bytes); }
};

// Pads a stream with samples of `count` up to a whole number of blocks.
StreamBuilder& PadToBlock(StreamBuilder& s, int count)
{
    while (s.bytes.size() % kBlockBytes != 0)
        s.Sample(count);
    return s;
}

// From WaitStart of a series to WaitThreshold with the offset at device
// count `offsetCount`; returns the stream (a whole number of blocks).
StreamBuilder ToThreshold(int offsetCount)
{
    StreamBuilder s;
    s.Sample(offsetCount);             // waiting, no request
    s.Sample(offsetCount, true);       // the start request: offset
    s.Samples(625, offsetCount);       // one second of settling
    return PadToBlock(s, offsetCount); // still waiting for the threshold
}

TEST(Block, AlignedBlockHandlesEveryTripletWithoutShift)
{
    Started t(300, kMeasModeTest);
    StreamBuilder s;
    s.Samples(kSamplesPerBlock, 100);
    t.Feed(s);
    EXPECT_TRUE(t.h.recorder.shifts.empty());
    EXPECT_EQ(t.h.recorder.appended, kSamplesPerBlock);
    EXPECT_EQ(t.h.recorder.appendCalls, 1); // the live graph once per block
    EXPECT_EQ(t.h.recorder.lampUpdates, kSamplesPerBlock);
    EXPECT_EQ(t.h.recorder.graph[0], RescaleCount(100, 300));
    ASSERT_EQ(t.h.recorder.valueTexts.size(), 1u); // once per block
    EXPECT_EQ(t.h.recorder.valueTexts[0], ValueText(RescaleCount(100, 300), 300));
}

TEST(Block, BlockTwoBytesIntoATripletIsRealigned)
{
    Started t(300, kMeasModeTest);
    StreamBuilder s;
    s.Samples(4 * kSamplesPerBlock, 200);
    s.bytes.erase(s.bytes.begin()); // the block begins at byte 1 of a triplet
    t.Feed(s);
    ASSERT_EQ(t.h.link.blocks.size(), 3u);
    const std::vector<int>& shifts = t.h.recorder.shifts;
    ASSERT_FALSE(shifts.empty());
    // Every shift of the first block carries the running total 2; the
    // following blocks start on a status byte and need none.
    EXPECT_TRUE(std::all_of(shifts.begin(), shifts.end(), [](int n) { return n == 2; }));
    // Once for each of the 63 triplets and once for the status byte that
    // starts the triplet cut off at the block's end.
    EXPECT_EQ(shifts.size(), static_cast<std::size_t>(kSamplesPerBlock));
    EXPECT_TRUE(IsStatusByte(t.h.link.blocks[1][0]));
    EXPECT_TRUE(IsStatusByte(t.h.link.blocks[2][0]));
    // 63 samples in the first block, 64 in each following one.
    EXPECT_EQ(t.h.recorder.appended, (kSamplesPerBlock - 1) + 2 * kSamplesPerBlock);
}

TEST(Block, ByteLostMidBlockCostsTwoSamplesAndRealignsTheNextBlock)
{
    Started t(300, kMeasModeTest);
    StreamBuilder s;
    for (int i = 0; i < 3 * kSamplesPerBlock; ++i)
        s.Sample(i);
    s.bytes.erase(s.bytes.begin() + 3 * 20 + 1); // high byte of sample 20 lost
    t.Feed(s);
    ASSERT_GE(t.h.link.blocks.size(), 2u);
    const std::vector<int>& shifts = t.h.recorder.shifts;
    ASSERT_FALSE(shifts.empty());
    EXPECT_EQ(shifts.back(), 2);
    EXPECT_TRUE(IsStatusByte(t.h.link.blocks[1][0]));
    // Sample 20 dropped (its low byte is followed by the next status byte),
    // sample 21 skipped; 62 samples in the first block, whose last byte is
    // the status of sample 64. The link throws away the rest of sample 64,
    // so the second block begins with sample 65.
    EXPECT_EQ(t.h.recorder.graph[19], RescaleCount(19, 300));
    EXPECT_EQ(t.h.recorder.graph[20], RescaleCount(22, 300));
    EXPECT_EQ(t.h.recorder.graph[61], RescaleCount(63, 300));
    EXPECT_EQ(t.h.recorder.graph[62], RescaleCount(65, 300));
    EXPECT_EQ(shifts.size(), 43u);
}

TEST(Block, GarbageBytesAreSkippedAndCountedIntoTheShift)
{
    Started t(500, kMeasModeTest);
    StreamBuilder s;
    s.Samples(10, 50);
    s.Raw({0x01, 0x02, 0x03, 0x04, 0x05}); // five bytes with bit 7 clear
    s.Samples(2 * kSamplesPerBlock, 50);
    t.Feed(s);
    ASSERT_FALSE(t.h.recorder.shifts.empty());
    EXPECT_EQ(t.h.recorder.shifts.back(), 5);
    EXPECT_TRUE(IsStatusByte(t.h.link.blocks[1][0]));
}

TEST(Block, FlippedTripletIsDroppedButItsLampsShow)
{
    Started t(300, kMeasModeTest);
    StreamBuilder s;
    s.Samples(kSamplesPerBlock - 1, 100);
    s.Sample(300, false, true, true);    // both lamps lit
    s.bytes[s.bytes.size() - 2] |= 0x80; // bit 7 in byte 1
    t.Feed(s);
    EXPECT_EQ(t.h.recorder.appended, kSamplesPerBlock - 1);
    EXPECT_EQ(t.h.recorder.lampUpdates, kSamplesPerBlock);
    EXPECT_TRUE(t.h.recorder.redLit);
    EXPECT_TRUE(t.h.recorder.greenLit);
    EXPECT_TRUE(t.h.recorder.shifts.empty());
    EXPECT_EQ(t.h.recorder.valueTexts.back(), ValueText(RescaleCount(100, 300), 300)); // last valid
}

TEST(Block, BlockWithoutValidSampleEmptiesTheValueField)
{
    Started t(300, kMeasModeTest);
    StreamBuilder s;
    s.Samples(kSamplesPerBlock, 100);
    for (std::size_t i = 1; i < s.bytes.size(); i += 3)
        s.bytes[i] |= 0x80;
    t.Feed(s);
    EXPECT_EQ(t.h.recorder.appended, 0);
    ASSERT_EQ(t.h.recorder.valueTexts.size(), 1u);
    EXPECT_EQ(t.h.recorder.valueTexts[0], "");
}

TEST(Block, TestModeAppendsWithoutOffsetAndLeavesTheRecordAlone)
{
    Started t(300, kMeasModeTest);
    EXPECT_EQ(t.h.recorder.testModePrepared, 1);
    EXPECT_EQ(t.h.recorder.statusTexts.back(), AppString(IDS_TEST_MODE_STATUS));
    StreamBuilder s;
    s.Samples(kSamplesPerBlock, 1000, true); // start requests mean nothing here
    t.Feed(s);
    EXPECT_EQ(t.h.recorder.graph[5], RescaleCount(1000, 300));
    EXPECT_EQ(t.h.run.MeasState, WaitStart);
    EXPECT_EQ(t.h.descr->pCurve[0][5], 0);
    EXPECT_EQ(t.h.descr->dPeakForce[0], 0.0);
    // Beyond the ten seconds of the graph every sample is still appended: the
    // graph window wraps (_AddValue); the run never sets the graph's end.
    StreamBuilder more;
    more.Samples(kMeasGraphSamples / kSamplesPerBlock * kSamplesPerBlock, 10);
    t.Feed(more);
    EXPECT_EQ(t.h.recorder.appended, kSamplesPerBlock + 6208);
    EXPECT_EQ(t.h.recorder.appendCalls, 1 + 6208 / kSamplesPerBlock);
    EXPECT_TRUE(t.h.recorder.graphEnds.empty());
    EXPECT_EQ(t.h.recorder.valueTexts.size(), 1u + 6208 / kSamplesPerBlock);
}

// Offsets and device counts whose rescaled difference is exactly `diff`.
struct ThresholdCounts {
    int offset;
    int below; // rescaled difference diff - 1
    int at;    // rescaled difference diff
};

ThresholdCounts FindThresholdCounts(int diff, int fullScale)
{
    for (int o = 0; o < 200; ++o) {
        int below = -1, at = -1;
        for (int k = o; k <= 4095; ++k) {
            const int d = RescaleCount(k, fullScale) - RescaleCount(o, fullScale);
            if (d == diff - 1)
                below = k;
            if (d == diff)
                at = k;
        }
        if (below >= 0 && at >= 0)
            return {o, below, at};
    }
    ADD_FAILURE() << "no counts for " << diff;
    return {0, 0, 0};
}

void CheckTrigger(int variant, int threshold)
{
    Started t(variant);
    const ThresholdCounts c = FindThresholdCounts(threshold, variant);
    StreamBuilder s = ToThreshold(c.offset);
    t.Feed(s);
    ASSERT_EQ(t.h.run.MeasState, WaitThreshold);

    StreamBuilder below;
    below.Samples(3 * kSamplesPerBlock, c.below);
    t.Feed(below);
    EXPECT_EQ(t.h.run.MeasState, WaitThreshold) << variant << ": one count below must not trigger";

    StreamBuilder at;
    at.Samples(kSamplesPerBlock, c.at);
    t.Feed(at);
    ASSERT_EQ(t.h.run.MeasState, Measuring) << variant;
    // The trigger sample stands at 624 and 625; the ring's newest entries before it.
    const Recorder& r = t.h.recorder;
    EXPECT_EQ(r.graph[624], threshold);
    EXPECT_EQ(r.graph[625], threshold);
    EXPECT_EQ(r.graph[623], threshold - 1);
    EXPECT_EQ(r.graph[626], threshold);
    ASSERT_FALSE(r.graphEnds.empty());
    EXPECT_EQ(r.graphEnds.back().first, kPreTriggerSamples);
    EXPECT_EQ(t.h.run.nSampleCount, 625 + kSamplesPerBlock);
    char expected[64];
    FormatAppString(expected, sizeof(expected), IDS_MEASURING, 1);
    EXPECT_EQ(r.statusTexts.back(), expected);
    // While recording, the value field shows the force.
    char value[32];
    std::snprintf(value, sizeof(value), "%0.1f N",
                  threshold * static_cast<double>(variant) / 4095.0);
    EXPECT_EQ(r.valueTexts.back(), value);
}

TEST(Trigger, Sensor300TriggersAt683CountsNotAt682)
{
    CheckTrigger(300, kTriggerCounts300);
}

TEST(Trigger, Sensor500TriggersAt82CountsNotAt81)
{
    CheckTrigger(500, kTriggerCounts500);
}

TEST(Trigger, RingIsCopiedOldestFirst)
{
    Started t(500);
    StreamBuilder s;
    s.Sample(0);
    s.Sample(0, true);
    s.Samples(625, 0);
    // 700 rising samples while waiting: the ring wraps once.
    for (int i = 0; i < 700; ++i)
        s.Sample(i % 60);
    s.Sample(200); // the trigger
    PadToBlock(s, 200);
    t.Feed(s);
    ASSERT_EQ(t.h.run.MeasState, Measuring);
    const Recorder& r = t.h.recorder;
    // Index 624 is the trigger, 623 the sample before it, 0 the one 624 before.
    EXPECT_EQ(r.graph[624], RescaleCount(200, 500));
    EXPECT_EQ(r.graph[623], RescaleCount(699 % 60, 500));
    EXPECT_EQ(r.graph[0], RescaleCount((699 - 623) % 60, 500));
}

TEST(Offset, NegativeDifferencesAreStoredAsZero)
{
    Started t(300);
    const int high = 1000, low = 900;
    StreamBuilder s;
    s.Sample(high);
    s.Sample(high, true); // offset at 1000
    s.Samples(625, low);  // settling below the offset
    s.Samples(100, low);  // waiting below the offset
    s.Sample(high + 700); // trigger
    s.Samples(200, low);  // recording below the offset
    PadToBlock(s, low);
    t.Feed(s);
    ASSERT_EQ(t.h.run.MeasState, Measuring);
    const Recorder& r = t.h.recorder;
    for (int i = 0; i < 624; ++i)
        ASSERT_EQ(r.graph[i], 0) << i;
    EXPECT_GT(r.graph[624], 683);
    for (int i = 626; i < 826; ++i)
        ASSERT_EQ(r.graph[i], 0) << i;
    for (int i = 0; i < kPreTriggerSamples; ++i)
        ASSERT_GE(t.h.run.PreTriggerRing[i], 0);
    EXPECT_EQ(r.valueTexts.back(), "0.0 N");
}

TEST(ValueField, EmptyWhileWaitingAndSettling)
{
    Started t(300);
    StreamBuilder s;
    s.Samples(kSamplesPerBlock, 500);
    t.Feed(s);
    EXPECT_EQ(t.h.run.MeasState, WaitStart);
    EXPECT_EQ(t.h.recorder.valueTexts.back(), "");
    StreamBuilder start;
    start.Sample(500, true);
    PadToBlock(start, 900);
    t.Feed(start);
    EXPECT_EQ(t.h.run.MeasState, Settling);
    EXPECT_EQ(t.h.recorder.valueTexts.back(), "");
}

} // namespace
