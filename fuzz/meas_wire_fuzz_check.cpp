// meas_wire_fuzz_check.cpp - a measurement run driven by untrusted device
// bytes through the run's port interface and the link's receive loop.
#include "meas_wire_fuzz_check.h"

#include <cmath>
#include <cstdio>
#include <algorithm>
#include <cstring>
#include <memory>
#include <stdexcept>

#include "appstrings.h"
#include "devicestream.h"
#include "measrun.h"
#include "measure.h"
#include "measure_link.h"
#include "messdescr.h"
#include "rxloop.h"

namespace {

constexpr unsigned kChunkSizes[8] = {1, 2, 3, 5, 64, 192, 256, 1000};
// Generous: a triplet costs the run a handful of actions, a block a few more.
constexpr std::size_t kActionsPerByte = 16;
constexpr std::size_t kActionsAtStart = 512;
// The commands kept for the closing check: the last ones are what matters.
constexpr std::size_t kSentKept = 64;

std::string Text(const char* format, long a, long b = 0)
{
    char text[160];
    std::snprintf(text, sizeof(text), format, a, b);
    return text;
}

// The device's bytes as the line delivers them: a read returns at most the
// bytes left in the current chunk, and every chunk ends with one read that
// times out (returns nothing).
class WireLine : public klv::RxByteSource {
public:
    WireLine(const std::uint8_t* data, std::size_t size, unsigned chunk)
        : data_(data), size_(size), chunk_(chunk), left_(chunk)
    {
    }
    std::uint32_t Read(std::uint8_t* dst, std::uint32_t count) override
    {
        if (pos_ == size_)
            return 0;
        if (left_ == 0) {
            left_ = chunk_;
            ++timeouts_;
            return 0;
        }
        std::size_t n = count < left_ ? count : left_;
        if (n > size_ - pos_)
            n = size_ - pos_;
        // The receive loop reads one byte at a time: a plain copy beats the
        // sanitizer's memcpy.
        for (std::size_t i = 0; i < n; ++i)
            dst[i] = data_[pos_ + i];
        pos_ += n;
        left_ -= static_cast<unsigned>(n);
        return static_cast<std::uint32_t>(n);
    }
    bool Exhausted() const { return pos_ == size_; }
    std::size_t Timeouts() const { return timeouts_; }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
    unsigned chunk_;
    unsigned left_;
    std::size_t timeouts_ = 0;
};

bool IsDeviceCommand(std::uint8_t b)
{
    return b == kCmdStreamStart || b == kCmdStop || b == kCmd84 || b == kCmd85 || b == kCmd88 ||
           b == kCmd89;
}

// The big buffers of a session (the record with its curves, the link's
// receive buffer, the live graph), made once: a fuzzing run plays millions of
// sessions, and fresh allocations of 60 kB for each cost more than most
// sessions. Each session gets them zero-filled, as freshly made ones are.
struct WireBuffers {
    std::unique_ptr<MessDescr, void (*)(MessDescr*)> descr{AllocMessDescr(), FreeMessDescr};
    std::vector<std::uint8_t> rx = std::vector<std::uint8_t>(kRxBufferBytes);
    std::vector<std::int16_t> graph = std::vector<std::int16_t>(kMeasGraphSamples);

    static WireBuffers& Cleared()
    {
        static WireBuffers buffers;
        buffers.Clear();
        return buffers;
    }

private:
    void Clear()
    {
        if (!descr)
            throw std::bad_alloc();
        MessDescr* d = descr.get();
        std::int16_t* curves[kMessMeasurements];
        std::memcpy(curves, d->pCurve, sizeof(curves));
        std::int16_t* mean = d->pMeanCurve;
        std::memset(static_cast<void*>(d), 0, sizeof(*d));
        for (int i = 0; i < kMessMeasurements; ++i) {
            d->pCurve[i] = curves[i];
            std::memset(curves[i], 0, kMessCurveSamples * sizeof(std::int16_t));
        }
        d->pMeanCurve = mean;
        std::memset(mean, 0, kMessCurveSamples * sizeof(std::int16_t));
        std::memset(rx.data(), 0, rx.size());
        std::memset(graph.data(), 0, graph.size() * sizeof(graph[0]));
    }
};

// The dialog, its port and its link in one: every action of the run is
// counted and checked as it happens; the first broken promise is kept.
class WireSession : public MeasOutput, public MeasPort, public klv::RxBlockSink {
public:
    WireSession(std::uint8_t options, const std::uint8_t* data, std::size_t size)
        : options_(options), line_(data, size, kChunkSizes[(options >> kWireChunkShift) & 7]),
          size_(size)
    {
        sent_.reserve(kSentKept + 16);
    }

    WireOutcome Play();

    // MeasPort
    bool WriteBytes(const std::uint8_t* data, std::size_t size) override;
    bool ReadByte(std::uint8_t* byte) override
    {
        Act();
        return line_.Read(byte, 1) == 1;
    }
    void PurgeAndClear() override { Act(); }
    void Sleep(unsigned) override { Act(); }

    // MeasOutput
    MeasPort* OpenLink(const char*) override
    {
        Act();
        return this;
    }
    void EnableLink() override
    {
        Act();
        ++linkEnables_;
    }
    void CloseLink() override
    {
        Act();
        loop_.Stop();
        linkClosed_ = true;
    }
    void SendCommand(std::uint8_t command) override;
    void ShiftCounter(int count) override;
    void RaisePriority() override { Act(); }
    void RestorePriority() override { Act(); }
    void StartTimer(unsigned) override
    {
        Act();
        timerRunning_ = true;
    }
    void StopTimer() override
    {
        Act();
        timerRunning_ = false;
    }
    void AddGraph(const MeasGraphSetup& setup) override;
    void SetGraphStyle(int, int, int, double, double) override { Act(); }
    void AppendSamples(const std::int16_t* samples, int count) override;
    void AppendSample(std::int16_t count);
    void SetGraphEnd(int samples) override;
    std::int16_t* GraphSamples() override
    {
        Act();
        return graph_;
    }
    void RepaintGraph() override { Act(); }
    void SetStatusText(const char* text) override { ActOnText(text, 128); }
    void SetValueText(const char* text) override { ActOnText(text, 32); }
    void SetSensorLine(const char* text) override { ActOnText(text, 512); }
    void ShowLamps(bool, bool) override { Act(); }
    void EnableRepeatButton(bool) override { Act(); }
    void PrepareTestMode() override { Act(); }
    bool AskYesNo(int stringId) override;
    void ShowError(int, const char*) override
    {
        Act();
        ++errorsShown_;
    }
    void CloseDialog(bool seriesComplete) override;

    // RxBlockSink
    void OnBlock(const klv::RxBlockInfo& info) override;

private:
    void Fail(const std::string& what)
    {
        if (broken_.empty())
            broken_ = what;
    }
    void Act()
    {
        ++actions_;
        if (dialogClosed_)
            Fail("the run acted after its dialog had closed");
    }
    void ActOnText(const char* text, std::size_t capacity)
    {
        Act();
        if (!text || std::strlen(text) >= capacity)
            Fail("a text for the dialog is missing or longer than its field");
    }
    std::size_t ActionLimit() const
    {
        return kActionsAtStart + kActionsPerByte * (size_ + line_.Timeouts());
    }
    void CheckRun(const char* when);
    void ReceiveUntilIdle(std::size_t maxSteps);
    void Tick();
    void CancelAtTheEnd();

    std::uint8_t options_;
    WireLine line_;
    std::size_t size_;
    MeasRun run_{};
    WireBuffers& buffers_ = WireBuffers::Cleared();
    MessDescr* descr_ = buffers_.descr.get();
    std::uint8_t* rxBuffer_ = buffers_.rx.data();
    klv::RxLoop loop_{rxBuffer_, kRxBufferBytes, kBlockBytes};
    std::int16_t* graph_ = nullptr;
    int graphSize_ = 0;
    std::int16_t sampleLimit_ = 0; // the rescaled top of the device's range
    int graphEnd_ = 0;
    std::vector<std::uint8_t> sent_; // the last commands, for the closing check
    std::string broken_;
    std::size_t actions_ = 0;
    std::size_t blocks_ = 0;
    int linkEnables_ = 0;
    int errorsShown_ = 0;
    int dialogCloses_ = 0;
    bool dialogClosed_ = false;
    bool linkClosed_ = false;
    bool timerRunning_ = false;
    bool asking_ = false;
    bool userEnded_ = false;
    bool answerYes_ = false;
};

bool WireSession::WriteBytes(const std::uint8_t* data, std::size_t size)
{
    Act();
    const bool identRequest = size == 2 && data[0] == kCmdIdentRequest && data[1] < kDeviceInfoSize;
    bool commands = size > 0;
    for (std::size_t i = 0; i < size; ++i)
        commands = commands && IsDeviceCommand(data[i]);
    if (!identRequest && !commands)
        Fail("a direct write is neither an identification request nor device commands");
    if (commands)
        sent_.insert(sent_.end(), data, data + size);
    return true;
}

void WireSession::SendCommand(std::uint8_t command)
{
    Act();
    if (!IsDeviceCommand(command))
        Fail(Text("command byte 0x%02lx is none the device knows", command));
    sent_.push_back(command);
    if (sent_.size() > kSentKept)
        sent_.erase(sent_.begin(), sent_.end() - 8);
}

void WireSession::ShiftCounter(int count)
{
    Act();
    // What the run skips lies inside the block it has just read.
    if (count <= 0 || count >= kBlockBytes)
        Fail(Text("the link is asked to skip %ld bytes", count));
    loop_.SetSkipCount(count);
}

void WireSession::AddGraph(const MeasGraphSetup& setup)
{
    Act();
    // The dialog's graph holds kMeasGraphSamples, and so does the buffer.
    if (graph_ || setup.nSize != kMeasGraphSamples)
        return Fail(Text("graph made again or with %ld samples", setup.nSize));
    graphSize_ = setup.nSize;
    graph_ = buffers_.graph.data();
    sampleLimit_ = RescaleCount(4095, run_.nFullScale);
}

void WireSession::AppendSamples(const std::int16_t* samples, int count)
{
    Act();
    if (count < 0 || (count > 0 && !samples))
        return Fail(Text("a run of %ld samples was appended without its samples", count));
    for (int i = 0; i < count; ++i)
        AppendSample(samples[i]);
}

void WireSession::AppendSample(std::int16_t count)
{
    if (!graph_)
        return Fail("a sample was appended before the graph was made");
    if (count < 0 || count > sampleLimit_)
        Fail(Text("sample %ld lies outside the device's range", count));
    // A recording must fit the record's curve; the test mode's live graph wraps.
    const int limit = run_.MeasMode == kMeasModeSeries ? kMessCurveSamples : graphSize_;
    if (graphEnd_ >= limit)
        return Fail(Text("sample appended at index %ld of %ld", graphEnd_, limit));
    graph_[graphEnd_++] = count;
    if (graphEnd_ == graphSize_)
        graphEnd_ = 0;
}

void WireSession::SetGraphEnd(int samples)
{
    Act();
    if (samples < 0 || samples > graphSize_)
        return Fail(Text("graph end set to %ld of %ld samples", samples, graphSize_));
    graphEnd_ = samples;
}

bool WireSession::AskYesNo(int stringId)
{
    Act();
    if (asking_)
        Fail("a question opened while another was open");
    if (stringId != IDS_ASK_REPEAT && stringId != IDS_ASK_END_MEASUREMENT)
        Fail(Text("question %ld is none the run asks", stringId));
    asking_ = true;
    // A modal box: the link keeps handing blocks over meanwhile.
    if (options_ & kWireBlocksDuringQuestions)
        ReceiveUntilIdle(2 * kBlockBytes);
    asking_ = false;
    const bool yes = answerYes_ || (options_ & kWireAnswerYes) != 0;
    if (yes && stringId == IDS_ASK_END_MEASUREMENT)
        userEnded_ = true;
    return yes;
}

void WireSession::CloseDialog(bool seriesComplete)
{
    Act();
    ++dialogCloses_;
    dialogClosed_ = true;
    if (seriesComplete != MeasRunResult(&run_))
        Fail("the dialog's result differs from the run's");
    if (timerRunning_)
        Fail("the dialog closed with the timer running");
    if (!linkClosed_)
        Fail("the dialog closed with the link open");
}

void WireSession::OnBlock(const klv::RxBlockInfo& info)
{
    ++blocks_;
    if (linkEnables_ != 1)
        Fail("a block arrived on a link that was not enabled once");
    const std::uint8_t* begin = rxBuffer_;
    if (info.nBlockSize != kBlockBytes || info.pBlock < begin ||
        info.pBlock + info.nBlockSize > begin + loop_.Length() || info.nRxPos > loop_.Length())
        return Fail(Text("block handed over at %ld, buffer position %ld",
                         static_cast<long>(info.pBlock - begin), info.nRxPos));
    char debug[klv::kRxDebugTextSize];
    const std::size_t length = klv::FormatRxDebugText(debug, info, 0);
    if (length >= klv::kRxDebugTextSize || std::strlen(debug) != length)
        Fail("the block's debug text overran its capacity");
    MeasRunBlock(&run_, info.pBlock, info.nBlockSize);
    CheckRun("after a block");
}

void WireSession::CheckRun(const char* when)
{
    const MeasRun& r = run_;
    if (r.nRingPos < 0 || r.nRingPos >= kPreTriggerSamples)
        Fail(std::string("ring position out of the ring ") + when);
    if (r.nSampleCount < 0 || r.nSampleCount > kMessCurveSamples)
        Fail(std::string("sample count beyond the curve ") + when);
    if (r.nMeasNo < 0 || r.nMeasNo > 5)
        Fail(std::string("measurement number out of range ") + when);
    if (r.MeasState != WaitStart && r.MeasState != Measuring && r.MeasState != WaitThreshold &&
        r.MeasState != Settling)
        Fail(std::string("unknown run state ") + when);
    if (r.bRepeatQuestion && !asking_)
        Fail(std::string("the repeat question is marked open with none open ") + when);
    if (loop_.RxPos() > loop_.Length() || loop_.LastBlockEnd() > loop_.RxPos())
        Fail(std::string("receive position outside the buffer ") + when);
    if (actions_ > ActionLimit())
        Fail(Text("%ld actions for %ld bytes", static_cast<long>(actions_),
                  static_cast<long>(size_)));
}

// Runs the receive loop until a read times out (or maxSteps): every step
// either takes a byte or is that time-out, so the steps are bounded by the
// bytes and the chunks.
void WireSession::ReceiveUntilIdle(std::size_t maxSteps)
{
    for (std::size_t step = 0; step < maxSteps && broken_.empty(); ++step) {
        const klv::RxLoop::Step done = loop_.RunStep(line_, *this);
        if (done == klv::RxLoop::Step::Idle || done == klv::RxLoop::Step::Stopped)
            return;
    }
}

void WireSession::Tick()
{
    MeasRunTimerTick(&run_);
    if (options_ & kWireRepeatAtTicks)
        MeasRunRepeatRequest(&run_);
    if (options_ & kWireCancelAtTicks) {
        const bool wasEnded = MeasRunEnded(&run_);
        MeasRunEndRequest(&run_);
        // The test mode's cancel ends at once, without a question.
        if (!wasEnded && MeasRunEnded(&run_) && run_.MeasMode == kMeasModeTest)
            userEnded_ = true;
    }
    CheckRun("after a timer tick");
}

void WireSession::CancelAtTheEnd()
{
    answerYes_ = true;
    MeasRunEndRequest(&run_);
    if (!MeasRunEnded(&run_))
        return Fail(
            Text("cancel did nothing (state %ld, measurement %ld)", run_.MeasState, run_.nMeasNo));
    if (!userEnded_ && run_.MeasMode == kMeasModeSeries && run_.nMeasNo >= 1 && run_.nMeasNo <= 4)
        Fail("a running series ended without asking");
}

WireOutcome WireSession::Play()
{
    WireOutcome outcome;
    MeasRunInit(&run_);
    const int mode = (options_ & kWireTestMode) ? kMeasModeTest : kMeasModeSeries;
    outcome.started = MeasRunStart(&run_, mode, descr_, this, "COM1", MeasDate{9, 12, 2026});
    if (outcome.started != !MeasRunEnded(&run_))
        Fail("the start's result and the run's end disagree");
    if (!outcome.started && errorsShown_ != 1)
        Fail("a failed start showed no message");
    while (outcome.started && !MeasRunEnded(&run_) && broken_.empty()) {
        ReceiveUntilIdle(size_ + 2);
        if (MeasRunEnded(&run_))
            break;
        if (!loop_.IsRunning()) {
            Fail("the receive loop stopped under a running measurement");
            break;
        }
        Tick();
        if (line_.Exhausted())
            break; // the run waits for more bytes
    }
    outcome.ended = MeasRunEnded(&run_);
    const bool userEndedBefore = userEnded_;
    if (!outcome.ended)
        CancelAtTheEnd();
    if (dialogCloses_ != 1)
        Fail(Text("the dialog was closed %ld times", dialogCloses_));
    if (sent_.size() < 3 || sent_[sent_.size() - 3] != kCmd89 ||
        sent_[sent_.size() - 2] != kCmd85 || sent_.back() != kCmdStop)
        Fail("the device was not left with its lamps dark and its stream stopped");
    outcome.seriesComplete = MeasRunResult(&run_);
    if (outcome.ended && !outcome.seriesComplete && errorsShown_ != 1 && !userEndedBefore)
        Fail("the run ended unfinished without a message or the user's end");
    if (outcome.seriesComplete) {
        if (mode != kMeasModeSeries || errorsShown_ != 0)
            Fail("a complete series outside a clean series run");
        for (int slot = 0; slot < kMessSlots; ++slot) {
            if (!std::isfinite(descr_->dPeakForce[slot]) || !std::isfinite(descr_->dEffForce[slot]))
                Fail("a complete series with figures that are no numbers");
        }
    }
    // A block after the end is ignored.
    const std::size_t before = actions_;
    const std::uint8_t late[kTripletSize] = {0x80, 0x10, 0x10};
    MeasRunBlock(&run_, late, sizeof(late));
    if (actions_ != before)
        Fail("a block after the end reached the dialog");
    outcome.errorsShown = errorsShown_;
    outcome.blocks = blocks_;
    outcome.broken = broken_;
    return outcome;
}

// ---- Seeds: recorded simulator traffic --------------------------------------

// Passes everything through and keeps every byte of the device the run read.
class RecordingLink : public LinkTransport {
public:
    explicit RecordingLink(LinkTransport& inner) : inner_(inner) {}
    bool Open(std::string* error) override { return inner_.Open(error); }
    void Close() override { inner_.Close(); }
    std::string Name() const override { return inner_.Name(); }
    bool Send(const std::uint8_t* data, std::size_t size) override
    {
        return inner_.Send(data, size);
    }
    bool ReadByte(std::uint8_t* byte, unsigned timeoutMs) override
    {
        const bool got = inner_.ReadByte(byte, timeoutMs);
        if (got)
            bytes.push_back(*byte);
        return got;
    }
    void PurgeAndClear() override { inner_.PurgeAndClear(); }
    void PurgeInput() override { inner_.PurgeInput(); }
    void Sleep(unsigned ms) override { inner_.Sleep(ms); }
    std::size_t Receive(std::uint8_t* data, std::size_t size, unsigned waitMs) override
    {
        const std::size_t got = inner_.Receive(data, size, waitMs);
        bytes.insert(bytes.end(), data, data + got);
        return got;
    }
    std::uint64_t NowMs() override { return inner_.NowMs(); }
    std::string Finished() override { return inner_.Finished(); }

    std::vector<std::uint8_t> bytes;

private:
    LinkTransport& inner_;
};

// klvtool measure's run of a scenario; the device's bytes with the option byte before them.
std::vector<std::uint8_t> RecordSeries(const std::string& scenario, std::uint8_t options)
{
    std::unique_ptr<LinkTransport> sim = MakeSimTransport(scenario);
    RecordingLink link(*sim);
    std::unique_ptr<MessDescr, void (*)(MessDescr*)> descr(AllocMessDescr(), FreeMessDescr);
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> quiet(std::fopen("/dev/null", "w"),
                                                          std::fclose);
    std::string error;
    if (!descr || !quiet ||
        !RunMeasurementSeries(link, descr.get(), MeasDate{9, 12, 2026}, quiet.get(), &error))
        throw std::runtime_error("the seed series " + scenario + " did not complete: " + error);
    link.bytes.insert(link.bytes.begin(), options);
    return link.bytes;
}

std::string ScenarioPath(const char* file)
{
    return std::string(KLV_FUZZ_SCENARIO_DIR) + "/" + file;
}

// klvtool reads the line in pieces of 256 bytes.
constexpr std::uint8_t kChunk256 = 6 << kWireChunkShift;

} // namespace

WireOutcome PlayWireSession(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return WireOutcome{};
    WireSession session(data[0], data + 1, size - 1);
    return session.Play();
}

std::string CheckMeasWire(const std::uint8_t* data, std::size_t size)
{
    return PlayWireSession(data, size).broken;
}

std::vector<std::vector<std::uint8_t>> MeasWireSeriesRecordings()
{
    static const std::vector<std::vector<std::uint8_t>> recordings = {
        RecordSeries("series", kChunk256),
        RecordSeries(ScenarioPath("series-300.scn"), kChunk256),
        RecordSeries(ScenarioPath("wire-faults.scn"), kChunk256),
    };
    return recordings;
}

std::vector<std::vector<std::uint8_t>> MeasWireSeeds()
{
    std::vector<std::vector<std::uint8_t>> seeds = MeasWireSeriesRecordings();
    const std::size_t whole = seeds.size();
    // The same traffic in test mode, and its beginning on other reads and answers.
    static const std::uint8_t kVariants[] = {
        kChunk256 | kWireTestMode,
        1 << kWireChunkShift,
        (4 << kWireChunkShift) | kWireRepeatAtTicks | kWireBlocksDuringQuestions,
        (5 << kWireChunkShift) | kWireCancelAtTicks | kWireAnswerYes,
    };
    for (std::size_t i = 0; i < whole; ++i) {
        for (std::uint8_t options : kVariants) {
            std::vector<std::uint8_t> cut(
                seeds[i].begin(), seeds[i].begin() + std::min<std::size_t>(seeds[i].size(), 6000));
            cut[0] = options;
            seeds.push_back(std::move(cut));
        }
    }
    return seeds;
}
