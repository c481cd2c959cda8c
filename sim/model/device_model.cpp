// The device: command handling, the sample stream and the scenario player.
#include "device_model.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

#include "force_profile.h"

namespace klvdevice {

namespace {

constexpr Micros kNever = std::numeric_limits<Micros>::max();
constexpr std::uint64_t kFloodBytesPerSecond =
    1920; // the serial line full: 19200 baud, 10 bits a byte

// Share of the decaying excess that rings: the force swings around the decay
// curve without falling below the clamping force.
constexpr double kRingDepth = 0.35;
constexpr double kPi = 3.14159265358979323846;

// Force of a door closing `t` seconds after it began, in counts above the rest
// offset. `start`, `peak` and `clamp` are counts.
double ClosingForce(const ClosingShape& c, double start, double peak, double clamp, double t)
{
    if (t < 0.0)
        return start;
    if (t < c.rise)
        return RampForce(start, peak, c.rise, t);
    auto settling = [&](double tt) {
        double s = tt - c.rise;
        double swing = (1.0 - kRingDepth) + kRingDepth * std::cos(2.0 * kPi * c.ring * s);
        return clamp + (peak - clamp) * std::exp(-s / c.decay) * swing;
    };
    if (t < c.hold)
        return settling(t);
    double atRelease = settling(c.hold);
    return RampForce(atRelease, 0.0, c.release, t - c.hold);
}

std::string HexByte(std::uint8_t b)
{
    char buf[8];
    std::snprintf(buf, sizeof buf, "%02x", b);
    return buf;
}

const char* CommandMeaning(std::uint8_t b)
{
    switch (b) {
    case kCmdStreamOn:
        return "stream on";
    case kCmdStreamOff:
        return "stream off";
    case kCmdRedOn:
        return "red lamp on";
    case kCmdRedOff:
        return "red lamp off";
    case kCmdGreenOn:
        return "green lamp on";
    case kCmdGreenOff:
        return "green lamp off";
    default:
        return "unknown command, ignored";
    }
}

bool IsAwait(EventKind k)
{
    return k == EventKind::AwaitStartWait || k == EventKind::AwaitThresholdWait ||
           k == EventKind::AwaitStream || k == EventKind::AwaitStop;
}

// Collapses runs of identical command lines (period 1, e.g. 0xE0 0xE0 ...)
// and of alternating pairs (period 2, e.g. 0x85 0x88 for every sample while
// the program waits for the start) into one summary line.
class CommandLogCompressor {
public:
    // Returns false when the line is swallowed as a repetition.
    bool Admit(const std::string& text)
    {
        if (period_ != 0) {
            if (text == expect_) {
                ++repeats_;
                if (period_ == 2)
                    expect_ = (expect_ == history_[0]) ? history_[1] : history_[0];
                return false;
            }
            return true; // caller flushes, then logs
        }
        if (!history_[1].empty() && text == history_[1]) {
            period_ = 1;
            repeats_ = 1;
            expect_ = history_[1];
            return false;
        }
        if (!history_[0].empty() && text == history_[0]) {
            period_ = 2;
            repeats_ = 1;
            expect_ = history_[1];
            return false;
        }
        return true;
    }
    void Remember(const std::string& text)
    {
        history_[0] = history_[1];
        history_[1] = text;
    }
    // The summary of a finished run of repetitions, or "".
    std::string Flush()
    {
        std::string s;
        if (period_ != 0 && repeats_ > 0)
            s = "... " + std::to_string(repeats_) + " more command(s) repeating the above";
        period_ = 0;
        repeats_ = 0;
        return s;
    }

private:
    std::string history_[2];
    std::string expect_;
    int period_ = 0;
    std::uint64_t repeats_ = 0;
};

} // namespace

struct DeviceModel::Impl {
    Scenario scenario;
    std::size_t nextEvent = 0;
    const ScenarioEvent* active = nullptr; // the timed event playing, if any
    Micros activeStart = 0;
    Micros activeEnd = 0;
    double activeFrom = 0, activeTo = 0, activePeak = 0, activeClamp = 0; // counts
    double force = 0; // counts above the offset while no timed event plays
    bool ended = false;
    bool hung = false;

    Micros now = 0;
    DeviceIdentity id;
    double offset = 0;
    int noiseAmplitude = 0;
    std::uint64_t noiseSeed = 0;
    Random garbage{0x4B4C5631ull};

    bool streaming = false;
    Micros nextSample = 0;
    // Set when the host's lamp commands satisfied an await during the stream:
    // the next timed event starts on the coming sample, so a closing yields the
    // same samples wherever between two samples the host's command fell.
    bool startOnSample = false;
    // The samples are numbered from the last point the host decided (the
    // stream's start, an await satisfied while streaming): the noise of a
    // sample depends on that point and the sample's number since it, never on
    // how long the host took to get there.
    std::uint64_t anchors = 0;
    Micros anchorSample = 0; // due time of the anchor's first sample
    std::uint64_t sent = 0;
    bool redLit = false;
    bool greenLit = false;
    int lastTwo[2] = {-1, -1};
    bool expectIndex = false;

    std::uint64_t dropLeft = 0;
    int flipByte = 0;
    bool ff21 = false;
    bool disturbArmed = false;
    bool disturbing = false;
    std::uint64_t floodSent = 0;
    int disturbIndex = 6;

    std::deque<std::uint8_t> out;
    LogSink sink;
    CommandLogCompressor commandLog;

    // --- logging
    void EmitLog(LogKind kind, const std::string& text)
    {
        if (sink)
            sink(now, kind, text);
    }
    void FlushCommandLog()
    {
        std::string s = commandLog.Flush();
        if (!s.empty())
            EmitLog(LogKind::Command, s);
    }
    void LogCommand(const std::string& text)
    {
        if (!sink)
            return;
        if (!commandLog.Admit(text))
            return;
        FlushCommandLog();
        commandLog.Remember(text);
        EmitLog(LogKind::Command, text);
    }
    void Log(LogKind kind, const std::string& text)
    {
        if (!sink)
            return;
        FlushCommandLog();
        EmitLog(kind, text);
    }

    // --- state
    bool Playing(EventKind k) const { return active && active->kind == k; }
    bool Pressing() const { return Playing(EventKind::Press); }
    bool Stalled() const { return Playing(EventKind::Stall); }
    bool Flooding() const { return Playing(EventKind::Flood); }

    SampleStatus Status() const { return SampleStatus{Pressing(), redLit, greenLit}; }

    DeviceInfo Info() const
    {
        DeviceInfo d = MakeDeviceInfo(id);
        if (ff21)
            d[21] = 0xFF;
        return d;
    }

    double ForceAt(Micros t) const
    {
        if (!active)
            return force;
        const double s = static_cast<double>(t - activeStart) / 1e6;
        switch (active->kind) {
        case EventKind::Ramp:
            return RampForce(activeFrom, activeTo, active->seconds, s);
        case EventKind::Closing:
            return ClosingForce(active->closing, activeFrom, activePeak, activeClamp, s);
        default:
            return activeFrom;
        }
    }

    int CountAt(Micros t) const
    {
        return static_cast<int>(
            std::clamp<long long>(std::llround(offset + ForceAt(t)), 0, kMaxCount));
    }

    bool AwaitHolds(EventKind k) const
    {
        switch (k) {
        case EventKind::AwaitStartWait:
            return lastTwo[0] == kCmdRedOff && lastTwo[1] == kCmdGreenOn;
        case EventKind::AwaitThresholdWait:
            return lastTwo[0] == kCmdGreenOff &&
                   (lastTwo[1] == kCmdRedOn || lastTwo[1] == kCmdRedOff);
        case EventKind::AwaitStream:
            return streaming;
        case EventKind::AwaitStop:
            return !streaming;
        default:
            return false;
        }
    }

    // --- output
    void Send(const std::uint8_t* bytes, std::size_t n)
    {
        for (std::size_t i = 0; i < n; ++i) {
            if (dropLeft > 0) {
                if (--dropLeft == 0)
                    Log(LogKind::State, "drop: done");
                continue;
            }
            out.push_back(bytes[i]);
        }
    }

    void Anchor()
    {
        ++anchors;
        anchorSample = nextSample;
    }

    int NoiseAt(Micros sampleTime) const
    {
        const std::uint64_t number = (sampleTime - anchorSample) / kSamplePeriodUs;
        return SampleNoise(noiseSeed, anchors, number).Symmetric(noiseAmplitude);
    }

    // A flood fills the line: 19200 baud with 10 bits per byte, 1920 bytes a
    // second, in place of the triplets while the stream runs and on a silent
    // line too (a device that has gone wrong does not obey the stop).
    void SendFlood()
    {
        // A flood begun on the coming sample has not begun yet.
        if (now <= activeStart)
            return;
        const std::uint64_t due = (now - activeStart) * kFloodBytesPerSecond / 1000000;
        for (; floodSent < due; ++floodSent) {
            const std::uint8_t b = static_cast<std::uint8_t>(garbage.Next() & 0xFF);
            Send(&b, 1);
        }
    }

    void EmitSample()
    {
        if (Flooding())
            return SendFlood();
        int k = CountAt(now);
        if (noiseAmplitude > 0)
            k = std::clamp(k + NoiseAt(now), 0, kMaxCount);
        Triplet t = EncodeTriplet(k, Status());
        if (flipByte != 0) {
            t[flipByte] |= 0x80;
            Log(LogKind::State, "flip: bit 7 set in byte " + std::to_string(flipByte) +
                                    " of sample " + std::to_string(sent));
            flipByte = 0;
        }
        Send(t.data(), t.size());
        ++sent;
    }

    // --- scenario player
    void FinishActive()
    {
        force = ForceAt(activeEnd == kNever ? now : activeEnd);
        if (active->kind == EventKind::Press)
            Log(LogKind::State, "start request released");
        if (active->kind == EventKind::Stall)
            Log(LogKind::State, "stall over");
        if (active->kind == EventKind::Flood) {
            SendFlood();
            Log(LogKind::State, "flood over: " + std::to_string(floodSent) + " bytes sent");
        }
        if (IsAwait(active->kind)) {
            Log(LogKind::Event,
                "line " + std::to_string(active->line) + ": " + active->source + ": satisfied");
            startOnSample = streaming && (active->kind == EventKind::AwaitStartWait ||
                                          active->kind == EventKind::AwaitThresholdWait);
            if (streaming)
                Anchor();
        }
        active = nullptr;
    }

    void BeginTimed(const ScenarioEvent& ev, Micros duration)
    {
        active = &ev;
        activeStart = startOnSample && duration != kNever ? std::max(now, nextSample) : now;
        startOnSample = false;
        activeEnd = duration == kNever ? kNever : activeStart + duration;
        activeFrom = force;
    }

    void Start(const ScenarioEvent& ev)
    {
        Log(LogKind::Event, "line " + std::to_string(ev.line) + ": " + ev.source);
        switch (ev.kind) {
        case EventKind::Variant:
            id.variant = ev.number == 500 ? Variant::N500 : Variant::N300;
            break;
        case EventKind::Serial:
            id.serial = ev.text;
            break;
        case EventKind::Ident:
            id.ident = ev.text;
            break;
        case EventKind::Calibration:
            id.calibration = ev.date;
            break;
        case EventKind::Offset:
            offset = ev.level.ToCounts(id.variant);
            break;
        case EventKind::Noise:
            noiseAmplitude = static_cast<int>(ev.number);
            noiseSeed = ev.seed;
            break;
        case EventKind::Wait:
        case EventKind::Hold:
            BeginTimed(ev, SecondsToMicros(ev.seconds));
            break;
        case EventKind::Press:
            BeginTimed(ev, SecondsToMicros(ev.seconds));
            Log(LogKind::State, "start request pressed");
            break;
        case EventKind::Stall:
            BeginTimed(ev, SecondsToMicros(ev.seconds));
            Log(LogKind::State, "stall: sending and answering nothing");
            break;
        case EventKind::Ramp:
            BeginTimed(ev, SecondsToMicros(ev.seconds));
            activeTo = ev.level.ToCounts(id.variant);
            break;
        case EventKind::Closing:
            BeginTimed(ev, SecondsToMicros(ev.closing.Duration()));
            activePeak = ev.closing.peak.ToCounts(id.variant);
            activeClamp = ev.closing.clamp.ToCounts(id.variant);
            break;
        case EventKind::AwaitStartWait:
        case EventKind::AwaitThresholdWait:
        case EventKind::AwaitStream:
        case EventKind::AwaitStop:
            BeginTimed(ev, kNever);
            break;
        case EventKind::Drop:
            dropLeft += static_cast<std::uint64_t>(ev.number);
            break;
        case EventKind::Garbage:
            SendGarbage(static_cast<int>(ev.number));
            break;
        case EventKind::Flip:
            flipByte = static_cast<int>(ev.number);
            break;
        case EventKind::Ff21:
            ff21 = true;
            break;
        case EventKind::Disturb:
            disturbArmed = true;
            disturbIndex = static_cast<int>(ev.number);
            break;
        case EventKind::Hangup:
            HangUp();
            break;
        case EventKind::Flood:
            BeginTimed(ev, SecondsToMicros(ev.seconds));
            floodSent = 0;
            Log(LogKind::State, "flood: random bytes at the line's full rate");
            break;
        }
    }

    void SendGarbage(int n)
    {
        std::vector<std::uint8_t> bytes(static_cast<std::size_t>(n));
        for (auto& b : bytes)
            b = static_cast<std::uint8_t>(garbage.Next() & 0x7F);
        Send(bytes.data(), bytes.size());
    }

    void HangUp()
    {
        hung = true;
        ended = true;
        streaming = false;
        active = nullptr;
        Log(LogKind::State, "hung up");
    }

    // Finishes the events due by `now` and starts the following ones, up to
    // the next event that takes time.
    void Settle()
    {
        while (!hung) {
            if (active) {
                bool done = IsAwait(active->kind) ? AwaitHolds(active->kind) : activeEnd <= now;
                if (!done)
                    return;
                FinishActive();
                continue;
            }
            if (nextEvent >= scenario.events.size()) {
                if (!ended)
                    Log(LogKind::State, "scenario ended");
                ended = true;
                return;
            }
            Start(scenario.events[nextEvent++]);
        }
    }

    // --- host commands
    void AnswerIdentify(std::uint8_t index)
    {
        if (index == 0) {
            disturbing = disturbArmed;
            disturbArmed = false;
        }
        std::uint8_t v = Info()[index];
        std::string text =
            "rx 52 " + HexByte(index) + ": identification byte " + std::to_string(index);
        if (disturbing && index == disturbIndex) {
            v ^= 0x20;
            text += " (disturbed)";
        }
        if (Stalled()) {
            LogCommand(text + ": no answer, stalled");
            return;
        }
        LogCommand(text + " -> " + HexByte(v));
        Send(&v, 1);
    }

    void SetLamp(bool& lamp, bool lit, const char* name)
    {
        if (lamp == lit)
            return;
        lamp = lit;
        Log(LogKind::State, std::string(name) + (lit ? " lamp lit" : " lamp dark"));
    }

    void Command(std::uint8_t b)
    {
        LogCommand("rx " + HexByte(b) + ": " + CommandMeaning(b));
        switch (b) {
        case kCmdIdentify:
            expectIndex = true;
            break;
        case kCmdStreamOn:
            if (!streaming) {
                streaming = true;
                nextSample = now + kSamplePeriodUs;
                Anchor();
                Log(LogKind::State, "streaming");
            }
            break;
        case kCmdStreamOff:
            if (streaming) {
                streaming = false;
                Log(LogKind::State, "stream stopped after " + std::to_string(sent) + " samples");
            }
            break;
        case kCmdRedOn:
            SetLamp(redLit, true, "red");
            break;
        case kCmdRedOff:
            SetLamp(redLit, false, "red");
            break;
        case kCmdGreenOn:
            SetLamp(greenLit, true, "green");
            break;
        case kCmdGreenOff:
            SetLamp(greenLit, false, "green");
            break;
        default:
            break;
        }
    }

    void Receive(std::uint8_t b)
    {
        lastTwo[0] = lastTwo[1];
        lastTwo[1] = b;
        if (expectIndex) {
            expectIndex = false;
            if (b < kDeviceInfoSize) {
                AnswerIdentify(b);
                return;
            }
            if (!(b & 0x80)) {
                LogCommand("rx 52 " + HexByte(b) + ": identification index out of range, ignored");
                return;
            }
        }
        if (b == kCmdIdentify) {
            expectIndex = true;
            return;
        }
        Command(b);
    }

    // --- time
    void SkipStalledSamples(Micros until)
    {
        if (nextSample >= until)
            return;
        Micros steps = (until - nextSample + kSamplePeriodUs - 1) / kSamplePeriodUs;
        nextSample += steps * kSamplePeriodUs;
    }

    void AdvanceTo(Micros t)
    {
        Settle();
        while (!hung) {
            if (streaming && nextSample <= now) {
                if (Stalled())
                    SkipStalledSamples(std::min(activeEnd, std::max(t, now + 1)));
                else {
                    EmitSample();
                    nextSample += kSamplePeriodUs;
                }
                continue;
            }
            Micros next = t;
            if (active && activeEnd < next)
                next = activeEnd;
            if (streaming && nextSample < next)
                next = nextSample;
            if (next <= now)
                break;
            now = next;
            Settle();
        }
        if (now < t)
            now = t;
        // A flood keeps the line full whether the stream runs or not.
        if (Flooding())
            SendFlood();
    }
};

DeviceModel::DeviceModel(Scenario scenario) : impl_(std::make_unique<Impl>())
{
    impl_->scenario = std::move(scenario);
}

DeviceModel::~DeviceModel() = default;
DeviceModel::DeviceModel(DeviceModel&&) noexcept = default;
DeviceModel& DeviceModel::operator=(DeviceModel&&) noexcept = default;

void DeviceModel::Write(const std::uint8_t* data, std::size_t n)
{
    Impl& d = *impl_;
    d.Settle();
    for (std::size_t i = 0; i < n && !d.hung; ++i) {
        d.Receive(data[i]);
        d.Settle();
    }
}

void DeviceModel::Write(std::initializer_list<std::uint8_t> bytes)
{
    Write(bytes.begin(), bytes.size());
}

void DeviceModel::AdvanceTo(Micros t)
{
    impl_->AdvanceTo(t);
}

std::size_t DeviceModel::TakeOutput(std::uint8_t* out, std::size_t max)
{
    auto& q = impl_->out;
    std::size_t n = std::min(max, q.size());
    std::copy_n(q.begin(), n, out);
    q.erase(q.begin(), q.begin() + static_cast<std::ptrdiff_t>(n));
    return n;
}

std::size_t DeviceModel::PendingOutput() const
{
    return impl_->out.size();
}

std::size_t DeviceModel::Pull(std::uint8_t* out, std::size_t max)
{
    Impl& d = *impl_;
    d.Settle();
    while (d.out.size() < max && d.streaming && !d.hung) {
        Micros target = d.nextSample;
        // A stall sends nothing: jump over it instead of stepping through it.
        if (d.Stalled())
            target = std::max(target, d.activeEnd);
        d.AdvanceTo(target);
    }
    return TakeOutput(out, max);
}

std::vector<std::uint8_t> DeviceModel::Pull(std::size_t max)
{
    std::vector<std::uint8_t> v(max);
    v.resize(Pull(v.data(), max));
    return v;
}

Micros DeviceModel::Now() const
{
    return impl_->now;
}

bool DeviceModel::ScenarioEnded() const
{
    impl_->Settle();
    return impl_->ended;
}

bool DeviceModel::HungUp() const
{
    impl_->Settle();
    return impl_->hung;
}

void DeviceModel::SetLogSink(LogSink sink)
{
    impl_->sink = std::move(sink);
}

void DeviceModel::FlushLog()
{
    impl_->FlushCommandLog();
}

bool DeviceModel::Streaming() const
{
    return impl_->streaming;
}

SampleStatus DeviceModel::Status() const
{
    impl_->Settle();
    return impl_->Status();
}

DeviceIdentity DeviceModel::Identity() const
{
    impl_->Settle();
    return impl_->id;
}

DeviceInfo DeviceModel::CurrentDeviceInfo() const
{
    impl_->Settle();
    return impl_->Info();
}

double DeviceModel::ForceCounts() const
{
    impl_->Settle();
    return impl_->ForceAt(impl_->now);
}

int DeviceModel::CurrentCount() const
{
    impl_->Settle();
    return impl_->CountAt(impl_->now);
}

std::uint64_t DeviceModel::SamplesSent() const
{
    return impl_->sent;
}

int DeviceModel::CurrentLine() const
{
    Impl& d = *impl_;
    d.Settle();
    if (d.active)
        return d.active->line;
    if (d.nextEvent < d.scenario.events.size())
        return d.scenario.events[d.nextEvent].line;
    return 0;
}

} // namespace klvdevice
