// Wire faults the scenario can ask for.
#include <gtest/gtest.h>

#include <string>

#include "device_model.h"
#include "sim_test_util.h"

using namespace klvdevice;
using simtest::samples;
using simtest::triplets;

namespace {

DeviceModel streamingDevice(const std::string& text)
{
    DeviceModel m(ParseScenario("offset 589\nawait stream\n" + text));
    m.Write({0xE0});
    return m;
}

const Triplet kRest = EncodeTriplet(589, {});

TEST(Faults, DropLosesTheNextNBytesAndMisalignsTheStream)
{
    // The drop begins at 3.2 ms, as sample 1 is due: sample 1 and the first
    // byte of sample 2 are lost.
    DeviceModel m = streamingDevice("wait 0.0032\ndrop 4\nwait 1\n");
    auto bytes = m.Pull(12);
    std::vector<std::uint8_t> expected = {kRest[0], kRest[1], kRest[2], kRest[1],
                                          kRest[2], kRest[0], kRest[1], kRest[2],
                                          kRest[0], kRest[1], kRest[2], kRest[0]};
    EXPECT_EQ(bytes, expected);
    EXPECT_EQ(m.SamplesSent(), 6u);
}

TEST(Faults, GarbageInsertsBytesWithBit7ClearBetweenTriplets)
{
    DeviceModel m = streamingDevice("wait 0.002\ngarbage 5\nwait 1\n");
    auto bytes = m.Pull(3 + 5 + 3);
    ASSERT_EQ(bytes.size(), 11u);
    EXPECT_EQ(bytes[0], kRest[0]);
    for (int i = 3; i < 8; ++i)
        EXPECT_EQ(bytes[i] & 0x80, 0) << i;
    EXPECT_EQ(bytes[8], kRest[0]);
    // Garbage also reaches the line while the stream is off.
    DeviceModel idle(ParseScenario("garbage 3\n"));
    auto g = idle.Pull(10);
    ASSERT_EQ(g.size(), 3u);
    for (auto b : g)
        EXPECT_EQ(b & 0x80, 0);
}

TEST(Faults, FlipSetsBit7InByte1Or2OfTheNextTripletOnly)
{
    for (int which : {1, 2}) {
        DeviceModel m = streamingDevice("wait 0.002\nflip " + std::to_string(which) + "\nwait 1\n");
        auto s = triplets(m.Pull(9));
        EXPECT_TRUE(s[0].valid);
        EXPECT_FALSE(s[1].valid);
        EXPECT_TRUE(s[2].valid);
    }
    DeviceModel m = streamingDevice("flip\nwait 1\n");
    auto b = m.Pull(3);
    EXPECT_EQ(b[1], kRest[1] | 0x80);
    EXPECT_EQ(b[2], kRest[2]);
}

TEST(Faults, StallSendsAndAnswersNothingForItsTimeThenTheGridGoesOn)
{
    // Samples 0..9 leave at 1.6 .. 16 ms; the stall begins as sample 10 is due.
    DeviceModel m = streamingDevice("wait 0.0176\nstall 0.4992\nwait 1\n");
    m.AdvanceTo(17600);
    EXPECT_EQ(m.PendingOutput(), 30u);
    m.Write({0x52, 4});
    m.AdvanceTo(516800 - 1);
    EXPECT_EQ(m.PendingOutput(), 30u); // no samples, no answer
    m.AdvanceTo(516800);
    EXPECT_EQ(m.PendingOutput(), 33u); // the grid point at the stall's end sends again
    EXPECT_EQ(m.SamplesSent(), 11u);
    // Unpaced, a stall is jumped over rather than stepped through.
    DeviceModel u = streamingDevice("stall 100000\nwait 1\n");
    auto s = u.Pull(3);
    EXPECT_EQ(s.size(), 3u);
    EXPECT_EQ(u.Now(), 100000000000ull);
}

TEST(Faults, Ff21AnswersFFForByte21FromThenOn)
{
    DeviceModel m(ParseScenario("ff21\n"));
    for (int round = 0; round < 3; ++round) {
        m.Write({0x52, 21});
        auto b = m.Pull(1);
        ASSERT_EQ(b.size(), 1u);
        EXPECT_EQ(b[0], 0xFF);
    }
    m.Write({0x52, 20});
    EXPECT_EQ(m.Pull(1)[0], '2');
}

std::vector<std::uint8_t> readInfo(DeviceModel& m)
{
    std::vector<std::uint8_t> info;
    for (std::uint8_t i = 0; i < 30; ++i) {
        m.Write({0x52, i});
        auto b = m.Pull(1);
        info.push_back(b.empty() ? 0 : b[0]);
    }
    return info;
}

TEST(Faults, DisturbSpoilsOneByteOfTheNextIdentificationReadOnly)
{
    DeviceModel m(ParseScenario("disturb\n"));
    auto clean = m.CurrentDeviceInfo();
    auto first = readInfo(m), second = readInfo(m), third = readInfo(m);
    std::vector<std::uint8_t> expected(clean.begin(), clean.end());
    EXPECT_NE(first, expected);
    EXPECT_EQ(first[6], 'V' ^ 0x20);
    first[6] = 'V';
    EXPECT_EQ(first, expected);
    EXPECT_EQ(second, expected);
    EXPECT_EQ(third, expected);
    DeviceModel n(ParseScenario("disturb 25\n"));
    auto d = readInfo(n);
    EXPECT_EQ(d[25], 0x20);
    EXPECT_EQ(d[6], 'V');
}

TEST(Faults, HangupEndsEverything)
{
    DeviceModel m = streamingDevice("wait 0.004\nhangup\nwait 5\n");
    auto b = m.Pull(30);
    EXPECT_EQ(b.size(), 6u);
    EXPECT_TRUE(m.HungUp());
    EXPECT_TRUE(m.ScenarioEnded());
    EXPECT_FALSE(m.Streaming());
    m.Write({0x52, 4, 0xE0});
    const Micros before = m.Now();
    m.AdvanceTo(before + 1000000);
    EXPECT_EQ(m.PendingOutput(), 0u);
    EXPECT_EQ(m.Now(), before + 1000000u);
}

TEST(Faults, DropAlsoSwallowsIdentificationAnswers)
{
    DeviceModel m(ParseScenario("drop 2\n"));
    m.Write({0x52, 4, 0x52, 5, 0x52, 6});
    EXPECT_EQ(m.Pull(5), (std::vector<std::uint8_t>{'V'}));
}

} // namespace

TEST(Faults, FloodFillsTheLineWithAnyBytesForItsTime)
{
    // One second of flood: 1920 bytes of every kind, then the samples again.
    DeviceModel m = streamingDevice("flood 1\nwait 10\n");
    m.AdvanceTo(SecondsToMicros(1.0));
    std::vector<std::uint8_t> flood(m.PendingOutput());
    m.TakeOutput(flood.data(), flood.size());
    EXPECT_NEAR(static_cast<double>(flood.size()), 1920.0, 4.0);
    int statusLike = 0;
    for (auto b : flood)
        statusLike += (b & 0x80) != 0;
    EXPECT_GT(statusLike, 700);
    EXPECT_LT(statusLike, 1220);
    m.AdvanceTo(SecondsToMicros(1.1));
    std::vector<std::uint8_t> after(m.PendingOutput());
    m.TakeOutput(after.data(), after.size());
    ASSERT_GE(after.size(), 3u);
    EXPECT_EQ(std::vector<std::uint8_t>(after.end() - 3, after.end()),
              std::vector<std::uint8_t>(kRest.begin(), kRest.end()));

    // A flood also fills a line whose stream is stopped.
    DeviceModel stopped(ParseScenario("flood 0.5\nwait 10\n"));
    stopped.AdvanceTo(SecondsToMicros(0.25));
    EXPECT_NEAR(static_cast<double>(stopped.PendingOutput()), 480.0, 2.0);
    stopped.AdvanceTo(SecondsToMicros(2.0));
    EXPECT_NEAR(static_cast<double>(stopped.PendingOutput()), 960.0, 2.0);

    // A flood met between two samples begins on the coming one.
    DeviceModel awaited = streamingDevice("await start-wait\nflood 0.5\nwait 10\n");
    awaited.AdvanceTo(SecondsToMicros(0.0105));
    awaited.Write({0x85, 0x88});
    awaited.AdvanceTo(SecondsToMicros(0.011));
    awaited.AdvanceTo(SecondsToMicros(2.0));
    EXPECT_NEAR(static_cast<double>(awaited.PendingOutput()), 6 * 3 + 960.0 + 930 * 3, 6.0);
}
