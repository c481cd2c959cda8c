// The built-in "series" scenario played against the program's own
// measurement run (identification, start requests, settling, threshold,
// recording, confirmation), on the model's virtual line and clock.
#include <gtest/gtest.h>

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

    SeriesRun()
    {
        h.device.SetLogSink([this](Micros, LogKind k, const std::string& t) {
            if (k == LogKind::Event && t.find("satisfied") != std::string::npos)
                satisfied.push_back(t);
        });
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
        std::vector<std::int16_t> all;
        for (int m = 0; m < 3; ++m)
            all.insert(all.end(), s.h.descr->pCurve[m], s.h.descr->pCurve[m] + kMessCurveSamples);
        return all;
    };
    EXPECT_EQ(curves(), curves());
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
