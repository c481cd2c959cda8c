// The device model: commands, lamps, start request, force profiles, awaits.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "device_model.h"
#include "sim_test_util.h"

using namespace klvdevice;
using simtest::samples;

namespace {

DeviceModel make(const std::string& text)
{
    return DeviceModel(ParseScenario(text));
}

TEST(DeviceCommands, LampsSwitchAndTravelInStatusBits5And6)
{
    DeviceModel m;
    m.Write({0xE0});
    auto s = samples(m, 1);
    EXPECT_FALSE(s[0].status.redLit);
    EXPECT_FALSE(s[0].status.greenLit);
    m.Write({0x84});
    EXPECT_TRUE(samples(m, 1)[0].status.redLit);
    m.Write({0x88});
    s = samples(m, 1);
    EXPECT_TRUE(s[0].status.redLit);
    EXPECT_TRUE(s[0].status.greenLit);
    m.Write({0x85});
    s = samples(m, 1);
    EXPECT_FALSE(s[0].status.redLit);
    EXPECT_TRUE(s[0].status.greenLit);
    m.Write({0x89});
    EXPECT_FALSE(samples(m, 1)[0].status.greenLit);
    // Lamp commands also work while the stream is off.
    m.Write({0xF0, 0x84, 0x88, 0xE0});
    s = samples(m, 1);
    EXPECT_TRUE(s[0].status.redLit && s[0].status.greenLit);
}

TEST(DeviceCommands, StreamStartsAndStopsAndKeepsItsGrid)
{
    DeviceModel m;
    EXPECT_FALSE(m.Streaming());
    m.AdvanceTo(10000);
    EXPECT_EQ(m.PendingOutput(), 0u);
    m.Write({0xE0});
    EXPECT_TRUE(m.Streaming());
    m.AdvanceTo(10000 + 3 * 1600);
    EXPECT_EQ(m.PendingOutput(), 9u);
    m.AdvanceTo(10000 + 3 * 1600 + 800);
    m.Write({0xE0}); // a second start does not restart the grid
    m.AdvanceTo(10000 + 4 * 1600);
    EXPECT_EQ(m.PendingOutput(), 12u);
    m.Write({0xF0});
    m.AdvanceTo(10000 + 100 * 1600);
    EXPECT_EQ(m.PendingOutput(), 12u);
    EXPECT_FALSE(m.Streaming());
}

TEST(DeviceCommands, IdentificationIndexOutOfRangeAndCommandAfterRequest)
{
    DeviceModel m;
    m.Write({0x52, 30});
    EXPECT_TRUE(m.Pull(10).empty());
    m.Write({0x52, 0x7F});
    EXPECT_TRUE(m.Pull(10).empty());
    // A command byte where an index was expected is a command.
    m.Write({0x52, 0xE0});
    EXPECT_TRUE(m.Streaming());
    // Answers come at once, also while streaming, between whole triplets.
    auto before = m.Pull(6);
    m.Write({0x52, 4});
    auto b = m.Pull(1);
    ASSERT_EQ(b.size(), 1u);
    EXPECT_EQ(b[0], 'K');
    EXPECT_EQ(before.size(), 6u);
}

TEST(DeviceStartRequest, PressClearsBit4ForItsDurationOnly)
{
    DeviceModel m = make("await stream\nwait 0.1\npress 0.2\nwait 1\n");
    m.Write({0xE0});
    auto s = samples(m, 625);
    int first = -1, count = 0;
    for (int i = 0; i < 625; ++i) {
        if (s[i].status.startRequest) {
            if (first < 0)
                first = i;
            ++count;
        }
    }
    EXPECT_EQ(count, 125); // 0.2 s of 1.6 ms samples
    EXPECT_EQ(first, 62);  // sample 62 leaves at 100.8 ms, the first at or after 0.1 s
    for (int i = first; i < first + count; ++i)
        EXPECT_TRUE(s[i].status.startRequest) << i;
}

TEST(DeviceForce, RampsAreLinearStepsAreImmediateAndOffsetIsAdded)
{
    DeviceModel m = make("offset 100\nawait stream\nramp 1000 1\nhold 0.5\nramp 200 0\nhold 1\n");
    m.Write({0xE0});
    auto s = samples(m, 1100);
    EXPECT_EQ(s[0].count, 100 + 2);     // 1.6 ms into the ramp
    EXPECT_EQ(s[311].count, 100 + 499); // 0.4992 s
    EXPECT_EQ(s[624].count, 1100);      // at 1 s the ramp reaches its level
    EXPECT_EQ(s[700].count, 1100);      // hold keeps it
    EXPECT_EQ(s[1000].count, 300);      // the step at 1.5 s
    for (int i = 1; i < 624; ++i)
        ASSERT_GE(s[i].count, s[i - 1].count);
}

TEST(DeviceForce, NewtonLevelsUseTheVariantAndCountsClampAt4095)
{
    DeviceModel a = make("variant 300\nramp 150N 0\nramp 600N 0\n");
    a.Write({0xE0});
    EXPECT_EQ(a.CurrentCount(), 4095);
    DeviceModel b = make("variant 300\nramp 150N 0\nwait 1\n");
    b.Write({0xE0});
    EXPECT_EQ(samples(b, 1)[0].count, 1861); // 150 x 4095 / 330
    DeviceModel c = make("variant 500\nramp 550N 0\nwait 1\n");
    c.Write({0xE0});
    EXPECT_EQ(samples(c, 1)[0].count, 4095);
    DeviceModel d = make("offset 50\nramp -100 0\nwait 1\n");
    d.Write({0xE0});
    EXPECT_EQ(samples(d, 1)[0].count, 0);
}

TEST(DeviceForce, ClosingRisesToPeakRingsDownToClampAndReleases)
{
    DeviceModel m = make("variant 500\nawait stream\nclosing peak=300N clamp=60N rise=0.016 hold=3 "
                         "release=0.16\nwait 1\n");
    m.Write({0xE0});
    auto s = samples(m, 2500);
    const double perN = CountsPerNewton(Variant::N500);
    int peakIndex = 0;
    for (int i = 0; i < 2500; ++i)
        if (s[i].count > s[peakIndex].count)
            peakIndex = i;
    EXPECT_EQ(peakIndex, 9); // end of the 16 ms rise (sample 9 leaves at 16 ms)
    EXPECT_NEAR(s[peakIndex].count, 300 * perN, 1.0);
    for (int i = 10; i < 1875; ++i)
        ASSERT_GE(s[i].count, std::floor(60 * perN)) << i;
    EXPECT_NEAR(s[1870].count, 60 * perN, 1.0); // settled before the release
    EXPECT_EQ(s[1975].count, 0);                // released after 3.16 s
    // The ringing makes the decay non-monotonic.
    bool rises = false;
    for (int i = 11; i < 200; ++i)
        rises |= s[i].count > s[i - 1].count + 2;
    EXPECT_TRUE(rises);
}

TEST(DeviceForce, NoiseIsBoundedAndReproducibleFromItsSeed)
{
    auto run = [](const std::string& seed) {
        DeviceModel m(ParseScenario("offset 1000\nnoise 5 " + seed + "\nwait 10\n"));
        m.Write({0xE0});
        std::vector<int> v;
        for (auto& t : samples(m, 2000))
            v.push_back(t.count);
        return v;
    };
    auto a = run("7"), b = run("7"), c = run("8");
    EXPECT_EQ(a, b);
    EXPECT_NE(a, c);
    EXPECT_EQ(*std::min_element(a.begin(), a.end()), 995);
    EXPECT_EQ(*std::max_element(a.begin(), a.end()), 1005);
}

TEST(DeviceAwait, StartWaitNeeds85Then88AsTheLastTwoBytes)
{
    DeviceModel m = make("await start-wait\nramp 500 0\nwait 10\n");
    m.Write({0xE0});
    samples(m, 10);
    m.Write({0x88, 0x85});
    EXPECT_EQ(samples(m, 1)[0].count, 0);
    m.Write({0x85, 0x89});
    EXPECT_EQ(samples(m, 1)[0].count, 0);
    m.Write({0x85, 0x88});
    EXPECT_EQ(samples(m, 1)[0].count, 500);
}

TEST(DeviceAwait, ThresholdWaitNeeds89Then84Or85)
{
    for (std::uint8_t second : {0x84, 0x85}) {
        DeviceModel m = make("await threshold-wait\nramp 700 0\nwait 10\n");
        m.Write({0xE0, 0x84, 0x89});
        EXPECT_EQ(samples(m, 3)[2].count, 0);
        m.Write({0x89, 0x88});
        EXPECT_EQ(samples(m, 1)[0].count, 0);
        m.Write({0x89, second});
        EXPECT_EQ(samples(m, 1)[0].count, 700);
    }
}

TEST(DeviceAwait, AStateThatAlreadyHoldsReturnsAtOnce)
{
    // The confirmation wait is announced once (0x85 0x88) and then the host is
    // silent: an await reached later must still see it.
    DeviceModel m = make("await stream\nwait 2\nawait start-wait\nramp 900 0\nwait 1\n");
    m.Write({0xE0, 0x85, 0x88});
    auto s = samples(m, 1300);
    EXPECT_EQ(s[1248].count, 0);
    EXPECT_EQ(s[1249].count, 900); // sample 1249 leaves at 2 s, when the wait is over
}

TEST(DeviceAwait, IdentificationBytesCountAsTheLatestBytes)
{
    DeviceModel m = make("await start-wait\nramp 300 0\nwait 1\n");
    m.Write({0xE0, 0x85, 0x88, 0x52, 0x04});
    // 0x85 0x88 was seen on the way: the await ended then.
    EXPECT_EQ(m.CurrentCount(), 300);
    DeviceModel n = make("await threshold-wait\nramp 300 0\nwait 1\n");
    n.Write({0x89, 0x52, 0x01});
    EXPECT_EQ(n.CurrentCount(), 0);
}

TEST(DeviceAwait, StreamAndStopFollowTheStream)
{
    DeviceModel m = make("await stop\nawait stream\nramp 100 0\nawait stop\nramp 200 0\n");
    EXPECT_EQ(m.CurrentLine(), 2); // not streaming: the first await holds at once
    m.Write({0xE0});
    EXPECT_EQ(m.CurrentCount(), 100);
    EXPECT_FALSE(m.ScenarioEnded());
    m.Write({0xF0});
    EXPECT_EQ(m.CurrentCount(), 200);
    EXPECT_TRUE(m.ScenarioEnded());
    EXPECT_EQ(m.CurrentLine(), 0);
}

TEST(DeviceAwait, TimePassesAndTheLevelHoldsWhileAwaiting)
{
    DeviceModel m = make("ramp 250 0\nawait start-wait\n");
    m.Write({0xE0});
    auto s = samples(m, 6250);
    EXPECT_EQ(s.back().count, 250);
    EXPECT_EQ(m.Now(), 10000000u);
    EXPECT_FALSE(m.ScenarioEnded());
}

TEST(DeviceScenario, SettingsApplyAndTheEndIsReported)
{
    DeviceModel m = make("variant 300\nserial 1234\nident ABCD-EF\n");
    EXPECT_TRUE(m.ScenarioEnded());
    EXPECT_FALSE(m.HungUp());
    DeviceInfo d = m.CurrentDeviceInfo();
    EXPECT_EQ(std::string(d.begin() + 4, d.begin() + 16), "ABCD-EF31234");
    DeviceModel w = make("wait 1\n");
    w.AdvanceTo(999999);
    EXPECT_FALSE(w.ScenarioEnded());
    w.AdvanceTo(1000000);
    EXPECT_TRUE(w.ScenarioEnded());
}

TEST(DeviceLog, CommandsStateChangesAndEventsWithRepetitionsSummarised)
{
    DeviceModel m = make("await start-wait\npress 0.1\n");
    std::vector<std::string> lines;
    m.SetLogSink([&](Micros, LogKind k, const std::string& t) {
        lines.push_back((k == LogKind::Command ? "C " : k == LogKind::State ? "S " : "E ") + t);
    });
    m.Write({0xE0});
    for (int i = 0; i < 50; ++i)
        m.Write({0x85, 0x88});
    m.Write({0x89});
    std::vector<std::string> expected = {
        "E line 1: await start-wait",
        "C rx e0: stream on",
        "S streaming",
        "C rx 85: red lamp off",
        "C rx 88: green lamp on",
        "S green lamp lit",
        "E line 1: await start-wait: satisfied",
        "E line 2: press 0.1",
        "S start request pressed",
        "C ... 98 more command(s) repeating the above",
        "C rx 89: green lamp off",
        "S green lamp dark",
    };
    EXPECT_EQ(lines, expected);
}

TEST(DeviceLog, APendingSummaryIsWrittenOnFlushOnlyOnce)
{
    DeviceModel m;
    std::vector<std::string> lines;
    m.SetLogSink([&](Micros, LogKind k, const std::string& t) {
        if (k == LogKind::Command)
            lines.push_back(t);
    });
    for (int i = 0; i < 5; ++i)
        m.Write({0xF0});
    ASSERT_EQ(lines.size(), 1u);
    m.FlushLog();
    m.FlushLog();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1], "... 4 more command(s) repeating the above");
}

} // namespace
