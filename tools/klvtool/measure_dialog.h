// measure_dialog.h - the measurement dialog without a window: what the run
// shows goes to the console, its link is a LinkTransport, its live graph a
// plain buffer, and it answers the run's questions with "No".
#ifndef KLVTOOL_MEASURE_DIALOG_H
#define KLVTOOL_MEASURE_DIALOG_H

#include <cstdio>
#include <string>
#include <vector>

#include "measrun.h"
#include "measure_link.h"

class HeadlessDialog : public MeasOutput {
public:
    HeadlessDialog(LinkTransport& link, std::FILE* console);

    // Hands received bytes to the run as the serial link does: bytes to skip
    // after _ShiftCounter are thrown away, the rest goes in blocks of 192.
    void Feed(MeasRun* run, const std::uint8_t* data, std::size_t size);

    // From now on the end question is answered "Yes" (the user interrupted,
    // or the line failed and the run has to close it).
    void AnswerEndWithYes() { answerEndYes_ = true; }

    // Why the run failed to start, in English (empty when it did not fail).
    const std::string& StartError() const { return startError_; }
    bool TimerRunning() const { return timerRunning_; }

    // MeasOutput
    MeasPort* OpenLink(const char* portName) override;
    void EnableLink() override;
    void CloseLink() override;
    void SendCommand(std::uint8_t command) override;
    void ShiftCounter(int count) override;
    void RaisePriority() override {}
    void RestorePriority() override {}
    void StartTimer(unsigned) override { timerRunning_ = true; }
    void StopTimer() override { timerRunning_ = false; }
    void AddGraph(const MeasGraphSetup& setup) override;
    void SetGraphStyle(int, int, int, double, double) override {}
    void AppendSamples(const std::int16_t* samples, int count) override;
    void SetGraphEnd(int samples) override;
    std::int16_t* GraphSamples() override;
    void RepaintGraph() override {}
    void SetStatusText(const char* text) override;
    void SetValueText(const char*) override {}
    void SetSensorLine(const char* text) override;
    void ShowLamps(bool, bool) override {}
    void EnableRepeatButton(bool) override {}
    void PrepareTestMode() override {}
    bool AskYesNo(int stringId) override;
    void ShowError(int stringId, const char* arg) override;
    void CloseDialog(bool) override {}

private:
    class Port : public MeasPort {
    public:
        explicit Port(LinkTransport& link) : link_(link) {}
        bool WriteBytes(const std::uint8_t* data, std::size_t size) override;
        bool ReadByte(std::uint8_t* byte) override;
        void PurgeAndClear() override;
        void Sleep(unsigned ms) override;

    private:
        LinkTransport& link_;
    };

    void Print(const char* label, const char* cp1252);

    LinkTransport& link_;
    std::FILE* console_;
    Port port_;
    bool linkOpen_ = false;
    bool timerRunning_ = false;
    bool answerEndYes_ = false;
    std::string startError_;
    int discard_ = 0;
    std::uint8_t block_[kBlockBytes] = {};
    std::size_t blockFill_ = 0;
    std::vector<std::int16_t> graph_;
    std::size_t graphEnd_ = 0;
};

#endif
