// measrun.h - one measurement series (or a test) against the force-measuring
// device, without windows.
//
// The run is a plain record driven by five entry points, all called on the
// measurement dialog's thread: start, a received block, the 500 ms timer tick,
// the repeat request and the end request. It speaks only through MeasOutput
// (the dialog implements it with the serial link, graph and window calls;
// klvtool and the tests implement it without windows) and identifies the
// device through MeasPort on the freshly opened port.
//
// Re-entrancy: MeasOutput::AskYesNo may keep delivering blocks and timer
// ticks while its question is open, as a modal message box does. The run
// allows that: a start request is ignored while the repeat question is open,
// and the end procedure runs only once.
#ifndef MEASRUN_H
#define MEASRUN_H

#include <cstddef>
#include <cstdint>

#include "messdescr.h"

// MeasMode
constexpr int kMeasModeTest = 1;
constexpr int kMeasModeSeries = 2;

// MeasState (there is no state 3)
enum MeasStateValue {
    WaitStart = 1,
    Measuring = 2,
    WaitThreshold = 4,
    Settling = 5,
};

constexpr int kPreTriggerSamples = 625; // one second
constexpr int kMeasGraphSamples = 6250; // ten seconds of live graph
constexpr int kTriggerCounts300 = 683;  // 50.04 N
constexpr int kTriggerCounts500 = 82;   // 10.01 N
constexpr int kBlockBytes = 192;        // bytes per received block
constexpr int kRxBufferBytes = 15360;
constexpr unsigned kTimerPeriodMs = 500;
constexpr unsigned kIdentReadTimeoutMs = 1010; // a one-byte read gives up after this
constexpr int kIdentAttempts = 3;
extern const char kLinkDefinition[]; // "baud=19200 parity=N data=8 stop=1"

// The open port during identification, before the receive thread runs.
class MeasPort {
public:
    virtual ~MeasPort() = default;
    // One direct write on the port; false when it failed.
    virtual bool WriteBytes(const std::uint8_t* data, std::size_t size) = 0;
    // One byte, or false when none came within kIdentReadTimeoutMs.
    virtual bool ReadByte(std::uint8_t* byte) = 0;
    // Purge all four queues/actions, clear a break and the error state.
    virtual void PurgeAndClear() = 0;
    virtual void Sleep(unsigned ms) = 0;
};

// The measurement graph as the run creates it (graph 0 of the live graph window).
struct MeasGraphSetup {
    const char* name; // string 30006
    const char* unit; // "N"
    double dMinValue; // 0.0
    double dMaxValue; // nFullScale
    int nMinBit;      // 0
    int nMaxBit;      // 4095
    double dTimeBase; // 0.0016 s
    int nSize;        // kMeasGraphSamples
};

// Everything the run does to the world outside it.
class MeasOutput {
public:
    virtual ~MeasOutput() = default;

    // Serial link. OpenLink opens the port with kLinkDefinition, a receive
    // buffer of kRxBufferBytes and blocks of kBlockBytes, the receive thread
    // still suspended; null when the port cannot be opened. CloseLink is
    // called after a failed OpenLink too.
    virtual MeasPort* OpenLink(const char* portName) = 0;
    virtual void EnableLink() = 0;
    virtual void CloseLink() = 0;
    virtual void SendCommand(std::uint8_t command) = 0;
    virtual void ShiftCounter(int count) = 0;

    // Process priority while the port is open, and timer 1.
    virtual void RaisePriority() = 0;
    virtual void RestorePriority() = 0;
    virtual void StartTimer(unsigned periodMs) = 0;
    virtual void StopTimer() = 0;

    // Graph 0 of the live graph window.
    virtual void AddGraph(const MeasGraphSetup& setup) = 0;
    virtual void SetGraphStyle(int nStyle, int nXLines, int nYLines, double dStart,
                               double dEnd) = 0;
    // Appends count samples, as _AddValues does; the run calls it once per
    // block (and before it touches the graph otherwise).
    virtual void AppendSamples(const std::int16_t* samples, int count) = 0;
    virtual void SetGraphEnd(int samples) = 0;
    // The sample buffer of graph 0 (kMeasGraphSamples), or null.
    virtual std::int16_t* GraphSamples() = 0;
    virtual void RepaintGraph() = 0;

    // The dialog.
    virtual void SetStatusText(const char* text) = 0;
    virtual void SetValueText(const char* text) = 0;
    // The formatted string 30008 with the calibration date; the dialog puts
    // it into its control and shows it cut with CutSensorLine.
    virtual void SetSensorLine(const char* text) = 0;
    virtual void ShowLamps(bool redLit, bool greenLit) = 0;
    virtual void EnableRepeatButton(bool enable) = 0;
    virtual void PrepareTestMode() = 0; // title 30009, button 30010, repeat button hidden
    virtual bool AskYesNo(int stringId) = 0;
    // An error message: the text of stringId formatted with arg (or no argument).
    virtual void ShowError(int stringId, const char* arg) = 0;
    virtual void CloseDialog(bool seriesComplete) = 0;

    // The value in N of a count of graph 0, for the value text. The dialog
    // asks the graph library (_Bit2ValByIndex); the default computes the
    // same scaling from the full scale.
    virtual double CountValue(int count, int fullScale);
};

struct MeasDate {
    int day;
    int month;
    int year;
};

// The UTC calendar date of a POSIX time (seconds since 1970-01-01 00:00 UTC).
MeasDate MeasDateFromUnixTime(std::int64_t seconds);

struct MeasRun {
    // Run variables.
    int MeasMode;
    int MeasState;
    int nMeasNo;
    std::int16_t nZeroOffset;
    std::int16_t PreTriggerRing[kPreTriggerSamples];
    int nRingPos;
    int nSampleCount;
    int bRepeatQuestion;
    int bStatusDirty;
    int bBlinkPhase;

    // What the run is attached to.
    MessDescr* pDescr;
    MeasOutput* pOut;
    MeasPort* pPort; // non-null while the link is open
    int nFullScale;
    std::uint8_t DeviceInfo[30];

    // End procedure bookkeeping.
    int bEnded;
    int bResult;

    // Texts of the block being handled. The value text is formatted once per
    // block, from the last value noted.
    char szWaitText[128];
    char szValueText[32];
    int bValueFormatted;
    int nValueCount;

    // Live graph samples of the block being handled, not yet appended.
    std::int16_t PendingSamples[kBlockBytes / 3];
    int nPendingSamples;
};

// Clears the record; bBlinkPhase starts at 0. Keep the record across runs to
// keep the blink phase, as the program does.
void MeasRunInit(MeasRun* run);

// Starts a run with MeasMode (kMeasModeTest / kMeasModeSeries) on portName
// ("COM%d"), writing the series into descr. date is today's UTC date for the
// title. True when streaming has begun; false when the run has already ended
// with an error (its message shown and the dialog closed).
bool MeasRunStart(MeasRun* run, int measMode, MessDescr* descr, MeasOutput* out,
                  const char* portName, const MeasDate& date);

// One block from the serial link. Ignored after the end.
void MeasRunBlock(MeasRun* run, const std::uint8_t* block, std::size_t size);

// Timer 1.
void MeasRunTimerTick(MeasRun* run);

// The repeat button. Acts only in a series waiting for the start of
// measurement 2 or 3 or for the confirmation.
void MeasRunRepeatRequest(MeasRun* run);

// The user's end request (cancel button). Asks first during a series.
void MeasRunEndRequest(MeasRun* run);

// The sensor line as the dialog shows it: the formatted string 30008 ended
// at the tab after "\r\n       M", so the calibration date is not shown.
void CutSensorLine(char* text);

inline bool MeasRunEnded(const MeasRun* run)
{
    return run->bEnded != 0;
}
// The dialog's result once ended: true when the series is complete.
inline bool MeasRunResult(const MeasRun* run)
{
    return run->bResult != 0;
}

#endif
