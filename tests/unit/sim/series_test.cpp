// The built-in "series" scenario played against the program's own
// measurement run (identification, start requests, settling, threshold,
// recording, confirmation), on the model's virtual line and clock.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "device_model.h"
#include "measure_support.h"

using namespace klvdevice;

namespace {

// The scenario's three closings as it describes them.
struct Closing {
    double peak;  // N
    double clamp; // N
};
constexpr Closing kClosings[3] = {{310, 45}, {345, 62}, {280, 38}};

// A series harness that also keeps the awaits the scenario saw satisfied.
struct SeriesRun {
    SimHarness h{std::string(*BuiltinScenarioText("series"))};
    std::vector<std::string> satisfied;
    std::vector<std::uint64_t> satisfiedAtSample; // number of the first sample after each

    SeriesRun()
    {
        h.device.SetLogSink([this](Micros, LogKind k, const std::string& t) {
            if (k == LogKind::Event && t.find("satisfied") != std::string::npos) {
                satisfied.push_back(t);
                satisfiedAtSample.push_back(h.device.SamplesSent());
            }
        });
    }
    // The samples as the run received them.
    std::vector<std::uint8_t> Stream() const
    {
        std::vector<std::uint8_t> all;
        for (const auto& block : h.link.blocks)
            all.insert(all.end(), block.begin(), block.end());
        return all;
    }
    std::vector<std::int16_t> Curves() const
    {
        std::vector<std::int16_t> all;
        for (int m = 0; m < 3; ++m)
            all.insert(all.end(), h.descr->pCurve[m], h.descr->pCurve[m] + kMessCurveSamples);
        return all;
    }
    bool Complete()
    {
        return h.Start() && h.RunUntil([&] { return MeasRunEnded(&h.run); }, 120.0) &&
               MeasRunResult(&h.run);
    }
};

TEST(SeriesScenario, PlaysAWholeSeriesAgainstTheMeasurementRun)
{
    SeriesRun s;
    ASSERT_TRUE(s.Complete());
    const MessDescr* d = s.h.descr;
    EXPECT_EQ(d->nFullScale, 500);
    for (int m = 0; m < 3; ++m) {
        SCOPED_TRACE("measurement " + std::to_string(m + 1));
        EXPECT_NEAR(d->dPeakForce[m], kClosings[m].peak, kClosings[m].peak * 0.02);
        EXPECT_NEAR(d->dClampForce[m], kClosings[m].clamp, 1.5);
        EXPECT_GT(d->dEffForce[m], 50.0);
        EXPECT_LT(d->dEffForce[m], d->dPeakForce[m]);
        EXPECT_GT(d->dPulseDuration[m], 0.02);
        if (kClosings[m].clamp < 50)
            EXPECT_LT(d->dPulseDuration[m], 0.6); // the pulse, not the clamping
        else
            EXPECT_GT(d->dPulseDuration[m], 4.5); // clamped above 50 N the whole time
    }

    // The run stopped the stream on the block that carried the confirming
    // press (0.2 s long); once the press is over, the scenario's last await
    // sees the stream off.
    EXPECT_FALSE(s.h.device.Streaming());
    EXPECT_FALSE(s.h.device.ScenarioEnded());
    s.h.line.SleepMs(200);
    EXPECT_TRUE(s.h.device.ScenarioEnded());
    // Every await was satisfied by the run: 4 start waits, 3 threshold waits, the stop.
    EXPECT_EQ(s.satisfied.size(), 8u);
}

TEST(SeriesScenario, IsDeterministic)
{
    auto curves = [] {
        SeriesRun s;
        EXPECT_TRUE(s.Complete());
        return s.Curves();
    };
    EXPECT_EQ(curves(), curves());
}

// A host that answers at once and one that looks at the line every 37 ms
// with its timer 211 ms later: the awaits end on other samples, yet from
// each await on the device sends the same samples (the lamps aside, which
// echo the host's own commands), so both record the same curves.
TEST(SeriesScenario, SameSamplesHoweverFastTheHostAnswers)
{
    struct Timing {
        Micros readPeriodUs, firstTickDelayUs;
    };
    auto play = [](Timing t) {
        auto s = std::make_unique<SeriesRun>();
        s->h.readPeriodUs = t.readPeriodUs;
        s->h.firstTickDelayUs = t.firstTickDelayUs;
        EXPECT_TRUE(s->Complete());
        return s;
    };
    const auto quick = play({kSamplePeriodUs, 0});
    const auto slow = play({37000, 211000});
    ASSERT_EQ(quick->satisfiedAtSample.size(), slow->satisfiedAtSample.size());
    ASSERT_NE(quick->satisfiedAtSample, slow->satisfiedAtSample)
        << "the timings made no difference";

    constexpr std::uint8_t kLampBits = 0x60;
    auto deviceBytes = [&](const std::vector<std::uint8_t>& stream, std::uint64_t sample,
                           std::uint64_t n) {
        std::vector<std::uint8_t> bytes(stream.begin() + 3 * sample,
                                        stream.begin() + 3 * (sample + n));
        for (std::size_t i = 0; i < bytes.size(); i += 3)
            bytes[i] &= ~kLampBits;
        return bytes;
    };
    const auto a = quick->Stream(), b = slow->Stream();
    const auto& at = quick->satisfiedAtSample;
    const auto& bt = slow->satisfiedAtSample;
    for (std::size_t i = 0; i < at.size(); ++i) {
        SCOPED_TRACE(quick->satisfied[i]);
        const std::uint64_t aEnd = i + 1 < at.size() ? at[i + 1] : a.size() / 3;
        const std::uint64_t bEnd = i + 1 < bt.size() ? bt[i + 1] : b.size() / 3;
        const std::uint64_t n =
            std::min({aEnd - at[i], bEnd - bt[i], a.size() / 3 - at[i], b.size() / 3 - bt[i]});
        const auto x = deviceBytes(a, at[i], n), y = deviceBytes(b, bt[i], n);
        const auto differ = std::mismatch(x.begin(), x.end(), y.begin()).first;
        EXPECT_TRUE(differ == x.end()) << "the streams differ from sample "
                                       << (differ - x.begin()) / 3 << " of " << n << " on";
    }
    EXPECT_EQ(quick->Curves(), slow->Curves());
}

TEST(SeriesScenario, WaitsWhileTheHostDoesNotAskForAStart)
{
    DeviceModel device(LoadScenario("series"));
    device.Write({0xE0});
    auto bytes = device.Pull(3 * 625 * 20);
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        DecodedTriplet t = DecodeTriplet(&bytes[i]);
        ASSERT_FALSE(t.status.startRequest);
        ASSERT_NEAR(t.count, 40, 2);
    }
    EXPECT_FALSE(device.ScenarioEnded());
}

} // namespace
