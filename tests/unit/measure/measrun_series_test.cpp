// The run from start to end: identification and its failures, the series
// state machine with timer, repeat, confirmation and end, and every command
// byte the device gets, in order.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "appstrings.h"
#include "devicestream.h"
#include "evaluation.h"
#include "measure_support.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr int kSamplesPerBlock = kBlockBytes / 3;

std::string Text(int id, int number = 0)
{
    char text[256];
    FormatAppString(text, sizeof(text), id, number);
    return text;
}

Bytes Repeat(std::initializer_list<std::uint8_t> phrase, int times)
{
    Bytes out;
    for (int i = 0; i < times; ++i)
        out.insert(out.end(), phrase);
    return out;
}

void Append(Bytes& to, const Bytes& more)
{
    to.insert(to.end(), more.begin(), more.end());
}

Bytes IdentificationRequests(int attempts)
{
    Bytes out;
    for (int a = 0; a < attempts; ++a)
        for (int i = 0; i < kDeviceInfoSize; ++i)
            Append(out, {kCmdIdentRequest, static_cast<std::uint8_t>(i)});
    return out;
}

std::string Hex(const Bytes& bytes)
{
    std::string out;
    char b[4];
    for (std::uint8_t byte : bytes) {
        std::snprintf(b, sizeof(b), "%02X ", byte);
        out += b;
    }
    return out;
}

// ---- Start and identification ---------------------------------------------

TEST(Start, IdentifiesTheDeviceAndWritesTheRecord)
{
    SimHarness h("variant 500\nserial 4711\ncalibration 12 03 24\n");
    std::memset(h.descr->szCalibration, 'x', sizeof(h.descr->szCalibration));
    ASSERT_TRUE(h.Start());
    const Recorder& r = h.recorder;

    Bytes expected = {kCmdStop, kCmd85, kCmd89};
    Append(expected, IdentificationRequests(1));
    expected.push_back(kCmdStreamStart);
    EXPECT_EQ(Hex(r.wire), Hex(expected));
    EXPECT_EQ(h.port.reads, kDeviceInfoSize);
    EXPECT_EQ(h.port.purges, 0);

    EXPECT_STREQ(h.descr->szTitle, "Misurazione del 07.12.2026");
    EXPECT_STREQ(h.descr->szSensorType, "KLV1-AC5");
    EXPECT_STREQ(h.descr->szSerialNo, "SN4711");
    for (char c : h.descr->szCalibration)
        EXPECT_EQ(c, 0);
    EXPECT_EQ(h.descr->nFullScale, 500);

    EXPECT_STREQ(r.graphSetup.name, "Forza di chiusura");
    EXPECT_STREQ(r.graphSetup.unit, "N");
    EXPECT_EQ(r.graphSetup.dMinValue, 0.0);
    EXPECT_EQ(r.graphSetup.dMaxValue, 500.0);
    EXPECT_EQ(r.graphSetup.nMinBit, 0);
    EXPECT_EQ(r.graphSetup.nMaxBit, 4095);
    EXPECT_EQ(r.graphSetup.dTimeBase, 0.0016);
    EXPECT_EQ(r.graphSetup.nSize, 6250);
    ASSERT_EQ(r.graphStyles.size(), 1u);
    EXPECT_EQ(r.graphStyles[0].nStyle, 8);
    EXPECT_EQ(r.graphStyles[0].nXLines, 6);
    EXPECT_EQ(r.graphStyles[0].nYLines, 10); // 50 N per division
    EXPECT_EQ(r.graphStyles[0].dStart, -1.0);
    EXPECT_EQ(r.graphStyles[0].dEnd, 5.0);

    ASSERT_EQ(r.sensorLines.size(), 1u);
    EXPECT_EQ(r.sensorLines[0],
              "       S\tSensore:\tKLV1-AC5  SN4711\r\n       M\tCalibratura:\t12.03.24");
    EXPECT_EQ(h.run.nMeasNo, 1);
    EXPECT_EQ(h.run.MeasState, WaitStart);
    EXPECT_EQ(h.run.bStatusDirty, 1);
    EXPECT_EQ(r.priorityRaised, 1);
    EXPECT_EQ(r.enableLinkCalls, 1);
    EXPECT_EQ(r.timerStarts, 1);
    EXPECT_EQ(r.closeDialogCalls, 0);
    EXPECT_TRUE(r.errors.empty());
}

TEST(Start, Sensor300HasSixDivisionsOf50N)
{
    SimHarness h("variant 300\n");
    ASSERT_TRUE(h.Start());
    EXPECT_EQ(h.descr->nFullScale, 300);
    EXPECT_EQ(h.recorder.graphSetup.dMaxValue, 300.0);
    ASSERT_EQ(h.recorder.graphStyles.size(), 1u);
    EXPECT_EQ(h.recorder.graphStyles[0].nYLines, 6);
}

TEST(Start, TestModeStartsTheStreamWithBothLampCommands)
{
    SimHarness h("variant 500\n");
    ASSERT_TRUE(h.Start(kMeasModeTest));
    const Recorder& r = h.recorder;
    Bytes expected = {kCmdStop, kCmd85, kCmd89};
    Append(expected, IdentificationRequests(1));
    Append(expected, {kCmdStreamStart, kCmd84, kCmd89});
    EXPECT_EQ(Hex(r.wire), Hex(expected));
    EXPECT_EQ(r.testModePrepared, 1);
    ASSERT_EQ(r.graphStyles.size(), 2u);
    EXPECT_EQ(r.graphStyles[1].nXLines, 10);
    EXPECT_EQ(r.graphStyles[1].dStart, 0.0);
    EXPECT_EQ(r.graphStyles[1].dEnd, 10.0);
    ASSERT_FALSE(r.statusTexts.empty());
    EXPECT_EQ(r.statusTexts.back(), "In corso nel modo di test (niente stampa offset) ...");
}

TEST(Start, PortThatCannotBeOpenedShowsItsNameAndSendsNothing)
{
    Recorder r; // OpenLink gives null
    MeasRun run;
    MeasRunInit(&run);
    MessDescr* descr = AllocMessDescr();
    EXPECT_FALSE(MeasRunStart(&run, kMeasModeSeries, descr, &r, "COM7", MeasDate{1, 2, 2026}));
    ASSERT_EQ(r.errors.size(), 1u);
    EXPECT_EQ(r.errors[0].first, IDS_PORT_NOT_OPENED);
    EXPECT_EQ(r.errors[0].second, "COM7");
    EXPECT_TRUE(r.wire.empty());
    EXPECT_EQ(r.closeLinkCalls, 1); // also after a failed open
    EXPECT_EQ(r.closeDialogCalls, 1);
    EXPECT_FALSE(r.dialogResult);
    EXPECT_EQ(r.priorityRestored, 1);
    EXPECT_EQ(r.timerStarts, 0);
    EXPECT_TRUE(MeasRunEnded(&run));
    EXPECT_FALSE(MeasRunResult(&run));
    // No question for an end request, and no second end.
    MeasRunEndRequest(&run);
    EXPECT_TRUE(r.questions.empty());
    EXPECT_EQ(r.closeDialogCalls, 1);
    EXPECT_EQ(descr->szTitle[0], 0); // the record is not written
    FreeMessDescr(descr);
}

TEST(Start, SilentDeviceFailsAfterOneReadTimeout)
{
    Recorder r;
    klvdevice::VirtualSerialPort silent; // no device behind it
    ModelPort port(silent, r);
    r.port = &port;
    MeasRun run;
    MeasRunInit(&run);
    MessDescr* descr = AllocMessDescr();
    EXPECT_FALSE(MeasRunStart(&run, kMeasModeSeries, descr, &r, "COM1", MeasDate{1, 2, 2026}));
    ASSERT_EQ(r.errors.size(), 1u);
    EXPECT_EQ(r.errors[0].first, IDS_SENSOR_NOT_FOUND);
    EXPECT_EQ(port.reads, 1);
    EXPECT_EQ(port.purges, 0);
    // 10 ms after the request, then the read gives up after 1010 ms.
    EXPECT_EQ(silent.NowMs(), 10u + kIdentReadTimeoutMs);
    const Bytes expected = {kCmdStop, kCmd85, kCmd89, kCmdIdentRequest,
                            0,        kCmd89, kCmd85, kCmdStop};
    EXPECT_EQ(Hex(r.wire), Hex(expected));
    EXPECT_EQ(r.closeLinkCalls, 1);
    EXPECT_EQ(r.priorityRaised, 1);
    EXPECT_EQ(r.priorityRestored, 1);
    EXPECT_EQ(r.graphsAdded, 0);
    EXPECT_FALSE(r.dialogResult);
    EXPECT_EQ(descr->nFullScale, 0);
    FreeMessDescr(descr);
}

TEST(Start, WrongIdentificationGivesUpAfterThreeAttempts)
{
    SimHarness h("ident KLV1-AB\n");
    EXPECT_FALSE(h.Start());
    const Recorder& r = h.recorder;
    EXPECT_EQ(h.port.reads, 3 * kDeviceInfoSize);
    EXPECT_EQ(h.port.purges, 3); // after each mismatch, the last one too
    ASSERT_EQ(r.errors.size(), 1u);
    EXPECT_EQ(r.errors[0].first, IDS_SENSOR_NOT_FOUND);
    Bytes expected = {kCmdStop, kCmd85, kCmd89};
    Append(expected, IdentificationRequests(3));
    Append(expected, {kCmd89, kCmd85, kCmdStop});
    EXPECT_EQ(Hex(r.wire), Hex(expected));
    EXPECT_EQ(r.closeDialogCalls, 1);
    EXPECT_EQ(r.timerStarts, 0);
    EXPECT_EQ(r.enableLinkCalls, 0);
}

TEST(Start, DisturbedFirstReadSucceedsOnTheSecondAttempt)
{
    SimHarness h("variant 300\ndisturb 6\n");
    ASSERT_TRUE(h.Start());
    EXPECT_EQ(h.port.reads, 2 * kDeviceInfoSize);
    EXPECT_EQ(h.port.purges, 1);
    EXPECT_TRUE(h.recorder.errors.empty());
    EXPECT_EQ(h.descr->nFullScale, 300);
    Bytes expected = {kCmdStop, kCmd85, kCmd89};
    Append(expected, IdentificationRequests(2));
    expected.push_back(kCmdStreamStart);
    EXPECT_EQ(Hex(h.recorder.wire), Hex(expected));
}

// ---- The series, block by block ---------------------------------------------

// A started 500 N series fed with hand-made blocks; the offset is count 0.
class Series : public ::testing::Test {
protected:
    SimHarness h{"variant 500\nserial 4711\n"};
    std::size_t wireMark = 0;
    static constexpr int kTriggerCount = 1000; // far above 82 counts

    void SetUp() override
    {
        ASSERT_TRUE(h.Start());
        wireMark = h.recorder.wire.size();
    }

    void Feed(const StreamBuilder& s)
    {
        ASSERT_EQ(s.bytes.size() % kBlockBytes, 0u);
        h.link.Feed(&h.run, s.bytes);
    }
    void FeedLevel(int samples, int count)
    {
        StreamBuilder s;
        s.Samples(samples, count);
        Feed(s);
    }
    // Bytes sent since the last call.
    Bytes Sent()
    {
        Bytes out(h.recorder.wire.begin() + static_cast<long>(wireMark), h.recorder.wire.end());
        wireMark = h.recorder.wire.size();
        return out;
    }
    // Start request, 625 samples of settling, into WaitThreshold.
    void StartAndSettle()
    {
        StreamBuilder s;
        s.Sample(0, true);
        s.Samples(kSamplesPerBlock - 1, 0);
        Feed(s);
        FeedLevel(9 * kSamplesPerBlock, 0); // 625 settled after 562 more; 14 waiting
        ASSERT_EQ(h.run.MeasState, WaitThreshold);
    }
    // From WaitThreshold to the end of the recording, without ticks.
    void TriggerAndRecord()
    {
        FeedLevel(kSamplesPerBlock, kTriggerCount);
        ASSERT_EQ(h.run.MeasState, Measuring);
        FeedLevel(48 * kSamplesPerBlock, 500); // 689 + 3072 > 3750
        ASSERT_EQ(h.run.MeasState, WaitStart);
    }
    void RecordMeasurement()
    {
        FeedLevel(kSamplesPerBlock, 0);
        StartAndSettle();
        TriggerAndRecord();
    }
};

TEST_F(Series, EveryCommandByteOfAWholeSeriesInOrder)
{
    Bytes expected;
    // Measurement 1: a block waiting for the start, 85 88 for every sample.
    FeedLevel(kSamplesPerBlock, 0);
    Append(expected, Repeat({kCmd85, kCmd88}, kSamplesPerBlock));
    MeasRunTimerTick(&h.run); // WaitStart: nothing
    // The start request is handled in WaitStart first: one more pair.
    StreamBuilder start;
    start.Sample(0, true);
    start.Samples(kSamplesPerBlock - 1, 0);
    Feed(start);
    Append(expected, {kCmd85, kCmd88});
    MeasRunTimerTick(&h.run); // Settling: nothing
    FeedLevel(9 * kSamplesPerBlock, 0);
    ASSERT_EQ(h.run.MeasState, WaitThreshold);
    MeasRunTimerTick(&h.run); // phase 0 -> 84
    MeasRunTimerTick(&h.run); // phase 1 -> 85
    Append(expected, {kCmd89, kCmd84, kCmd89, kCmd85});
    FeedLevel(kSamplesPerBlock, kTriggerCount);
    ASSERT_EQ(h.run.MeasState, Measuring);
    MeasRunTimerTick(&h.run); // phase 0: 84 once
    MeasRunTimerTick(&h.run);
    Append(expected, {kCmd84});
    // 3750 - 689 = 3061 more samples: 47 blocks and 53 samples, then 85 88
    // for the end of the recording and for each of the 11 waiting samples.
    FeedLevel(48 * kSamplesPerBlock, 500);
    ASSERT_EQ(h.run.nMeasNo, 2);
    Append(expected, Repeat({kCmd85, kCmd88}, 1 + 11));
    EXPECT_EQ(Hex(Sent()), Hex(expected));

    // Measurement 2: the blink phase carries over (1 after a recording).
    expected.clear();
    FeedLevel(kSamplesPerBlock, 0);
    Append(expected, Repeat({kCmd85, kCmd88}, kSamplesPerBlock));
    StartAndSettle();
    Append(expected, {kCmd85, kCmd88});
    MeasRunTimerTick(&h.run);
    MeasRunTimerTick(&h.run);
    MeasRunTimerTick(&h.run);
    Append(expected, {kCmd89, kCmd85, kCmd89, kCmd84, kCmd89, kCmd85});
    FeedLevel(kSamplesPerBlock, kTriggerCount);
    MeasRunTimerTick(&h.run);
    Append(expected, {kCmd84});
    FeedLevel(48 * kSamplesPerBlock, 500);
    ASSERT_EQ(h.run.nMeasNo, 3);
    Append(expected, Repeat({kCmd85, kCmd88}, 1 + 11));
    EXPECT_EQ(Hex(Sent()), Hex(expected));

    // Measurement 3, recorded with the phase at 1: no 84 while recording.
    expected.clear();
    FeedLevel(kSamplesPerBlock, 0);
    Append(expected, Repeat({kCmd85, kCmd88}, kSamplesPerBlock));
    StartAndSettle();
    Append(expected, {kCmd85, kCmd88});
    MeasRunTimerTick(&h.run);
    Append(expected, {kCmd89, kCmd85});
    MeasRunTimerTick(&h.run);
    Append(expected, {kCmd89, kCmd84});
    FeedLevel(kSamplesPerBlock, kTriggerCount);
    MeasRunTimerTick(&h.run);
    FeedLevel(48 * kSamplesPerBlock, 500);
    ASSERT_EQ(h.run.nMeasNo, 4);
    // Only the end of the recording: the confirmation wait sends nothing.
    Append(expected, {kCmd85, kCmd88});
    EXPECT_EQ(Hex(Sent()), Hex(expected));

    FeedLevel(kSamplesPerBlock, 0);
    MeasRunTimerTick(&h.run);
    EXPECT_TRUE(Sent().empty());
    StreamBuilder confirm;
    confirm.Sample(0, true);
    confirm.Samples(kSamplesPerBlock - 1, 0);
    Feed(confirm);
    EXPECT_EQ(Hex(Sent()), Hex({kCmd89, kCmd85, kCmdStop}));
    EXPECT_TRUE(MeasRunEnded(&h.run));
    EXPECT_TRUE(MeasRunResult(&h.run));
    EXPECT_EQ(h.run.nMeasNo, 5);
    EXPECT_EQ(h.recorder.closeDialogCalls, 1);
    EXPECT_TRUE(h.recorder.dialogResult);
    EXPECT_EQ(h.recorder.timerStops, 1);
    EXPECT_EQ(h.recorder.closeLinkCalls, 1);
    EXPECT_EQ(h.recorder.priorityRestored, 1);

    // Nothing more after the end: no ticks, no blocks, no second end.
    MeasRunTimerTick(&h.run);
    const long appended = h.recorder.appended;
    FeedLevel(kSamplesPerBlock, 0);
    MeasRunEndRequest(&h.run);
    EXPECT_TRUE(Sent().empty());
    EXPECT_EQ(h.recorder.appended, appended);
    EXPECT_EQ(h.recorder.closeDialogCalls, 1);
    EXPECT_TRUE(h.recorder.questions.empty());
}

TEST_F(Series, StatusTextsAndTheRecordedCurves)
{
    for (int m = 1; m <= 3; ++m)
        RecordMeasurement();
    FeedLevel(kSamplesPerBlock, 0);
    const std::vector<std::string> expected = {
        Text(IDS_WAIT_START, 1),
        Text(IDS_START_MEASUREMENT, 1),
        Text(IDS_WAIT_THRESHOLD, 1),
        Text(IDS_MEASURING, 1),
        Text(IDS_WAIT_START, 2),
        Text(IDS_START_MEASUREMENT, 2),
        Text(IDS_WAIT_THRESHOLD, 2),
        Text(IDS_MEASURING, 2),
        Text(IDS_WAIT_START, 3),
        Text(IDS_START_MEASUREMENT, 3),
        Text(IDS_WAIT_THRESHOLD, 3),
        Text(IDS_MEASURING, 3),
        "Aspetti la confermazione di misurazione...",
    };
    EXPECT_EQ(h.recorder.statusTexts, expected);
    EXPECT_TRUE(h.recorder.repeatEnabled);

    const std::int16_t trigger = RescaleCount(kTriggerCount, 500);
    const std::int16_t level = RescaleCount(500, 500);
    for (int m = 0; m < 3; ++m) {
        const std::int16_t* c = h.descr->pCurve[m];
        EXPECT_EQ(c[0], 0) << m;
        EXPECT_EQ(c[623], 0) << m;
        EXPECT_EQ(c[624], trigger) << m;
        EXPECT_EQ(c[625], trigger) << m;
        EXPECT_EQ(c[688], trigger) << m;
        EXPECT_EQ(c[689], level) << m;
        EXPECT_EQ(c[3749], level) << m;
        EXPECT_DOUBLE_EQ(h.descr->dClampForce[m], CountToNewton(level, 500)) << m;
        EXPECT_DOUBLE_EQ(h.descr->dPeakForce[m], CountToNewton(trigger, 500)) << m;
    }
    EXPECT_EQ(h.descr->dPeakForce[3], 0.0); // not before the confirmation
    StreamBuilder confirm;
    confirm.Sample(0, true);
    confirm.Samples(kSamplesPerBlock - 1, 0);
    Feed(confirm);
    EXPECT_TRUE(MeasRunResult(&h.run));
    EXPECT_EQ(h.descr->pMeanCurve[625], trigger);
    EXPECT_NEAR(h.descr->dPeakForce[3], CountToNewton(trigger, 500), 1e-9);
}

TEST_F(Series, StartRequestIsIgnoredWhileTheRepeatQuestionIsOpen)
{
    RecordMeasurement();
    ASSERT_EQ(h.run.nMeasNo, 2);
    FeedLevel(kSamplesPerBlock, 0);
    Sent();
    int statusBefore = static_cast<int>(h.recorder.statusTexts.size());
    // The modal question keeps delivering blocks: the start request in them
    // is ignored and no 85 88 is sent meanwhile.
    h.recorder.onAsk = [&](int id) {
        EXPECT_EQ(id, IDS_ASK_REPEAT);
        StreamBuilder s;
        s.Samples(kSamplesPerBlock, 0, true);
        Feed(s);
        EXPECT_EQ(h.run.MeasState, WaitStart);
        return false;
    };
    MeasRunRepeatRequest(&h.run);
    EXPECT_EQ(Hex(Sent()), Hex({kCmd85, kCmd89, kCmd85, kCmd88}));
    EXPECT_EQ(h.run.nMeasNo, 2);
    EXPECT_EQ(h.run.bRepeatQuestion, 0);
    EXPECT_EQ(static_cast<int>(h.recorder.statusTexts.size()), statusBefore);
    // Answered No: the next start request starts measurement 2.
    StreamBuilder s;
    s.Sample(0, true);
    s.Samples(kSamplesPerBlock - 1, 0);
    Feed(s);
    EXPECT_EQ(h.run.MeasState, Settling);
    EXPECT_EQ(h.recorder.statusTexts.back(), Text(IDS_START_MEASUREMENT, 2));
    EXPECT_FALSE(h.recorder.repeatEnabled); // disabled while settling
}

TEST_F(Series, RepeatConfirmedGoesBackOneMeasurement)
{
    RecordMeasurement();
    RecordMeasurement();
    FeedLevel(kSamplesPerBlock, 0);
    ASSERT_EQ(h.run.nMeasNo, 3);
    ASSERT_TRUE(h.recorder.repeatEnabled);
    Sent();
    h.recorder.onAsk = [](int) { return true; };
    const int repaints = h.recorder.repaints;
    MeasRunRepeatRequest(&h.run);
    EXPECT_EQ(Hex(Sent()), Hex({kCmd85, kCmd89, kCmd85, kCmd88}));
    EXPECT_EQ(h.run.nMeasNo, 2);
    EXPECT_FALSE(h.recorder.repeatEnabled);
    EXPECT_EQ(h.recorder.graphEnd, 0);
    EXPECT_EQ(h.recorder.repaints, repaints + 1);
    // The waiting text is rewritten with the repeated measurement's number.
    FeedLevel(kSamplesPerBlock, 0);
    EXPECT_EQ(h.recorder.statusTexts.back(), Text(IDS_WAIT_START, 2));
}

TEST_F(Series, RepeatIsRefusedOutsideTheWaitForMeasurement2Or3OrTheConfirmation)
{
    h.recorder.onAsk = [](int) { return true; };
    MeasRunRepeatRequest(&h.run); // measurement 1: nothing to repeat
    FeedLevel(kSamplesPerBlock, 0);
    StartAndSettle();
    MeasRunRepeatRequest(&h.run); // waiting for the threshold
    EXPECT_TRUE(h.recorder.questions.empty());
    EXPECT_EQ(h.run.nMeasNo, 1);
}

TEST_F(Series, RepeatFromTheConfirmationWaitReplacesMeasurement3)
{
    for (int m = 1; m <= 3; ++m)
        RecordMeasurement();
    FeedLevel(kSamplesPerBlock, 0);
    ASSERT_EQ(h.run.nMeasNo, 4);
    const double firstPeak3 = h.descr->dPeakForce[2];
    h.recorder.onAsk = [](int) { return true; };
    MeasRunRepeatRequest(&h.run);
    ASSERT_EQ(h.run.nMeasNo, 3);
    h.recorder.onAsk = [](int) { return false; };

    // The repetition closes harder: 2000 counts.
    FeedLevel(kSamplesPerBlock, 0);
    EXPECT_EQ(h.recorder.statusTexts.back(), Text(IDS_WAIT_START, 3));
    StartAndSettle();
    FeedLevel(kSamplesPerBlock, 2000);
    FeedLevel(48 * kSamplesPerBlock, 500);
    ASSERT_EQ(h.run.nMeasNo, 4);
    const std::int16_t harder = RescaleCount(2000, 500);
    EXPECT_EQ(h.descr->pCurve[2][625], harder);
    EXPECT_DOUBLE_EQ(h.descr->dPeakForce[2], CountToNewton(harder, 500));
    EXPECT_GT(h.descr->dPeakForce[2], firstPeak3);

    StreamBuilder confirm;
    confirm.Sample(0, true);
    confirm.Samples(kSamplesPerBlock - 1, 0);
    Feed(confirm);
    ASSERT_TRUE(MeasRunResult(&h.run));
    const std::int16_t first = RescaleCount(kTriggerCount, 500);
    EXPECT_EQ(h.descr->pMeanCurve[625], (first + first + harder) / 3);
    EXPECT_DOUBLE_EQ(h.descr->dPeakForce[3],
                     (h.descr->dPeakForce[0] + h.descr->dPeakForce[1] + h.descr->dPeakForce[2]) *
                         (1.0 / 3.0));
}

TEST_F(Series, EndRequestAsksAndGoesOnWhenAnsweredNo)
{
    FeedLevel(kSamplesPerBlock, 0);
    Sent();
    MeasRunEndRequest(&h.run);
    ASSERT_EQ(h.recorder.questions, std::vector<int>{IDS_ASK_END_MEASUREMENT});
    EXPECT_FALSE(MeasRunEnded(&h.run));
    EXPECT_TRUE(Sent().empty());

    h.recorder.onAsk = [](int) { return true; };
    MeasRunEndRequest(&h.run);
    EXPECT_TRUE(MeasRunEnded(&h.run));
    EXPECT_FALSE(MeasRunResult(&h.run));
    EXPECT_EQ(Hex(Sent()), Hex({kCmd89, kCmd85, kCmdStop}));
    EXPECT_EQ(h.recorder.closeDialogCalls, 1);
    EXPECT_FALSE(h.recorder.dialogResult);
    EXPECT_EQ(h.recorder.priorityRestored, 1);
    EXPECT_EQ(h.recorder.timerStops, 1);
}

TEST_F(Series, SeriesCompletedWhileTheEndQuestionIsOpenEndsOnlyOnce)
{
    for (int m = 1; m <= 3; ++m)
        RecordMeasurement();
    Sent();
    h.recorder.onAsk = [&](int) {
        StreamBuilder confirm;
        confirm.Sample(0, true);
        confirm.Samples(kSamplesPerBlock - 1, 0);
        Feed(confirm);
        return true; // the user confirms after the series already ended
    };
    MeasRunEndRequest(&h.run);
    EXPECT_TRUE(MeasRunResult(&h.run));
    EXPECT_EQ(h.recorder.closeDialogCalls, 1);
    EXPECT_TRUE(h.recorder.dialogResult);
    EXPECT_EQ(h.recorder.closeLinkCalls, 1);
    EXPECT_EQ(Hex(Sent()), Hex({kCmd89, kCmd85, kCmdStop}));
}

TEST(TestMode, EndsAtOnceWithoutQuestionAndTicksSendNothing)
{
    SimHarness h("variant 300\n");
    ASSERT_TRUE(h.Start(kMeasModeTest));
    const std::size_t mark = h.recorder.wire.size();
    StreamBuilder s;
    s.Samples(kSamplesPerBlock, 900, true);
    h.link.Feed(&h.run, s.bytes);
    MeasRunTimerTick(&h.run);
    MeasRunTimerTick(&h.run);
    MeasRunRepeatRequest(&h.run);
    EXPECT_EQ(h.recorder.wire.size(), mark);
    MeasRunEndRequest(&h.run);
    EXPECT_TRUE(h.recorder.questions.empty());
    EXPECT_TRUE(MeasRunEnded(&h.run));
    EXPECT_FALSE(h.recorder.dialogResult);
    const Bytes tail(h.recorder.wire.begin() + static_cast<long>(mark), h.recorder.wire.end());
    EXPECT_EQ(Hex(tail), Hex({kCmd89, kCmd85, kCmdStop}));
    // The record stays untouched apart from the device identity.
    EXPECT_EQ(h.descr->pCurve[0][700], 0);
    EXPECT_EQ(h.descr->dEffForce[0], 0.0);
}

// ---- Against the device model in virtual time ---------------------------------

TEST(SeriesOnTheModel, BuiltInSeriesCompletesWithThreeClosings)
{
    SimHarness h(std::string(*klvdevice::BuiltinScenarioText("series")));
    ASSERT_TRUE(h.Start());
    EXPECT_TRUE(h.RunUntil([&] { return MeasRunEnded(&h.run); }, 120.0));
    ASSERT_TRUE(MeasRunResult(&h.run));
    EXPECT_GT(h.ticks, 20);
    EXPECT_TRUE(h.recorder.questions.empty());
    for (int m = 0; m < 3; ++m) {
        const std::int16_t* c = h.descr->pCurve[m];
        EXPECT_EQ(c[624], c[625]) << m;
        EXPECT_GE(c[624], kTriggerCounts500) << m;
        EXPECT_LT(c[623], kTriggerCounts500) << m;
        // 280 to 345 N closings.
        EXPECT_GT(h.descr->dPeakForce[m], 250.0) << m;
        EXPECT_LT(h.descr->dPeakForce[m], 360.0) << m;
        EXPECT_GT(h.descr->dKFactor[m], 0.0) << m;
        EXPECT_LT(h.descr->dKFactor[m], 1.0) << m;
    }
    EXPECT_NE(h.descr->dPeakForce[0], h.descr->dPeakForce[1]);
    // The mean is that of the three measurements.
    EXPECT_NEAR(h.descr->dEffForce[3],
                (h.descr->dEffForce[0] + h.descr->dEffForce[1] + h.descr->dEffForce[2]) / 3.0,
                1e-9);
    for (int i = 0; i < kMessCurveSamples; i += 97) {
        const int sum = h.descr->pCurve[0][i] + h.descr->pCurve[1][i] + h.descr->pCurve[2][i];
        ASSERT_EQ(h.descr->pMeanCurve[i], sum / 3) << i;
    }
    // The stream stayed aligned: no byte needed skipping.
    EXPECT_TRUE(h.recorder.shifts.empty());
    EXPECT_EQ(h.recorder.wire.back(), kCmdStop);
}

TEST(SeriesOnTheModel, FaultsOnTheWireCostSamplesButNotTheSeries)
{
    std::string scenario(*klvdevice::BuiltinScenarioText("series"));
    // A lost byte, garbage and a flipped triplet during the first closing's wait.
    const std::string marker = "# Measurement 2";
    scenario.insert(scenario.find(marker), "drop 1\nwait 0.1\ngarbage 4\nwait 0.1\nflip 2\n");
    SimHarness h(scenario);
    ASSERT_TRUE(h.Start());
    EXPECT_TRUE(h.RunUntil([&] { return MeasRunEnded(&h.run); }, 120.0));
    EXPECT_TRUE(MeasRunResult(&h.run));
    EXPECT_FALSE(h.recorder.shifts.empty());
    // The lost byte and the garbage each misalign at most the block after
    // the one they fell into; the skip count aligns the stream again.
    int misaligned = 0;
    for (const auto& block : h.link.blocks)
        misaligned += IsStatusByte(block[0]) ? 0 : 1;
    EXPECT_LE(misaligned, 2);
    EXPECT_GT(h.link.blocks.size(), 250u);
}

} // namespace
