// measrun.cpp - the measurement run: start with identification, block
// decoding and re-alignment, the series state machine, timer, repeat and end.
#include "measrun.h"

#include <cstdio>
#include <cstring>

#include "appstrings.h"
#include "devicestream.h"
#include "evaluation.h"

const char kLinkDefinition[] = "baud=19200 parity=N data=8 stop=1";

namespace {

constexpr int kIdentWriteDelayMs = 10;
constexpr int kIdentByteDelayMs = 20;

// ---- End -----------------------------------------------------------------

// Stops the timer, sends the closing commands when the port was opened,
// closes the link and the dialog. Runs once per run, whoever asks.
void RunEndProcedure(MeasRun* run)
{
    if (run->bEnded)
        return;
    run->bEnded = 1;
    MeasOutput* out = run->pOut;
    out->StopTimer();
    if (run->pPort) {
        out->SendCommand(kCmd89);
        out->SendCommand(kCmd85);
        out->SendCommand(kCmdStop);
    }
    out->CloseLink();
    run->pPort = nullptr;
    out->RestorePriority();
    run->bResult = run->nMeasNo == 5;
    out->CloseDialog(run->bResult != 0);
}

// ---- Start ---------------------------------------------------------------

enum class IdentResult { Identified, NoAnswer, Mismatch };

IdentResult ReadDeviceInfo(MeasRun* run)
{
    MeasPort* port = run->pPort;
    for (int i = 0; i < kDeviceInfoSize; ++i) {
        const std::uint8_t request[2] = {kCmdIdentRequest, static_cast<std::uint8_t>(i)};
        port->WriteBytes(request, sizeof(request));
        port->Sleep(kIdentWriteDelayMs);
        std::uint8_t byte = 0;
        if (!port->ReadByte(&byte))
            return IdentResult::NoAnswer;
        run->DeviceInfo[i] = byte;
        port->Sleep(kIdentByteDelayMs);
    }
    return DeviceInfoMatches(run->DeviceInfo) ? IdentResult::Identified : IdentResult::Mismatch;
}

bool IdentifyDevice(MeasRun* run)
{
    for (int attempt = 1; attempt <= kIdentAttempts; ++attempt) {
        const IdentResult result = ReadDeviceInfo(run);
        if (result == IdentResult::Identified)
            return true;
        if (result == IdentResult::NoAnswer)
            break;
        run->pPort->PurgeAndClear();
    }
    run->pOut->ShowError(IDS_SENSOR_NOT_FOUND, nullptr);
    return false;
}

// One y division is 50 N on either sensor.
int YLinesFor(int fullScale)
{
    return fullScale == 500 ? 10 : 6;
}

void CreateMeasGraph(MeasRun* run)
{
    MeasGraphSetup setup{};
    setup.name = AppString(IDS_FORCE_GRAPH_NAME);
    setup.unit = "N";
    setup.dMinValue = 0.0;
    setup.dMaxValue = run->nFullScale;
    setup.nMinBit = 0;
    setup.nMaxBit = 4095;
    setup.dTimeBase = 0.0016;
    setup.nSize = kMeasGraphSamples;
    run->pOut->AddGraph(setup);
    // One second before the trigger to five after it, one division per second.
    run->pOut->SetGraphStyle(8, 6, YLinesFor(run->nFullScale), -1.0, 5.0);
}

const char* InfoText(const MeasRun* run, int offset)
{
    return reinterpret_cast<const char*>(run->DeviceInfo + offset);
}

void WriteRecordIdentity(MeasRun* run, const MeasDate& date)
{
    MessDescr* descr = run->pDescr;
    if (!descr)
        return;
    FormatAppString(descr->szTitle, sizeof(descr->szTitle), IDS_MEAS_TITLE, date.day, date.month,
                    date.year);
    std::snprintf(descr->szSensorType, sizeof(descr->szSensorType), "%.8s",
                  InfoText(run, kDeviceSensorTypeOffset));
    std::snprintf(descr->szSerialNo, sizeof(descr->szSerialNo), "SN%.4s",
                  InfoText(run, kDeviceSerialOffset));
    std::memset(descr->szCalibration, 0, sizeof(descr->szCalibration));
    descr->nFullScale = run->nFullScale;
}

void ShowSensorLine(MeasRun* run)
{
    char line[512];
    FormatAppString(line, sizeof(line), IDS_SENSOR_LINE, InfoText(run, kDeviceSensorTypeOffset),
                    InfoText(run, kDeviceSerialOffset), InfoText(run, kDeviceCalibrationOffset),
                    InfoText(run, kDeviceCalibrationOffset + 2),
                    InfoText(run, kDeviceCalibrationOffset + 4));
    run->pOut->SetSensorLine(line);
}

void StartStream(MeasRun* run)
{
    std::uint8_t commands[3] = {kCmdStreamStart, kCmd84, kCmd89};
    const std::size_t count = run->MeasMode == kMeasModeTest ? 3 : 1;
    run->pPort->WriteBytes(commands, count);
}

// ---- Samples ---------------------------------------------------------------

// The value a sample leaves for the value field; only the block's last one
// is shown, so it is formatted at the block's end.
void NoteValue(MeasRun* run, int count)
{
    run->nValueCount = count;
    run->bValueFormatted = 1;
}

// The live graph gets the block's samples in one call: at the block's end,
// and before the run touches the graph's buffer or end otherwise.
void FlushSamples(MeasRun* run)
{
    if (run->nPendingSamples == 0)
        return;
    run->pOut->AppendSamples(run->PendingSamples, run->nPendingSamples);
    run->nPendingSamples = 0;
}

void QueueSample(MeasRun* run, std::int16_t v)
{
    constexpr int kCapacity = sizeof(run->PendingSamples) / sizeof(run->PendingSamples[0]);
    if (run->nPendingSamples == kCapacity)
        FlushSamples(run);
    run->PendingSamples[run->nPendingSamples++] = v;
}

std::int16_t* GraphSamples(MeasRun* run)
{
    FlushSamples(run);
    return run->pOut->GraphSamples();
}

void SetGraphEnd(MeasRun* run, int samples)
{
    FlushSamples(run);
    run->pOut->SetGraphEnd(samples);
}

void SetStatus(MeasRun* run, int stringId, int measNo)
{
    char text[128];
    FormatAppString(text, sizeof(text), stringId, measNo);
    run->pOut->SetStatusText(text);
}

std::int16_t OffsetCorrected(const MeasRun* run, std::int16_t v)
{
    const std::int16_t d = static_cast<std::int16_t>(v - run->nZeroOffset);
    return d < 0 ? 0 : d;
}

void HandleTestSample(MeasRun* run, std::int16_t v)
{
    QueueSample(run, v);
    NoteValue(run, v);
}

// Returns false when the sample ended the run (series confirmed).
bool HandleWaitStart(MeasRun* run, std::uint8_t status, std::int16_t v)
{
    MeasOutput* out = run->pOut;
    if (run->nMeasNo < 4) {
        FormatAppString(run->szWaitText, sizeof(run->szWaitText), IDS_WAIT_START, run->nMeasNo);
        if (!run->bRepeatQuestion) {
            out->SendCommand(kCmd85);
            out->SendCommand(kCmd88);
        }
        run->nRingPos = 0;
        if (run->nMeasNo > 1)
            out->EnableRepeatButton(true);
    } else {
        FormatAppString(run->szWaitText, sizeof(run->szWaitText), IDS_WAIT_CONFIRMATION);
        out->EnableRepeatButton(true);
    }
    if (run->bStatusDirty) {
        out->SetStatusText(run->szWaitText);
        run->bStatusDirty = 0;
    }
    if (!IsStartRequest(status) || run->bRepeatQuestion)
        return true;
    if (run->nMeasNo >= 4) {
        CompleteSeries(run->pDescr);
        run->nMeasNo = 5;
        RunEndProcedure(run);
        return false;
    }
    SetStatus(run, IDS_START_MEASUREMENT, run->nMeasNo);
    run->nRingPos = 0;
    run->MeasState = Settling;
    run->nZeroOffset = v;
    return true;
}

void HandleSettling(MeasRun* run, std::int16_t v)
{
    run->pOut->EnableRepeatButton(false);
    const std::int16_t d = OffsetCorrected(run, v);
    run->PreTriggerRing[run->nRingPos] = d;
    NoteValue(run, d);
    if (++run->nRingPos < kPreTriggerSamples)
        return;
    // One second of rest: the ring holds the pre-trigger history from now on.
    SetGraphEnd(run, 0);
    run->pOut->RepaintGraph();
    run->MeasState = WaitThreshold;
    SetStatus(run, IDS_WAIT_THRESHOLD, run->nMeasNo);
    run->nRingPos = 0;
}

void StoreRecordedCurve(MeasRun* run)
{
    const int slot = run->nMeasNo - 1;
    if (slot < 0 || slot >= kMessMeasurements)
        return;
    const std::int16_t* samples = GraphSamples(run);
    MessDescr* descr = run->pDescr;
    const std::int16_t* curve = samples;
    if (descr && descr->pCurve[slot] && samples) {
        std::memcpy(descr->pCurve[slot], samples, kMessCurveSamples * sizeof(std::int16_t));
        curve = descr->pCurve[slot];
    }
    EvaluateMeasurement(descr, curve, slot);
}

void HandleMeasuring(MeasRun* run, std::int16_t v)
{
    const int diff = v - run->nZeroOffset;
    const std::int16_t x = diff < 0 ? 0 : static_cast<std::int16_t>(diff);
    QueueSample(run, x);
    NoteValue(run, x);
    if (++run->nSampleCount < kMessCurveSamples)
        return;
    StoreRecordedCurve(run);
    run->MeasState = WaitStart;
    ++run->nMeasNo;
    run->bStatusDirty = 1;
    run->pOut->SendCommand(kCmd85);
    run->pOut->SendCommand(kCmd88);
}

// The ring, oldest first, becomes the second before the trigger.
void CopyRingToGraph(MeasRun* run)
{
    std::int16_t* samples = GraphSamples(run);
    if (!samples)
        return;
    const int older = kPreTriggerSamples - run->nRingPos;
    std::memcpy(samples, run->PreTriggerRing + run->nRingPos, older * sizeof(std::int16_t));
    std::memcpy(samples + older, run->PreTriggerRing, run->nRingPos * sizeof(std::int16_t));
}

void HandleWaitThreshold(MeasRun* run, std::int16_t v)
{
    const std::int16_t d = OffsetCorrected(run, v);
    run->PreTriggerRing[run->nRingPos] = d;
    NoteValue(run, d);
    if (++run->nRingPos == kPreTriggerSamples)
        run->nRingPos = 0;
    const int threshold = run->nFullScale == 500 ? kTriggerCounts500 : kTriggerCounts300;
    if (v - run->nZeroOffset < threshold)
        return;
    CopyRingToGraph(run);
    SetGraphEnd(run, kPreTriggerSamples);
    run->MeasState = Measuring;
    SetStatus(run, IDS_MEASURING, run->nMeasNo);
    run->nSampleCount = kPreTriggerSamples;
    // The trigger sample stands at index 624 (from the ring) and again at 625.
    HandleMeasuring(run, v);
}

// Returns false when the run ended with this sample.
bool HandleSeriesSample(MeasRun* run, std::uint8_t status, std::int16_t v)
{
    switch (run->MeasState) {
    case WaitStart:
        return HandleWaitStart(run, status, v);
    case Settling:
        HandleSettling(run, v);
        break;
    case WaitThreshold:
        HandleWaitThreshold(run, v);
        break;
    case Measuring:
        HandleMeasuring(run, v);
        break;
    default:
        break;
    }
    return true;
}

// The value field, once per block: live in test mode and while recording,
// empty while the series waits or settles. A block without a valid sample
// leaves no value to show.
void ShowBlockValue(MeasRun* run)
{
    const bool live = run->MeasMode == kMeasModeTest || run->MeasState == Measuring;
    if (!live || !run->bValueFormatted) {
        run->pOut->SetValueText("");
        return;
    }
    std::snprintf(run->szValueText, sizeof(run->szValueText), "%0.1f N",
                  run->pOut->CountValue(run->nValueCount, run->nFullScale));
    run->pOut->SetValueText(run->szValueText);
}

} // namespace

double MeasOutput::CountValue(int count, int fullScale)
{
    return CountToNewton(count, fullScale);
}

MeasDate MeasDateFromUnixTime(std::int64_t seconds)
{
    std::int64_t days = seconds / 86400;
    if (seconds % 86400 < 0)
        --days;
    // Civil date from days since 1970-01-01 (proleptic Gregorian calendar).
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const std::int64_t dayOfEra = days - era * 146097;
    const std::int64_t yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t mp = (5 * dayOfYear + 2) / 153;
    MeasDate date{};
    date.day = static_cast<int>(dayOfYear - (153 * mp + 2) / 5 + 1);
    date.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    date.year = static_cast<int>(yearOfEra + era * 400 + (date.month <= 2 ? 1 : 0));
    return date;
}

void CutSensorLine(char* text)
{
    static const char kSecondLine[] = "\r\n       M\t";
    char* found = std::strstr(text, kSecondLine);
    if (found)
        found[sizeof(kSecondLine) - 2] = '\0';
}

void MeasRunInit(MeasRun* run)
{
    std::memset(run, 0, sizeof(*run));
    run->MeasState = WaitStart;
}

bool MeasRunStart(MeasRun* run, int measMode, MessDescr* descr, MeasOutput* out,
                  const char* portName, const MeasDate& date)
{
    run->MeasMode = measMode;
    run->pDescr = descr;
    run->pOut = out;
    run->pPort = nullptr;
    run->bEnded = 0;
    run->bResult = 0;
    run->bValueFormatted = 0;
    run->nPendingSamples = 0;
    run->nMeasNo = 0;
    run->MeasState = WaitStart;
    run->nRingPos = 0;

    MeasPort* port = out->OpenLink(portName);
    if (!port) {
        out->ShowError(IDS_PORT_NOT_OPENED, portName);
        RunEndProcedure(run);
        return false;
    }
    run->pPort = port;
    out->RaisePriority();
    out->SendCommand(kCmdStop);
    out->SendCommand(kCmd85);
    out->SendCommand(kCmd89);

    if (!IdentifyDevice(run)) {
        RunEndProcedure(run);
        return false;
    }
    run->nFullScale = DeviceFullScale(run->DeviceInfo);
    CreateMeasGraph(run);
    WriteRecordIdentity(run, date);
    ShowSensorLine(run);

    run->nMeasNo = 1;
    run->bStatusDirty = 1;
    run->bRepeatQuestion = 0;
    if (measMode == kMeasModeTest) {
        out->PrepareTestMode();
        out->SetGraphStyle(8, 10, YLinesFor(run->nFullScale), 0.0, 10.0);
        out->SetStatusText(AppString(IDS_TEST_MODE_STATUS));
    }
    StartStream(run);
    out->EnableLink();
    out->StartTimer(kTimerPeriodMs);
    return true;
}

void MeasRunBlock(MeasRun* run, const std::uint8_t* block, std::size_t size)
{
    if (!run->pOut || run->bEnded || run->nMeasNo == 0 || !block)
        return;
    run->bValueFormatted = 0;
    std::size_t cursor = 0;
    int skipped = 0;
    while (cursor < size) {
        while (cursor < size && !IsStatusByte(block[cursor])) {
            ++cursor;
            ++skipped;
        }
        if (cursor >= size)
            break;
        // The link discards the running total before its next stored byte,
        // so the next block starts on a status byte again.
        if (skipped != 0)
            run->pOut->ShiftCounter(skipped);
        if (size - cursor < static_cast<std::size_t>(kTripletSize))
            break;
        const std::uint8_t status = block[cursor];
        const std::uint8_t high = block[cursor + 1];
        const std::uint8_t low = block[cursor + 2];
        run->pOut->ShowLamps(IsRedLit(status), IsGreenLit(status));
        if (TripletDataValid(high, low)) {
            const std::int16_t v = RescaleCount(DecodeTripletCount(high, low), run->nFullScale);
            if (run->MeasMode == kMeasModeTest)
                HandleTestSample(run, v);
            else if (!HandleSeriesSample(run, status, v)) {
                FlushSamples(run);
                return;
            }
        }
        cursor += kTripletSize;
    }
    FlushSamples(run);
    ShowBlockValue(run);
}

void MeasRunTimerTick(MeasRun* run)
{
    if (!run->pOut || run->bEnded || run->MeasMode != kMeasModeSeries)
        return;
    MeasOutput* out = run->pOut;
    if (run->MeasState == Measuring) {
        if (!run->bBlinkPhase) {
            out->SendCommand(kCmd84);
            run->bBlinkPhase = 1;
        }
    } else if (run->MeasState == WaitThreshold) {
        out->SendCommand(kCmd89);
        if (run->bBlinkPhase) {
            out->SendCommand(kCmd85);
            run->bBlinkPhase = 0;
        } else {
            out->SendCommand(kCmd84);
            run->bBlinkPhase = 1;
        }
    }
}

void MeasRunRepeatRequest(MeasRun* run)
{
    if (!run->pOut || run->bEnded || run->MeasMode != kMeasModeSeries ||
        run->MeasState != WaitStart || run->nMeasNo < 2 || run->nMeasNo > 4 || run->bRepeatQuestion)
        return;
    MeasOutput* out = run->pOut;
    run->bRepeatQuestion = 1;
    out->SendCommand(kCmd85);
    out->SendCommand(kCmd89);
    const bool repeat = out->AskYesNo(IDS_ASK_REPEAT);
    if (run->bEnded)
        return;
    if (repeat) {
        --run->nMeasNo;
        run->bStatusDirty = 1;
        out->EnableRepeatButton(false);
        SetGraphEnd(run, 0);
        out->RepaintGraph();
    }
    out->SendCommand(kCmd85);
    out->SendCommand(kCmd88);
    run->bRepeatQuestion = 0;
}

void MeasRunEndRequest(MeasRun* run)
{
    if (!run->pOut || run->bEnded)
        return;
    if (run->MeasMode == kMeasModeSeries && run->nMeasNo >= 1 && run->nMeasNo <= 4) {
        if (!run->pOut->AskYesNo(IDS_ASK_END_MEASUREMENT))
            return;
        // The series may have completed while the question was open.
        if (run->bEnded)
            return;
    }
    RunEndProcedure(run);
}
