// klvdevice: a portable model of the KLV force-measuring device as it behaves
// on the serial line.
//
// What the device does on the wire:
//   - identification: 0x52 ('R') followed by an index 0..29 is answered with
//     one byte of the 30-byte DeviceInfo;
//   - 0xE0 starts the stream of SampleTriplets, 625 per second (one every
//     1.6 ms, 1875 bytes per second); 0xF0 stops it;
//   - 0x84/0x85 light/darken the red lamp, 0x88/0x89 the green lamp; the lamp
//     state travels back in status bits 5 (red) and 6 (green), 0 = lit;
//   - status bit 4 is 0 while the inspector presses the start button.
//
// The model is driven by a scenario (one event per line, see ParseScenario)
// and by a virtual clock in microseconds that only moves when its owner moves
// it. Two ways to drive it:
//   - unpaced (unit tests, klvtool --sim): Write() the host's bytes and Pull()
//     as many device bytes as wanted; while the stream runs, Pull() produces
//     samples as fast as asked and moves the clock 1.6 ms per sample;
//   - paced (the pty front end): AdvanceTo(real elapsed time), then
//     TakeOutput() what the device has sent by then, Write() what the host
//     sent.
// VirtualSerialPort wraps a model as a serial line with read time-outs on the
// virtual clock, for tests of request/answer exchanges that need no real time.
//
// No operating-system headers: the library builds wherever C++20 does.
// Nothing here is thread-safe; one thread drives one model.
#ifndef DEVICE_MODEL_H
#define DEVICE_MODEL_H

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace klvdevice {

using Micros = std::uint64_t; // virtual time, microseconds since the model was made

// ---------------------------------------------------------------------------
// Wire constants and the pacing arithmetic

inline constexpr int kSamplesPerSecond = 625;
inline constexpr int kBytesPerSample = 3;
inline constexpr int kBytesPerSecond = kSamplesPerSecond * kBytesPerSample; // 1875
inline constexpr Micros kSamplePeriodUs = 1600;                             // 1.6 ms
inline constexpr int kMaxCount = 4095;    // 12-bit count: 1.1 x nominal full scale
inline constexpr double kCountSpan = 1.1; // the count spans 110 % of the nominal range
inline constexpr std::size_t kDeviceInfoSize = 30;

// Command bytes the device understands.
inline constexpr std::uint8_t kCmdIdentify = 0x52; // followed by an index 0..29
inline constexpr std::uint8_t kCmdStreamOn = 0xE0;
inline constexpr std::uint8_t kCmdStreamOff = 0xF0;
inline constexpr std::uint8_t kCmdRedOn = 0x84;
inline constexpr std::uint8_t kCmdRedOff = 0x85;
inline constexpr std::uint8_t kCmdGreenOn = 0x88;
inline constexpr std::uint8_t kCmdGreenOff = 0x89;

// Samples the device has sent after streaming for `elapsed` (the first sample
// leaves 1.6 ms after 0xE0): floor(elapsed / 1600 us).
std::uint64_t SamplesSentAfter(Micros elapsed);
// Stream bytes sent after streaming for `elapsed`: 3 per whole sample.
std::uint64_t StreamBytesSentAfter(Micros elapsed);
// Time at which sample number n (0-based) leaves, relative to 0xE0: (n+1) x 1.6 ms.
Micros SampleDueTime(std::uint64_t n);
// A duration in seconds as whole microseconds (rounded to nearest).
Micros SecondsToMicros(double seconds);

// ---------------------------------------------------------------------------
// Sensor variants and identification

enum class Variant { N300, N500 };

// Nominal full scale in newtons: 300 or 500.
int FullScaleNewtons(Variant v);
// Device counts per newton: 4095 / (1.1 x full scale).
double CountsPerNewton(Variant v);
// Newtons as device counts (not rounded, not clamped).
double NewtonsToCounts(Variant v, double newtons);

// What the device tells about itself.
struct DeviceIdentity {
    Variant variant = Variant::N500;
    std::string ident = "KLV1-AC";                            // bytes 4..10, exactly 7 characters
    std::string serial = "0815";                              // bytes 12..15, exactly 4 characters
    std::array<std::string, 3> calibration{"01", "01", "24"}; // bytes 16..21: DD, MM, YY
};

using DeviceInfo = std::array<std::uint8_t, kDeviceInfoSize>;

// The 30 bytes: 0-3 zero; 4-10 ident; 11 '5' (500 N) or '3' (300 N);
// 12-15 serial; 16-21 calibration DD MM YY as characters; 22-29 zero.
DeviceInfo MakeDeviceInfo(const DeviceIdentity& id);

// ---------------------------------------------------------------------------
// SampleTriplet

struct SampleStatus {
    bool startRequest = false; // bit 4 clear
    bool redLit = false;       // bit 5 clear
    bool greenLit = false;     // bit 6 clear
};

using Triplet = std::array<std::uint8_t, 3>;

// Status byte: bit 7 set, bits 6/5/4 as above, bits 3-0 zero.
std::uint8_t EncodeStatus(const SampleStatus& s);
// Full triplet; the count is clamped to 0..4095. Byte 1 = count >> 5,
// byte 2 = (count & 31) << 2.
Triplet EncodeTriplet(int count, const SampleStatus& s);

struct DecodedTriplet {
    bool valid = false; // byte 0 has bit 7 set and bytes 1 and 2 have it clear
    int count = 0;      // byte1 x 32 + byte2 / 4
    SampleStatus status;
};
// Decodes three bytes as the host does (for tests and tools).
DecodedTriplet DecodeTriplet(const std::uint8_t* bytes);

// ---------------------------------------------------------------------------
// Scenarios

// A force level: newtons (written with the suffix N) or raw device counts.
// Levels of ramp/hold/closing are force above the rest offset.
struct Level {
    double value = 0.0;
    bool newtons = false;
    double ToCounts(Variant v) const { return newtons ? NewtonsToCounts(v, value) : value; }
};

// Shape of a door closing: from the current level a fast linear rise to the
// peak, then a damped ringing decay towards the clamping force, the clamp held
// until `hold` seconds after the closing began, and a linear release to 0.
struct ClosingShape {
    Level peak;
    Level clamp;
    double rise = 0.015;  // s, current level -> peak
    double ring = 14.0;   // Hz, frequency of the ringing
    double decay = 0.08;  // s, time constant of the decay peak -> clamp
    double hold = 6.0;    // s from the start of the closing to the release
    double release = 0.2; // s, clamp -> 0
    double Duration() const { return hold + release; }
};

enum class EventKind {
    Variant,
    Serial,
    Calibration,
    Ident,
    Offset,
    Noise,
    Wait,
    Press,
    Ramp,
    Hold,
    Closing,
    AwaitStartWait,
    AwaitThresholdWait,
    AwaitStream,
    AwaitStop,
    Drop,
    Garbage,
    Flip,
    Stall,
    Ff21,
    Disturb,
    Hangup,
    Flood,
};

struct ScenarioEvent {
    EventKind kind = EventKind::Wait;
    int line = 0;                    // 1-based line in the scenario text
    double seconds = 0.0;            // wait, press, ramp, hold, stall
    Level level;                     // offset, ramp
    std::int64_t number = 0;         // variant (300|500), noise counts, drop/garbage N,
                                     // flip byte (1|2), disturb index
    std::uint64_t seed = 0;          // noise
    std::string text;                // serial, ident
    std::array<std::string, 3> date; // calibration DD MM YY, two digits each
    ClosingShape closing;
    std::string source; // the line as written, comment and blanks trimmed
};

struct Scenario {
    std::string name; // file name or built-in name, for messages
    std::vector<ScenarioEvent> events;
};

// A scenario line that cannot be understood. what() reads
// "<name>:<line>: <problem>" (just "line <n>: <problem>" without a name, and
// "<name>: <problem>" for line 0, a file that cannot be read).
class ScenarioError : public std::runtime_error {
public:
    ScenarioError(std::string name, int line, std::string problem);
    int Line() const { return line_; }
    const std::string& Problem() const { return problem_; }

private:
    int line_;
    std::string problem_;
};

// Parses scenario text. Throws ScenarioError at the first bad line.
Scenario ParseScenario(std::string_view text, std::string name = {});
// Text of a built-in scenario ("series"), or nothing.
std::optional<std::string_view> BuiltinScenarioText(std::string_view name);
// A built-in name or a file path. Throws ScenarioError (line 0 for a file
// that cannot be read).
Scenario LoadScenario(const std::string& nameOrPath);
// One-line description of every event, for --help and the README.
std::string_view ScenarioLanguageHelp();

// ---------------------------------------------------------------------------
// The device model

enum class LogKind {
    Command, // bytes received from the host
    State,   // stream, lamps, start request, faults applied, hang-up
    Event,   // a scenario event began (or an await was satisfied)
};
using LogSink = std::function<void(Micros time, LogKind kind, const std::string& text)>;

class DeviceModel {
public:
    // A device playing `scenario` from virtual time 0. An empty scenario gives
    // a device with the default identity that streams a rest level of 0.
    // The events due at time 0 (settings, ...) run on the first call of any
    // member, so a log sink set right after construction sees them.
    explicit DeviceModel(Scenario scenario = {});
    ~DeviceModel();
    DeviceModel(const DeviceModel&) = delete;
    DeviceModel& operator=(const DeviceModel&) = delete;
    DeviceModel(DeviceModel&&) noexcept;
    DeviceModel& operator=(DeviceModel&&) noexcept;

    // Host -> device bytes, received at the current virtual time. Commands act
    // at once: identification answers are queued for output immediately, 0xE0
    // starts the sample grid (first sample 1.6 ms later), lamp and stop
    // commands take effect for the next sample; an await waiting for the
    // host's latest bytes is re-checked. Ignored after a hang-up.
    void Write(const std::uint8_t* data, std::size_t n);
    void Write(std::initializer_list<std::uint8_t> bytes);

    // Paced driving: run the device and the scenario up to virtual time `t`
    // (no-op if t <= Now()). Every sample due by then is queued for output.
    void AdvanceTo(Micros t);
    // Takes up to `max` queued output bytes (what the device has sent).
    std::size_t TakeOutput(std::uint8_t* out, std::size_t max);
    std::size_t PendingOutput() const;

    // Unpaced driving: up to `max` device bytes as fast as asked. Returns the
    // queued bytes first; while streaming, generates further samples, moving
    // the clock one sample period per sample, until `max` bytes are there.
    // Without a running stream it returns only what is queued (possibly 0) and
    // leaves the clock alone; use AdvanceTo() to let time pass.
    std::size_t Pull(std::uint8_t* out, std::size_t max);
    std::vector<std::uint8_t> Pull(std::size_t max);

    Micros Now() const;

    // The scenario ran its last event (or hung up). The device itself goes on
    // answering and streaming the last level until it hangs up.
    bool ScenarioEnded() const;
    // A `hangup` event ran: the device sends and answers nothing more.
    bool HungUp() const;

    // Log hook for received command bytes, state changes and scenario events.
    void SetLogSink(LogSink sink);
    // Writes out a pending summary of repeated commands (which is otherwise
    // written when the next different line comes), e.g. before the log closes.
    void FlushLog();

    // Current state, for tests and the front end.
    bool Streaming() const;
    SampleStatus Status() const; // what the next sample's status byte carries
    DeviceIdentity Identity() const;
    DeviceInfo CurrentDeviceInfo() const; // as the next clean identification read answers
    double ForceCounts() const;           // force level above the offset, counts, at Now()
    int CurrentCount() const;             // offset + force, rounded and clamped, noise excluded
    std::uint64_t SamplesSent() const;
    // 1-based line of the event being played, 0 once the scenario ended.
    int CurrentLine() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// ---------------------------------------------------------------------------
// A serial line on the virtual clock, for tests of request/answer exchanges.
// It behaves like an opened port: bytes the device sends collect in an input
// queue (bounded like a driver queue: bytes beyond it are lost) as virtual
// time passes; reads wait on the virtual clock. Without a device it is a
// silent port whose reads always time out.

class VirtualSerialPort {
public:
    explicit VirtualSerialPort(DeviceModel* device = nullptr, std::size_t inputQueueLimit = 6000);

    // Host -> device, at the current virtual time.
    void Write(const std::uint8_t* data, std::size_t n);
    void Write(std::initializer_list<std::uint8_t> bytes);
    // One byte, or -1 when none came within `timeoutMs` of virtual time (the
    // clock then stands `timeoutMs` later). A byte already waiting returns at once.
    int ReadByte(std::uint32_t timeoutMs);
    // Bytes waiting in the input queue now (as ClearCommError's cbInQue).
    std::size_t BytesWaiting();
    // Reads up to `max` waiting bytes without waiting.
    std::size_t ReadWaiting(std::uint8_t* out, std::size_t max);
    // Discards the input queue.
    void Purge();
    // Lets virtual time pass; the device keeps sending meanwhile.
    void SleepMs(std::uint32_t ms);
    void SleepUs(Micros us);
    Micros NowUs() const { return now_; }
    std::uint32_t NowMs() const { return static_cast<std::uint32_t>(now_ / 1000); }
    // Bytes lost because the input queue was full.
    std::uint64_t OverrunBytes() const { return overrun_; }

private:
    void RunUntil(Micros t);
    DeviceModel* device_;
    std::size_t limit_;
    Micros now_ = 0;
    std::deque<std::uint8_t> input_;
    std::uint64_t overrun_ = 0;
};

} // namespace klvdevice

#endif
