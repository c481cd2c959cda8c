// The serial half of the test bed: a COM port that the bed maps to a running
// klvsim behaves as the device's serial line does for the measurement program.
// The port is set up as the program's serial link sets it up (19200 baud 8N1,
// no flow control, DTR and RTS inactive, its queue sizes and read/write
// time-outs), the device is identified with the program's exchange (up to
// three attempts, purging and clearing the line between them), and the sample
// stream is started with 0xE0 and checked triplet by triplet.
//
//   bed_serial_test.exe PORT SENSOR SERIAL CALIBRATION ATTEMPTS [stream]
//
// SENSOR is the expected "%.8s" of DeviceInfo bytes 4..11, SERIAL bytes 12..15,
// CALIBRATION bytes 16..21, ATTEMPTS the identification attempt expected to
// succeed. With "stream", the device must play bed_stream.scn after 0xE0.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "wintest.h"

namespace {

const char kDefinition[] = "baud=19200 parity=N data=8 stop=1";
constexpr DWORD kInputQueue = 6000;
constexpr DWORD kOutputQueue = 2048;
constexpr int kInfoSize = 30;
constexpr int kMaxAttempts = 3;
constexpr DWORD kPurgeAll = PURGE_TXCLEAR | PURGE_RXCLEAR | PURGE_TXABORT | PURGE_RXABORT;

// What bed_stream.scn plays once the stream runs.
constexpr int kRestCount = 100;       // offset
constexpr int kRampCounts = 1000;     // ramp 1000 over 1 s
constexpr int kRampSamples = 625;     // 1 s of 1.6 ms samples
constexpr int kPressSamples = 312;    // press 0.5 s (312 or 313 samples, by the grid)
constexpr DWORD kStreamReadMs = 3000; // how long the stream is read
constexpr DWORD kLampsAfterMs = 2000; // when the lamps are switched on during it
constexpr double kSamplesPerSecond = 625.0;
constexpr double kRateTolerance = 0.15;

double Seconds()
{
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Opens and sets up the port the way the measurement program's serial link does.
HANDLE OpenDeviceLine(const std::string& name)
{
    HANDLE h = CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        std::printf("  cannot open %s (error %lu)\n", name.c_str(), GetLastError());
        return nullptr;
    }
    CHECK(SetupComm(h, kInputQueue, kOutputQueue));
    DCB tmpl = {};
    tmpl.DCBlength = sizeof tmpl;
    CHECK(BuildCommDCBA(kDefinition, &tmpl));
    DCB dcb = {};
    dcb.DCBlength = tmpl.DCBlength;
    dcb.BaudRate = tmpl.BaudRate;
    dcb.fParity = tmpl.fParity;
    dcb.ByteSize = tmpl.ByteSize;
    dcb.Parity = tmpl.Parity;
    dcb.StopBits = tmpl.StopBits;
    dcb.fBinary = TRUE;
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDtrControl = DTR_CONTROL_DISABLE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fTXContinueOnXoff = TRUE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.fErrorChar = FALSE;
    dcb.fNull = FALSE;
    dcb.fRtsControl = RTS_CONTROL_DISABLE;
    dcb.fAbortOnError = FALSE;
    CHECK(SetCommState(h, &dcb));
    COMMTIMEOUTS t = {};
    t.ReadIntervalTimeout = 1000;
    t.ReadTotalTimeoutMultiplier = 10;
    t.ReadTotalTimeoutConstant = 1000;
    t.WriteTotalTimeoutMultiplier = 500;
    t.WriteTotalTimeoutConstant = 500;
    CHECK(SetCommTimeouts(h, &t));
    for (DWORD action : {PURGE_TXCLEAR, PURGE_RXCLEAR, PURGE_TXABORT, PURGE_RXABORT})
        CHECK(PurgeComm(h, action));
    CHECK(PurgeComm(h, kPurgeAll));
    return h;
}

bool WriteBytes(HANDLE h, std::initializer_list<BYTE> bytes)
{
    std::vector<BYTE> data(bytes);
    DWORD written = 0;
    return WriteFile(h, data.data(), static_cast<DWORD>(data.size()), &written, nullptr) &&
           written == data.size();
}

// One byte, or -1 when the read's time-out passed without one.
int ReadByte(HANDLE h)
{
    BYTE b = 0;
    DWORD got = 0;
    if (!ReadFile(h, &b, 1, &got, nullptr) || got != 1)
        return -1;
    return b;
}

void ClearLine(HANDLE h)
{
    PurgeComm(h, kPurgeAll);
    ClearCommBreak(h);
    DWORD errors = 0;
    COMSTAT stat = {};
    ClearCommError(h, &errors, &stat);
}

// The measurement program's identification: for each index 0x52 and the
// index, 10 ms, a one-byte read, 20 ms; "KLV1-AC" in bytes 4..10 or another
// attempt from index 0. Returns the attempt that succeeded, or 0.
int IdentifyDevice(HANDLE h, BYTE (&info)[kInfoSize])
{
    for (int attempt = 1; attempt <= kMaxAttempts; ++attempt) {
        for (int i = 0; i < kInfoSize; ++i) {
            if (!WriteBytes(h, {0x52, static_cast<BYTE>(i)})) {
                std::printf("  the request for byte %d could not be written\n", i);
                return 0;
            }
            Sleep(10);
            int b = ReadByte(h);
            if (b < 0) {
                std::printf("  no answer for byte %d in attempt %d\n", i, attempt);
                return 0;
            }
            info[i] = static_cast<BYTE>(b);
            Sleep(20);
        }
        if (std::memcmp(info + 4, "KLV1-AC", 7) == 0)
            return attempt;
        std::printf("  attempt %d: bytes 4..10 read \"%.7s\"\n", attempt,
                    reinterpret_cast<const char*>(info + 4));
        ClearLine(h);
    }
    return 0;
}

struct Sample {
    int count;
    bool startRequest;
    bool redLit;
    bool greenLit;
    double time; // when its first byte arrived
};

struct Stream {
    std::vector<Sample> samples;
    // Bytes that broke the three-byte rhythm: a status byte (bit 7 set)
    // where byte 1 or 2 belonged, or a data byte where a status byte did.
    int misaligned = 0;
    int lampsSentAt = -1; // samples received when 0x84 and 0x88 were written
};

// Reads the stream byte by byte, as the receive thread does with debug output
// on, for `ms` milliseconds; writes 0x84 0x88 (both lamps on) after `lampsAfterMs`.
Stream ReadStream(HANDLE h, DWORD ms, DWORD lampsAfterMs)
{
    Stream s;
    BYTE triplet[3];
    int have = 0;
    double firstTime = 0;
    const double start = Seconds();
    while (Seconds() - start < ms / 1000.0) {
        if (s.lampsSentAt < 0 && Seconds() - start >= lampsAfterMs / 1000.0) {
            CHECK(WriteBytes(h, {0x84, 0x88}));
            s.lampsSentAt = static_cast<int>(s.samples.size());
        }
        int b = ReadByte(h);
        if (b < 0)
            break;
        bool lead = (b & 0x80) != 0;
        if (lead != (have == 0)) {
            ++s.misaligned;
            have = 0;
            if (!lead)
                continue;
        }
        if (have == 0)
            firstTime = Seconds();
        triplet[have++] = static_cast<BYTE>(b);
        if (have < 3)
            continue;
        have = 0;
        Sample x;
        x.count = triplet[1] * 32 + triplet[2] / 4;
        x.startRequest = (triplet[0] & 0x10) == 0;
        x.redLit = (triplet[0] & 0x20) == 0;
        x.greenLit = (triplet[0] & 0x40) == 0;
        x.time = firstTime;
        s.samples.push_back(x);
    }
    return s;
}

// Index of the first sample for which `lit` holds, checking that it holds for
// every later sample and for none before; -1 when it never does.
template <class Pred> int FirstOfLastingRun(const std::vector<Sample>& samples, Pred lit)
{
    int first = -1;
    for (size_t i = 0; i < samples.size(); ++i) {
        if (lit(samples[i]) && first < 0)
            first = static_cast<int>(i);
        if (first >= 0 && !lit(samples[i])) {
            std::printf("  sample %zu went dark again (first lit at %d)\n", i, first);
            ++g_checkFailures;
            break;
        }
    }
    return first;
}

void CheckStreamedProfile(const Stream& s)
{
    const auto& v = s.samples;
    CHECK(v.size() > static_cast<size_t>(kRampSamples + kPressSamples + 1));
    if (v.size() <= static_cast<size_t>(kRampSamples + kPressSamples + 1))
        return;
    // The ramp: 1.6 counts per sample from the rest level; sample n leaves
    // (n + 1) x 1.6 ms after 0xE0.
    int rampErrors = 0;
    for (int n = 0; n < kRampSamples; ++n) {
        int expected = kRestCount + static_cast<int>(kRampCounts * 0.0016 * (n + 1) + 0.5);
        if (v[n].count != expected && rampErrors++ < 5)
            std::printf("  sample %d: count %d, expected %d\n", n, v[n].count, expected);
    }
    CHECK_EQ(rampErrors, 0);
    for (size_t n = kRampSamples; n < v.size(); ++n)
        if (v[n].count != kRestCount + kRampCounts) {
            CHECK_EQ(v[n].count, kRestCount + kRampCounts);
            break;
        }
    // The start request (status bit 4 clear) for the 0.5 s after the ramp.
    int firstPress = -1, pressed = 0;
    for (size_t n = 0; n < v.size(); ++n)
        if (v[n].startRequest) {
            if (firstPress < 0)
                firstPress = static_cast<int>(n);
            ++pressed;
        }
    CHECK_RANGE(firstPress, kRampSamples - 1, kRampSamples);
    CHECK_RANGE(pressed, kPressSamples, kPressSamples + 1);
    for (int n = firstPress; firstPress >= 0 && n < firstPress + pressed; ++n)
        if (!v[n].startRequest) {
            std::printf("  the start request is interrupted at sample %d\n", n);
            ++g_checkFailures;
            break;
        }
}

void CheckLamps(const Stream& s)
{
    const auto& v = s.samples;
    CHECK(s.lampsSentAt > 0);
    if (s.lampsSentAt <= 0 || v.empty())
        return;
    // Dark after 0x85 0x89; lit from a sample after 0x84 0x88 to the end.
    int red = FirstOfLastingRun(v, [](const Sample& x) { return x.redLit; });
    int green = FirstOfLastingRun(v, [](const Sample& x) { return x.greenLit; });
    CHECK(red >= s.lampsSentAt);
    CHECK(green >= red);
    CHECK(red >= 0 && green >= 0);
}

void CheckRate(const Stream& s)
{
    const auto& v = s.samples;
    CHECK(v.size() > 100);
    if (v.size() <= 100)
        return;
    double span = v.back().time - v.front().time;
    double rate = (v.size() - 1) / span;
    std::printf("  %zu samples in %.3f s: %.1f samples per second\n", v.size(), span, rate);
    CHECK_RANGE(rate, kSamplesPerSecond * (1 - kRateTolerance),
                kSamplesPerSecond * (1 + kRateTolerance));
}

struct Expected {
    std::string port, sensor, serial, calibration;
    int attempts = 1;
    bool stream = false;
};

bool ParseArguments(int argc, char** argv, Expected& e)
{
    if (argc < 6)
        return false;
    e.port = argv[1];
    e.sensor = argv[2];
    e.serial = argv[3];
    e.calibration = argv[4];
    e.attempts = std::atoi(argv[5]);
    e.stream = argc > 6 && std::strcmp(argv[6], "stream") == 0;
    return e.sensor.size() == 8 && e.serial.size() == 4 && e.calibration.size() == 6;
}

} // namespace

int main(int argc, char** argv)
{
    Expected e;
    if (!ParseArguments(argc, argv, e)) {
        std::fprintf(stderr, "usage: bed_serial_test PORT SENSOR(8) SERIAL(4) CALIBRATION(6) "
                             "ATTEMPTS [stream]\n");
        return 2;
    }
    HANDLE h = nullptr;
    RunCase("the port opens with the serial link's settings", [&] {
        h = OpenDeviceLine(e.port);
        CHECK(h != nullptr);
        if (!h)
            return;
        DCB dcb = {};
        dcb.DCBlength = sizeof dcb;
        CHECK(GetCommState(h, &dcb));
        CHECK_EQ(dcb.BaudRate, 19200);
        CHECK_EQ(dcb.ByteSize, 8);
        CHECK_EQ(dcb.Parity, NOPARITY);
        CHECK_EQ(dcb.StopBits, ONESTOPBIT);
        COMMTIMEOUTS t = {};
        CHECK(GetCommTimeouts(h, &t));
        CHECK_EQ(t.ReadIntervalTimeout, 1000);
        CHECK_EQ(t.ReadTotalTimeoutConstant, 1000);
    });
    if (!h)
        return Summary();

    RunCase("the device is identified", [&] {
        CHECK(WriteBytes(h, {0xF0, 0x85, 0x89}));
        BYTE info[kInfoSize] = {};
        int attempt = IdentifyDevice(h, info);
        CHECK_EQ(attempt, e.attempts);
        CHECK_STR(std::string(reinterpret_cast<char*>(info) + 4, 8), e.sensor);
        CHECK_STR(std::string(reinterpret_cast<char*>(info) + 12, 4), e.serial);
        CHECK_STR(std::string(reinterpret_cast<char*>(info) + 16, 6), e.calibration);
        CHECK(info[21] != 0xFF);
    });

    RunCase("a read with nothing on the line gives up after its time-out", [&] {
        double start = Seconds();
        CHECK_EQ(ReadByte(h), -1);
        // The read waits for the line's time-out (about 1 s), neither failing
        // at once nor blocking for good.
        CHECK_RANGE(Seconds() - start, 0.5, 5.0);
    });

    if (e.stream) {
        Stream s;
        RunCase("0xE0 starts the stream of aligned triplets", [&] {
            CHECK(WriteBytes(h, {0xE0}));
            s = ReadStream(h, kStreamReadMs, kLampsAfterMs);
            CHECK_EQ(s.misaligned, 0);
        });
        RunCase("the triplets carry the scenario's force and start request",
                [&] { CheckStreamedProfile(s); });
        RunCase("0x84 and 0x88 light the lamps in status bits 5 and 6", [&] { CheckLamps(s); });
        RunCase("samples arrive at 625 per second", [&] { CheckRate(s); });
        RunCase("0xF0 stops the stream", [&] {
            CHECK(WriteBytes(h, {0xF0}));
            // What was on its way still arrives; then a read times out. A
            // stream that went on would fill a second's worth of bytes.
            const int kSecondOfStream = static_cast<int>(3 * kSamplesPerSecond);
            int after = 0;
            while (after < kSecondOfStream && ReadByte(h) >= 0)
                ++after;
            CHECK(after < kSecondOfStream);
        });
    }
    CloseHandle(h);
    return Summary();
}
