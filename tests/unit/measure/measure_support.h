// measure_support.h - a recording stand-in for the measurement dialog, the
// serial link's block hand-over, and the device model wired to the run.
#ifndef MEASURE_SUPPORT_H
#define MEASURE_SUPPORT_H

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "device_model.h"
#include "measrun.h"
#include "messdescr.h"
#include "rxloop.h"

// Everything the run does, kept for the checks.
class Recorder : public MeasOutput {
public:
    // The port the run gets from OpenLink (null: the port cannot be opened).
    MeasPort* port = nullptr;

    // Every byte the run sent to the device, commands and direct writes, in order.
    std::vector<std::uint8_t> wire;
    std::vector<std::string> statusTexts;
    std::vector<std::string> valueTexts; // one per handled block
    std::vector<std::string> sensorLines;
    std::vector<int> shifts;    // _ShiftCounter arguments
    std::vector<int> questions; // string ids asked
    std::vector<std::pair<int, std::string>> errors;
    std::vector<std::pair<int, int>> graphEnds; // (samples, appended so far)
    struct Style {
        int nStyle, nXLines, nYLines;
        double dStart, dEnd;
    };
    std::vector<Style> graphStyles; // every _SetGraphStyle call
    MeasGraphSetup graphSetup{};
    int graphsAdded = 0;
    int repaints = 0;
    int openLinkCalls = 0;
    int enableLinkCalls = 0;
    int closeLinkCalls = 0;
    int priorityRaised = 0;
    int priorityRestored = 0;
    int timerStarts = 0;
    int timerStops = 0;
    int testModePrepared = 0;
    int closeDialogCalls = 0;
    bool dialogResult = false;
    bool repeatEnabled = false;
    bool redLit = false;
    bool greenLit = false;
    int lampUpdates = 0;
    std::vector<std::int16_t> graph = std::vector<std::int16_t>(kMeasGraphSamples, 0);
    int graphEnd = 0;
    long appended = 0;
    long appendCalls = 0; // AppendSamples calls

    // Answers the questions; may feed blocks meanwhile, as a modal box does.
    std::function<bool(int stringId)> onAsk = [](int) { return false; };

    // Where _SendCommand's bytes go (the device), if anywhere.
    std::function<void(std::uint8_t)> toDevice;

    // Where _ShiftCounter's count goes (the link's receive loop), if anywhere.
    std::function<void(int)> toLink;

    MeasPort* OpenLink(const char*) override
    {
        ++openLinkCalls;
        return port;
    }
    void EnableLink() override { ++enableLinkCalls; }
    void CloseLink() override { ++closeLinkCalls; }
    void SendCommand(std::uint8_t command) override;
    void ShiftCounter(int count) override;
    void RaisePriority() override { ++priorityRaised; }
    void RestorePriority() override { ++priorityRestored; }
    void StartTimer(unsigned) override { ++timerStarts; }
    void StopTimer() override { ++timerStops; }
    void AddGraph(const MeasGraphSetup& setup) override
    {
        graphSetup = setup;
        ++graphsAdded;
    }
    void SetGraphStyle(int nStyle, int nXLines, int nYLines, double dStart, double dEnd) override
    {
        graphStyles.push_back({nStyle, nXLines, nYLines, dStart, dEnd});
    }
    void AppendSamples(const std::int16_t* samples, int count) override;
    void SetGraphEnd(int samples) override
    {
        graphEnd = samples;
        graphEnds.push_back({samples, static_cast<int>(appended)});
    }
    std::int16_t* GraphSamples() override { return graph.data(); }
    void RepaintGraph() override { ++repaints; }
    void SetStatusText(const char* text) override { statusTexts.push_back(text); }
    void SetValueText(const char* text) override { valueTexts.push_back(text); }
    void SetSensorLine(const char* text) override { sensorLines.push_back(text); }
    void ShowLamps(bool red, bool green) override
    {
        redLit = red;
        greenLit = green;
        ++lampUpdates;
    }
    void EnableRepeatButton(bool enable) override { repeatEnabled = enable; }
    void PrepareTestMode() override { ++testModePrepared; }
    bool AskYesNo(int stringId) override
    {
        questions.push_back(stringId);
        return onAsk(stringId);
    }
    void ShowError(int stringId, const char* arg) override
    {
        errors.push_back({stringId, arg ? arg : ""});
    }
    void CloseDialog(bool result) override
    {
        ++closeDialogCalls;
        dialogResult = result;
    }

    void Note(std::uint8_t byte) { wire.push_back(byte); }
};

// A port on the model's virtual serial line that logs its writes into the
// recorder's wire log.
class ModelPort : public MeasPort {
public:
    ModelPort(klvdevice::VirtualSerialPort& line, Recorder& recorder)
        : line_(line), recorder_(recorder)
    {
    }
    bool WriteBytes(const std::uint8_t* data, std::size_t size) override;
    bool ReadByte(std::uint8_t* byte) override;
    void PurgeAndClear() override
    {
        ++purges;
        line_.Purge();
    }
    void Sleep(unsigned ms) override { line_.SleepMs(ms); }
    int purges = 0;
    int reads = 0;

private:
    klvdevice::VirtualSerialPort& line_;
    Recorder& recorder_;
};

// The serial link's receive loop (the library's own code) between the line
// and the run: it stores the bytes, throws away what _ShiftCounter asks for
// and hands the buffer over in blocks of 192. Its reads wait for the bytes
// they ask for, as the port's read does within its time-out: bytes that do
// not yet make a whole read stay queued until the next feed.
class Link {
public:
    explicit Link(Recorder& recorder);
    void Feed(MeasRun* run, const std::uint8_t* data, std::size_t size);
    void Feed(MeasRun* run, const std::vector<std::uint8_t>& data)
    {
        Feed(run, data.data(), data.size());
    }
    std::vector<std::vector<std::uint8_t>> blocks; // every block delivered

private:
    class Line : public klv::RxByteSource {
    public:
        std::uint32_t Read(std::uint8_t* dst, std::uint32_t count) override;
        std::deque<std::uint8_t> queued;
    };
    class Handover : public klv::RxBlockSink {
    public:
        explicit Handover(Link& link) : link_(link) {}
        void OnBlock(const klv::RxBlockInfo& info) override;
        MeasRun* run = nullptr;

    private:
        Link& link_;
    };

    std::vector<std::uint8_t> buffer_ = std::vector<std::uint8_t>(kRxBufferBytes);
    klv::RxLoop loop_{buffer_.data(), kRxBufferBytes, kBlockBytes};
    Line line_;
    Handover handover_{*this};
};

// Triplets made with the device model's encoder.
struct StreamBuilder {
    std::vector<std::uint8_t> bytes;
    StreamBuilder& Sample(int count, bool startRequest = false, bool redLit = false,
                          bool greenLit = false);
    StreamBuilder& Samples(int n, int count, bool startRequest = false);
    StreamBuilder& Raw(std::initializer_list<std::uint8_t> raw);
};

// A device count whose rescaled value is exactly `rescaled` (fails the test if none).
int DeviceCountFor(int rescaled, int fullScale);

// The device model playing a scenario, connected to a run through a virtual
// serial line, the link's hand-over and a 500 ms timer on the virtual clock.
class SimHarness {
public:
    explicit SimHarness(const std::string& scenarioText);
    ~SimHarness();

    bool Start(int measMode = kMeasModeSeries);
    // Runs the device and the run until pred() holds, the run ended, or
    // maxSeconds of virtual time passed. Returns pred()'s final value.
    bool RunUntil(const std::function<bool()>& pred, double maxSeconds = 120.0);
    // Lets the virtual time run (with blocks and ticks).
    void RunFor(double seconds);

    klvdevice::DeviceModel device;
    klvdevice::VirtualSerialPort line;
    Recorder recorder;
    ModelPort port;
    Link link;
    MeasRun run{};
    MessDescr* descr = nullptr;
    MeasDate date{7, 12, 2026};
    int ticks = 0;
    // The host's pace: how long it lets pass before it looks at the line
    // again when nothing was waiting, and how much later than one period
    // after the start its first timer tick comes.
    klvdevice::Micros readPeriodUs = klvdevice::kSamplePeriodUs;
    klvdevice::Micros firstTickDelayUs = 0;

private:
    void Step();
    std::uint64_t nextTickUs_ = 0;
};

#endif
