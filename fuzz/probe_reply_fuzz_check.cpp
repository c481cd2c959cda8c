// probe_reply_fuzz_check.cpp - FindKLV's probe against a port that answers
// with untrusted bytes, judged by what the port saw.
#include "probe_reply_fuzz_check.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <memory>

#include "device_model.h"
#include "probe_port.h"

namespace {

using findport::PortTimeouts;
using findport::SerialPort;
using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t kInfoBytes = 30;
constexpr int kMostReads = 11;
// Each read: 3 ms after the opening bytes, 30 bytes of at most 22 ms each,
// 20 ms before the next; the port's opening takes five pauses of 5 ms.
constexpr std::uint32_t kLongestProbeMs = kMostReads * (3 + kInfoBytes * 24 + 22) + 25 + 50;

// The bytes answered after each request of one identification read.
struct SeenRead {
    std::array<std::uint8_t, kInfoBytes> bytes{};
    std::size_t answered = 0; // requests 0, 1, ... that got their byte
};

class ReplyClock : public findport::Clock {
public:
    std::uint32_t Milliseconds() override { return now; }
    std::uint32_t now = 0;

protected:
    void RaiseTimerResolution() override {}
    void Sleep(std::uint32_t ms) override { now += ms; }
};

// Plays the input's answers and notes, from the line's side, each read of the
// identification: it starts with the bytes 0xF0 0x85 0x89; the answer to a
// request is the first byte read after it and before the next write. The
// bytes that have arrived are kept in one buffer sized for the whole input, so
// a probe of hundreds of writes costs no allocation per write.
class ReplyPort : public SerialPort {
public:
    ReplyPort(const std::uint8_t* data, std::size_t size, std::vector<SeenRead>& reads)
        : data_(data), size_(size), reads_(reads)
    {
        arrived_.reserve(size);
    }
    bool ClearRts() override { return true; }
    bool ClearDtr() override { return true; }
    bool SetFlowCharacters(std::uint8_t, std::uint8_t) override { return true; }
    bool SetTimeouts(const PortTimeouts&) override { return true; }
    bool Write(const std::uint8_t* data, std::size_t length) override
    {
        static const std::uint8_t kReadStart[] = {0xF0, 0x85, 0x89};
        request_ = -1;
        if (length == sizeof(kReadStart) && std::memcmp(data, kReadStart, length) == 0)
            reads_.emplace_back();
        else if (length == 2 && data[0] == 0x52)
            request_ = data[1];
        Answer();
        return true;
    }
    std::size_t BytesWaiting() override { return arrived_.size() - head_; }
    std::size_t Read(std::uint8_t* buffer, std::size_t maxLength) override
    {
        const std::size_t n = std::min(maxLength, BytesWaiting());
        if (n > 0)
            std::memcpy(buffer, arrived_.data() + head_, n);
        head_ += n;
        if (n > 0 && request_ >= 0 && !reads_.empty()) {
            SeenRead& read = reads_.back();
            // Only a request in its turn continues the read.
            if (static_cast<std::size_t>(request_) == read.answered && read.answered < kInfoBytes)
                read.bytes[read.answered++] = buffer[0];
        }
        request_ = -1;
        return n;
    }

private:
    void Answer()
    {
        if (pos_ >= size_)
            return;
        const std::size_t declared = data_[pos_++];
        const std::size_t length = std::min(declared, size_ - pos_);
        arrived_.insert(arrived_.end(), data_ + pos_, data_ + pos_ + length);
        pos_ += length;
    }
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
    std::vector<std::uint8_t> arrived_; // every byte the port received, in order
    std::size_t head_ = 0;              // the first one not read yet
    std::vector<SeenRead>& reads_;
    int request_ = -1;
};

class OnePort : public findport::PortSystem {
public:
    explicit OnePort(std::unique_ptr<SerialPort> port) : port_(std::move(port)) {}
    std::unique_ptr<SerialPort> Open(const std::wstring&, std::uint32_t, std::uint32_t) override
    {
        return std::move(port_);
    }

private:
    std::unique_ptr<SerialPort> port_;
};

// The rule, stated over the reads the port saw.
std::wstring ExpectedText(const std::vector<SeenRead>& reads)
{
    std::vector<const SeenRead*> counted;
    for (const SeenRead& read : reads) {
        if (read.answered < kInfoBytes || read.bytes[21] == 0xFF)
            continue;
        for (const SeenRead* earlier : counted) {
            if (!std::equal(read.bytes.begin(), read.bytes.begin() + 29, earlier->bytes.begin()))
                continue;
            if (read.bytes[4] != 'K' || read.bytes[5] != 'L' || read.bytes[6] != 'V')
                return {};
            std::wstring text;
            for (std::size_t i = 4; i <= 15 && read.bytes[i] != 0; ++i)
                text += static_cast<wchar_t>(read.bytes[i]);
            return text;
        }
        counted.push_back(&read);
    }
    return {};
}

// ---- Seeds ----------------------------------------------------------------

// The device model on a virtual line; the clock is the line's.
class SimClock : public findport::Clock {
public:
    explicit SimClock(klvdevice::VirtualSerialPort& line) : line_(line) {}
    std::uint32_t Milliseconds() override { return line_.NowMs(); }

protected:
    void RaiseTimerResolution() override {}
    void Sleep(std::uint32_t ms) override { line_.SleepMs(ms); }

private:
    klvdevice::VirtualSerialPort& line_;
};

// Writes through to the line and records, write by write, the bytes the probe
// read before its next write, in the input's own layout.
class RecordingPort : public SerialPort {
public:
    RecordingPort(klvdevice::VirtualSerialPort& line, Bytes& record) : line_(line), record_(record)
    {
    }
    ~RecordingPort() override { Close(); }
    bool ClearRts() override { return true; }
    bool ClearDtr() override { return true; }
    bool SetFlowCharacters(std::uint8_t, std::uint8_t) override { return true; }
    bool SetTimeouts(const PortTimeouts&) override { return true; }
    bool Write(const std::uint8_t* data, std::size_t length) override
    {
        Close();
        line_.Write(data, length);
        open_ = true;
        return true;
    }
    std::size_t BytesWaiting() override { return line_.BytesWaiting(); }
    std::size_t Read(std::uint8_t* buffer, std::size_t maxLength) override
    {
        const std::size_t n = line_.ReadWaiting(buffer, maxLength);
        pending_.insert(pending_.end(), buffer, buffer + n);
        return n;
    }

private:
    void Close()
    {
        if (!open_)
            return;
        for (std::size_t at = 0;; at += 255) {
            const std::size_t length = std::min<std::size_t>(pending_.size() - at, 255);
            record_.push_back(static_cast<std::uint8_t>(length));
            record_.insert(record_.end(), pending_.begin() + at, pending_.begin() + at + length);
            if (length < 255)
                break;
        }
        pending_.clear();
        open_ = false;
    }
    klvdevice::VirtualSerialPort& line_;
    Bytes& record_;
    Bytes pending_;
    bool open_ = false;
};

Bytes RecordProbe(const std::string& scenario)
{
    klvdevice::DeviceModel device(klvdevice::LoadScenario(scenario));
    klvdevice::VirtualSerialPort line(&device);
    Bytes record;
    SimClock clock(line);
    OnePort ports(std::make_unique<RecordingPort>(line, record));
    findport::PortProbe probe(ports, clock);
    probe.ProbePort(L"COM1");
    return record;
}

} // namespace

std::string CheckProbeReply(const std::uint8_t* data, std::size_t size)
{
    std::vector<SeenRead> reads;
    reads.reserve(kMostReads + 1);
    ReplyClock clock;
    OnePort ports(std::make_unique<ReplyPort>(data, size, reads));
    findport::PortProbe probe(ports, clock);
    const std::wstring found = probe.ProbePort(L"COM1");
    if (reads.size() > static_cast<std::size_t>(kMostReads))
        return "the probe started " + std::to_string(reads.size()) + " reads";
    if (clock.now > kLongestProbeMs)
        return "the probe took " + std::to_string(clock.now) + " ms";
    const std::wstring expected = ExpectedText(reads);
    if (found != expected) {
        char text[160];
        std::snprintf(text, sizeof(text), "the probe reported '%ls' where the reads give '%ls'",
                      found.c_str(), expected.c_str());
        return text;
    }
    return {};
}

std::vector<std::vector<std::uint8_t>> ProbeReplySeeds()
{
    const std::string dir = KLV_FUZZ_SCENARIO_DIR;
    std::vector<std::vector<std::uint8_t>> seeds;
    for (const std::string& scenario :
         {std::string("series"), dir + "/series-300.scn", dir + "/wire-faults.scn",
          dir + "/ff21.scn", dir + "/not-klv.scn"})
        seeds.push_back(RecordProbe(scenario));
    seeds.push_back({}); // a silent port
    return seeds;
}
