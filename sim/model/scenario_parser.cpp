// The scenario language: one event per line, '#' starts a comment.
#include "device_model.h"

#include <charconv>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <utility>

namespace klvdevice {

namespace {

constexpr double kMaxSeconds = 1e6; // about 11.5 days: plenty, and no overflow
constexpr double kMaxLevelNewtons = 1e5;
constexpr double kMaxLevelCounts = 1e6;
constexpr std::int64_t kMaxFaultBytes = 1000000;

// Control characters in a bad line would garble the terminal or cut the
// message short (a NUL); they are shown as \xNN instead. Runs of ordinary
// characters are copied whole: a bad line may be kilobytes long.
std::string Printable(const std::string& text)
{
    static const char kHexDigits[] = "0123456789abcdef";
    std::string out;
    out.reserve(text.size());
    std::size_t plain = 0; // start of the run of ordinary characters
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x20 || c == 0x7F) {
            out.append(text, plain, i - plain);
            const char escaped[4] = {'\\', 'x', kHexDigits[c >> 4], kHexDigits[c & 0xF]};
            out.append(escaped, sizeof escaped);
            plain = i + 1;
        }
    }
    out.append(text, plain, text.size() - plain);
    return out;
}

std::string FormatMessage(const std::string& name, int line, const std::string& problem)
{
    // Line 0 stands for the file as a whole (it cannot be read).
    std::string where = name.empty() ? "line " + std::to_string(line)
                        : line == 0  ? name
                                     : name + ":" + std::to_string(line);
    return where + ": " + problem;
}

std::vector<std::string> SplitWords(std::string_view text)
{
    std::vector<std::string> words;
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\r'))
            ++i;
        std::size_t start = i;
        while (i < text.size() && text[i] != ' ' && text[i] != '\t' && text[i] != '\r')
            ++i;
        if (i > start)
            words.emplace_back(text.substr(start, i - start));
    }
    return words;
}

std::string Trimmed(std::string_view text)
{
    std::size_t b = 0, e = text.size();
    while (b < e && (text[b] == ' ' || text[b] == '\t' || text[b] == '\r'))
        ++b;
    while (e > b && (text[e - 1] == ' ' || text[e - 1] == '\t' || text[e - 1] == '\r'))
        --e;
    return std::string(text.substr(b, e - b));
}

std::optional<double> ParseDouble(std::string_view s)
{
    if (s.empty())
        return std::nullopt;
    if (s.front() == '+')
        s.remove_prefix(1);
    double v = 0;
    auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || p != s.data() + s.size() || !std::isfinite(v))
        return std::nullopt;
    return v;
}

std::optional<std::int64_t> ParseInteger(std::string_view s)
{
    if (s.empty())
        return std::nullopt;
    if (s.front() == '+')
        s.remove_prefix(1);
    std::int64_t v = 0;
    auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || p != s.data() + s.size())
        return std::nullopt;
    return v;
}

// Parses one line's words into an event, reporting problems by exception.
// One parser per line: the event is moved out when it is complete.
class LineParser {
public:
    LineParser(const std::string& name, int line, std::vector<std::string> words)
        : name_(name), line_(line), words_(std::move(words))
    {
    }

    ScenarioEvent Parse()
    {
        ev_.line = line_;
        // A view compares its length before its characters: most keywords are
        // told apart without comparing text.
        const std::string_view w = words_[0];
        if (w == "variant")
            return ParseVariant();
        if (w == "serial")
            return ParseText(EventKind::Serial, 4, "SERIAL");
        if (w == "ident")
            return ParseText(EventKind::Ident, 7, "TEXT");
        if (w == "calibration")
            return ParseCalibration();
        if (w == "offset")
            return WithLevel(EventKind::Offset);
        if (w == "noise")
            return ParseNoise();
        if (w == "wait")
            return WithSeconds(EventKind::Wait);
        if (w == "press")
            return WithSeconds(EventKind::Press);
        if (w == "hold")
            return WithSeconds(EventKind::Hold);
        if (w == "stall")
            return WithSeconds(EventKind::Stall);
        if (w == "ramp")
            return ParseRamp();
        if (w == "closing")
            return ParseClosing();
        if (w == "await")
            return ParseAwait();
        if (w == "drop")
            return WithCount(EventKind::Drop, 1, kMaxFaultBytes);
        if (w == "garbage")
            return WithCount(EventKind::Garbage, 1, kMaxFaultBytes);
        if (w == "flip")
            return ParseOptionalNumber(EventKind::Flip, 1, 1, 2, "BYTE (1 or 2)");
        if (w == "disturb")
            return ParseOptionalNumber(EventKind::Disturb, 6, 0, 29, "INDEX (0..29)");
        if (w == "ff21")
            return Bare(EventKind::Ff21);
        if (w == "hangup")
            return Bare(EventKind::Hangup);
        if (w == "flood")
            return WithSeconds(EventKind::Flood);
        Fail("unknown event '" + words_[0] +
             "' (known: variant serial ident calibration offset noise wait press ramp hold "
             "closing await drop garbage flip stall ff21 disturb hangup)");
    }

private:
    [[noreturn]] void Fail(const std::string& problem)
    {
        throw ScenarioError(name_, line_, problem);
    }

    const std::string& Keyword() const { return words_[0]; }

    void ExpectArgs(std::size_t n, const char* usage)
    {
        if (words_.size() - 1 < n)
            Fail(Keyword() + ": missing argument (usage: " + usage + ")");
        if (words_.size() - 1 > n)
            Fail(Keyword() + ": unexpected '" + words_[n + 1] + "' (usage: " + usage + ")");
    }

    double Seconds(const std::string& word, const std::string& what)
    {
        std::string_view s = word;
        if (s.size() > 1 && s.back() == 's')
            s.remove_suffix(1);
        auto v = ParseDouble(s);
        if (!v)
            Fail(what + ": '" + word + "' is not a number of seconds");
        if (*v < 0)
            Fail(what + ": seconds must not be negative, got '" + word + "'");
        if (*v > kMaxSeconds)
            Fail(what + ": '" + word + "' seconds is too long");
        return *v;
    }

    Level ParseLevel(const std::string& word, const std::string& what)
    {
        Level lv;
        std::string_view s = word;
        const char* usage =
            " is not a LEVEL (newtons such as 120N, or a device count such as 1500)";
        if (!s.empty() && (s.back() == 'N' || s.back() == 'n')) {
            s.remove_suffix(1);
            auto v = ParseDouble(s);
            if (!v)
                Fail(what + ": '" + word + "'" + usage);
            if (std::fabs(*v) > kMaxLevelNewtons)
                Fail(what + ": '" + word + "' is out of range");
            lv.value = *v;
            lv.newtons = true;
        } else {
            auto v = ParseInteger(s);
            if (!v)
                Fail(what + ": '" + word + "'" + usage);
            if (std::llabs(*v) > kMaxLevelCounts)
                Fail(what + ": '" + word + "' is out of range");
            lv.value = static_cast<double>(*v);
        }
        return lv;
    }

    std::int64_t Integer(const std::string& word, std::int64_t lo, std::int64_t hi,
                         const std::string& what)
    {
        auto v = ParseInteger(word);
        if (!v || *v < lo || *v > hi)
            Fail(what + ": '" + word + "' is not a whole number " + std::to_string(lo) + ".." +
                 std::to_string(hi));
        return *v;
    }

    ScenarioEvent Bare(EventKind k)
    {
        ExpectArgs(0, Keyword().c_str());
        ev_.kind = k;
        return std::move(ev_);
    }

    ScenarioEvent ParseVariant()
    {
        ExpectArgs(1, "variant 300|500");
        if (words_[1] != "300" && words_[1] != "500")
            Fail("variant: expected 300 or 500, got '" + words_[1] + "'");
        ev_.kind = EventKind::Variant;
        ev_.number = words_[1] == "500" ? 500 : 300;
        return std::move(ev_);
    }

    ScenarioEvent ParseText(EventKind k, std::size_t width, const char* what)
    {
        const std::string usage = Keyword() + " " + what;
        ExpectArgs(1, usage.c_str());
        const std::string& t = words_[1];
        if (t.size() != width)
            Fail(Keyword() + ": expected exactly " + std::to_string(width) + " characters, got '" +
                 t + "'");
        for (char c : t)
            if (static_cast<unsigned char>(c) < 0x21 || static_cast<unsigned char>(c) > 0x7E)
                Fail(Keyword() + ": only printable ASCII characters, got '" + t + "'");
        ev_.kind = k;
        ev_.text = t;
        return std::move(ev_);
    }

    ScenarioEvent ParseCalibration()
    {
        ExpectArgs(3, "calibration DD MM YY");
        const char* names[3] = {"day", "month", "year"};
        const std::int64_t hi[3] = {31, 12, 99};
        const std::int64_t lo[3] = {1, 1, 0};
        for (int i = 0; i < 3; ++i) {
            const std::string& w = words_[i + 1];
            if (w.empty() || w.size() > 2)
                Fail(std::string("calibration: ") + names[i] + " '" + w +
                     "' must have 1 or 2 digits");
            std::int64_t v = Integer(w, lo[i], hi[i], std::string("calibration ") + names[i]);
            char buf[3] = {static_cast<char>('0' + v / 10), static_cast<char>('0' + v % 10), 0};
            ev_.date[i] = buf;
        }
        ev_.kind = EventKind::Calibration;
        return std::move(ev_);
    }

    ScenarioEvent WithLevel(EventKind k)
    {
        const std::string usage = Keyword() + " LEVEL";
        ExpectArgs(1, usage.c_str());
        ev_.kind = k;
        ev_.level = ParseLevel(words_[1], Keyword());
        return std::move(ev_);
    }

    ScenarioEvent ParseNoise()
    {
        ExpectArgs(2, "noise COUNTS SEED");
        ev_.kind = EventKind::Noise;
        ev_.number = Integer(words_[1], 0, kMaxCount, "noise COUNTS");
        auto seed = ParseInteger(words_[2]);
        if (!seed || *seed < 0)
            Fail("noise: SEED '" + words_[2] + "' is not a whole number >= 0");
        ev_.seed = static_cast<std::uint64_t>(*seed);
        return std::move(ev_);
    }

    ScenarioEvent WithSeconds(EventKind k)
    {
        const std::string usage = Keyword() + " SECONDS";
        ExpectArgs(1, usage.c_str());
        ev_.kind = k;
        ev_.seconds = Seconds(words_[1], Keyword());
        return std::move(ev_);
    }

    ScenarioEvent WithCount(EventKind k, std::int64_t lo, std::int64_t hi)
    {
        const std::string usage = Keyword() + " N";
        ExpectArgs(1, usage.c_str());
        ev_.kind = k;
        ev_.number = Integer(words_[1], lo, hi, Keyword());
        return std::move(ev_);
    }

    ScenarioEvent ParseOptionalNumber(EventKind k, std::int64_t dflt, std::int64_t lo,
                                      std::int64_t hi, const char* what)
    {
        if (words_.size() > 2)
            Fail(Keyword() + ": unexpected '" + words_[2] + "' (usage: " + Keyword() + " [" + what +
                 "])");
        ev_.kind = k;
        ev_.number = words_.size() == 2 ? Integer(words_[1], lo, hi, Keyword()) : dflt;
        return std::move(ev_);
    }

    ScenarioEvent ParseRamp()
    {
        ExpectArgs(2, "ramp LEVEL SECONDS");
        ev_.kind = EventKind::Ramp;
        ev_.level = ParseLevel(words_[1], "ramp");
        ev_.seconds = Seconds(words_[2], "ramp");
        return std::move(ev_);
    }

    ScenarioEvent ParseAwait()
    {
        const char* usage = "await start-wait|threshold-wait|stream|stop";
        ExpectArgs(1, usage);
        const std::string& w = words_[1];
        if (w == "start-wait")
            ev_.kind = EventKind::AwaitStartWait;
        else if (w == "threshold-wait")
            ev_.kind = EventKind::AwaitThresholdWait;
        else if (w == "stream")
            ev_.kind = EventKind::AwaitStream;
        else if (w == "stop")
            ev_.kind = EventKind::AwaitStop;
        else
            Fail("await: unknown state '" + w + "' (usage: " + usage + ")");
        return std::move(ev_);
    }

    ScenarioEvent ParseClosing()
    {
        ClosingShape& c = ev_.closing;
        bool havePeak = false, haveClamp = false;
        for (std::size_t i = 1; i < words_.size(); ++i) {
            const std::string& w = words_[i];
            auto eq = w.find('=');
            if (eq == std::string::npos || eq == 0 || eq + 1 == w.size())
                Fail("closing: expected KEY=VALUE, got '" + w + "'");
            std::string key = w.substr(0, eq), value = w.substr(eq + 1);
            if (key == "peak")
                c.peak = ParseLevel(value, "closing peak"), havePeak = true;
            else if (key == "clamp")
                c.clamp = ParseLevel(value, "closing clamp"), haveClamp = true;
            else if (key == "rise")
                c.rise = Seconds(value, "closing rise");
            else if (key == "decay")
                c.decay = Seconds(value, "closing decay");
            else if (key == "hold")
                c.hold = Seconds(value, "closing hold");
            else if (key == "release")
                c.release = Seconds(value, "closing release");
            else if (key == "ring") {
                auto v = ParseDouble(value);
                if (!v || *v < 0 || *v > 1000)
                    Fail("closing ring: '" + value + "' is not a frequency 0..1000 Hz");
                c.ring = *v;
            } else {
                Fail("closing: unknown key '" + key +
                     "' (keys: peak clamp rise ring decay hold release)");
            }
        }
        if (!havePeak)
            Fail("closing: missing peak=LEVEL");
        if (!haveClamp)
            Fail("closing: missing clamp=LEVEL");
        if (c.decay <= 0)
            Fail("closing: decay must be greater than 0");
        if (c.hold < c.rise)
            Fail("closing: hold must not be shorter than rise");
        ev_.kind = EventKind::Closing;
        return std::move(ev_);
    }

    const std::string& name_;
    int line_;
    std::vector<std::string> words_;
    ScenarioEvent ev_;
};

} // namespace

ScenarioError::ScenarioError(std::string name, int line, std::string problem)
    : std::runtime_error(FormatMessage(name, line, Printable(problem))), line_(line),
      problem_(Printable(problem))
{
}

Scenario ParseScenario(std::string_view text, std::string name)
{
    Scenario sc;
    sc.name = std::move(name);
    int lineNo = 0;
    std::size_t pos = 0;
    while (pos <= text.size()) {
        std::size_t nl = text.find('\n', pos);
        std::string_view line =
            text.substr(pos, nl == std::string_view::npos ? text.npos : nl - pos);
        ++lineNo;
        std::string_view content = line.substr(0, line.find('#'));
        auto words = SplitWords(content);
        if (!words.empty()) {
            ScenarioEvent ev = LineParser(sc.name, lineNo, std::move(words)).Parse();
            ev.source = Trimmed(content);
            sc.events.push_back(std::move(ev));
        }
        if (nl == std::string_view::npos)
            break;
        pos = nl + 1;
    }
    return sc;
}

Scenario LoadScenario(const std::string& nameOrPath)
{
    if (auto builtin = BuiltinScenarioText(nameOrPath))
        return ParseScenario(*builtin, nameOrPath);
    const char* cannotRead = "cannot read the scenario file (built-in scenarios: series)";
    std::error_code ec;
    if (std::filesystem::is_directory(nameOrPath, ec))
        throw ScenarioError(nameOrPath, 0, "is a directory, not a scenario file");
    std::ifstream in(nameOrPath, std::ios::binary);
    if (!in)
        throw ScenarioError(nameOrPath, 0, cannotRead);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad())
        throw ScenarioError(nameOrPath, 0, cannotRead);
    return ParseScenario(text, nameOrPath);
}

std::string_view ScenarioLanguageHelp()
{
    return R"(Scenario language: one event per line; '#' starts a comment; blank lines are ignored.
A LEVEL is newtons with the suffix N (120N, 35.5N) or a raw device count without it
(1500); 4095 counts are 1.1 x the nominal full scale. Levels of ramp and closing are
force above the rest offset; the device sends offset + Level (+ noise), rounded and
clamped to 0..4095. Newtons are converted with the variant in force at that line.
SECONDS is a decimal number (an 's' suffix is allowed). Scenario time runs on the
clock; while the device streams, it runs in samples of 1.6 ms.

Settings (take effect when reached; normally at the top):
  variant 300|500              sensor variant: DeviceInfo byte 11 '3' or '5' (default 500)
  serial XXXX                  serial number, 4 characters, bytes 12..15 (default 0815)
  calibration DD MM YY         calibration date, bytes 16..21 (default 01 01 24)
  ident TEXT                   identification text, 7 characters, bytes 4..10 (default KLV1-AC)
  offset LEVEL                 rest offset added to every sample (default 0)
  noise COUNTS SEED            uniform noise of +-COUNTS counts per sample, reproducible
                               from SEED; noise 0 0 turns it off
Force profile (wait, hold and press keep the current level):
  wait SECONDS                 let time pass
  hold SECONDS                 the same, in a force profile
  press SECONDS                start request (status bit 4 clear) for SECONDS
  ramp LEVEL SECONDS           linear from the current level; 0 seconds is a step
  closing peak=LEVEL clamp=LEVEL [rise=S] [ring=HZ] [decay=S] [hold=S] [release=S]
                               a door closing: linear rise to the peak (rise 0.015 s),
                               decay with ringing (ring 14 Hz, time constant decay
                               0.08 s) to the clamping force, held until hold seconds
                               after the start (6 s), then released to 0 (release 0.2 s)
Reacting to the host (by the latest command bytes received):
  await start-wait             until the last two bytes were 0x85 then 0x88
  await threshold-wait         until the last two bytes were 0x89 then 0x84 or 0x85
  await stream                 until the stream runs (0xE0)
  await stop                   until the stream is stopped (0xF0, or never started)
                               An await whose state already holds returns at once.
Wire faults:
  drop N                       the next N bytes the device sends are lost
  garbage N                    send N random bytes with bit 7 clear at once
  flip [1|2]                   set bit 7 in byte 1 (default) or 2 of the next triplet
  stall SECONDS                send and answer nothing for SECONDS (samples are lost)
  ff21                         from now on answer 0xFF for DeviceInfo byte 21
  disturb [INDEX]              the next identification read (from index 0) gets a
                               wrong byte at INDEX (default 6)
  hangup                       the device hangs up; the scenario ends
  flood SECONDS                random bytes of any value at the line's full rate
                               (1920 bytes/s) for SECONDS, in place of the samples
                               and whether the stream runs or not
When the last event has run, the scenario has ended (klvsim then exits); the device
keeps its last level until then.
)";
}

} // namespace klvdevice
