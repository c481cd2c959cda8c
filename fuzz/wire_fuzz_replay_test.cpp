// The wire session of the fuzz target meas-wire plays klvtool's recorded
// simulator traffic as the run read it: each whole series completes, so the
// seeds start the fuzzer from runs that reach every state of a series.
#include <gtest/gtest.h>

#include "meas_wire_fuzz_check.h"

namespace {

TEST(MeasWireSession, RecordedSeriesComplete)
{
    for (const std::vector<std::uint8_t>& recording : MeasWireSeriesRecordings()) {
        const WireOutcome outcome = PlayWireSession(recording.data(), recording.size());
        EXPECT_EQ(outcome.broken, "");
        EXPECT_TRUE(outcome.started);
        EXPECT_TRUE(outcome.ended);
        EXPECT_TRUE(outcome.seriesComplete)
            << recording.size() << " bytes, " << outcome.blocks << " blocks";
        EXPECT_EQ(outcome.errorsShown, 0);
    }
}

TEST(MeasWireSession, CutRecordingWaitsAndEndsOnCancel)
{
    std::vector<std::uint8_t> cut = MeasWireSeriesRecordings().front();
    cut.resize(cut.size() / 2);
    const WireOutcome outcome = PlayWireSession(cut.data(), cut.size());
    EXPECT_EQ(outcome.broken, "");
    EXPECT_TRUE(outcome.started);
    EXPECT_FALSE(outcome.ended);
    EXPECT_FALSE(outcome.seriesComplete);
}

} // namespace
