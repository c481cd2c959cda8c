// Test doubles for the port probe: a virtual clock and scripted serial ports.
#ifndef PROBE_FAKES_H
#define PROBE_FAKES_H

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "probe_port.h"

namespace findport::test {

// Time passes only when the probe waits (or when a test advances it).
class FakeClock : public Clock {
public:
    uint32_t Milliseconds() override { return now; }
    void Advance(uint32_t ms) { now += ms; }

    uint32_t now = 1000;
    std::vector<uint32_t> waits;
    std::vector<std::string>* trace = nullptr; // shared with the ports when set
    int resolutionRaises = 0;
    bool raisedBeforeFirstWait = false;

protected:
    void RaiseTimerResolution() override
    {
        ++resolutionRaises;
        raisedBeforeFirstWait = waits.empty();
    }
    void Sleep(uint32_t ms) override
    {
        waits.push_back(ms);
        if (trace)
            trace->push_back("Wait" + std::to_string(ms));
        now += ms;
    }
};

// Everything a probe did to one port, in order.
struct PortLog {
    std::vector<std::string> calls; // "ClearRts", "Write", "Wait"...
    std::vector<std::vector<uint8_t>> writes;
    uint8_t xon = 0, xoff = 0;
    PortTimeouts timeouts;
    uint32_t inQueue = 0, outQueue = 0;
    bool closed = false;
};

// Answers what the probe writes by putting bytes into the port's input.
using Responder =
    std::function<void(const std::vector<uint8_t>& written, std::deque<uint8_t>& input)>;

class FakePort : public SerialPort {
public:
    FakePort(PortLog& log, Responder responder, std::deque<uint8_t>& input,
             std::vector<std::string>& trace)
        : log_(log), responder_(std::move(responder)), input_(input), trace_(trace)
    {
    }
    ~FakePort() override { log_.closed = true; }

    bool ClearRts() override { return Note("ClearRts"); }
    bool ClearDtr() override { return Note("ClearDtr"); }
    bool SetFlowCharacters(uint8_t xon, uint8_t xoff) override
    {
        log_.xon = xon;
        log_.xoff = xoff;
        return Note("SetFlowCharacters");
    }
    bool SetTimeouts(const PortTimeouts& timeouts) override
    {
        log_.timeouts = timeouts;
        return Note("SetTimeouts");
    }
    bool Write(const uint8_t* data, size_t length) override
    {
        Note("Write");
        std::vector<uint8_t> bytes(data, data + length);
        log_.writes.push_back(bytes);
        if (responder_)
            responder_(bytes, input_);
        return true;
    }
    size_t BytesWaiting() override { return input_.size(); }
    size_t Read(uint8_t* buffer, size_t maxLength) override
    {
        Note("Read");
        size_t n = 0;
        while (n < maxLength && !input_.empty()) {
            buffer[n++] = input_.front();
            input_.pop_front();
        }
        return n;
    }

private:
    bool Note(const char* call)
    {
        log_.calls.push_back(call);
        trace_.push_back(call);
        return true;
    }
    PortLog& log_;
    Responder responder_;
    std::deque<uint8_t>& input_;
    std::vector<std::string>& trace_;
};

// A machine with some COM ports; each port keeps its input between openings
// as a real line would.
class FakePortSystem : public PortSystem {
public:
    void AddPort(const std::wstring& name, Responder responder = nullptr)
    {
        ports_[name].responder = std::move(responder);
    }
    std::unique_ptr<SerialPort> Open(const std::wstring& name, uint32_t inQueue,
                                     uint32_t outQueue) override
    {
        opens.push_back(name);
        auto it = ports_.find(name);
        if (it == ports_.end())
            return nullptr;
        PortState& state = it->second;
        state.logs.emplace_back();
        state.logs.back().inQueue = inQueue;
        state.logs.back().outQueue = outQueue;
        return std::make_unique<FakePort>(state.logs.back(), state.responder, state.input, trace);
    }
    // Logs of every opening of a port, oldest first.
    const std::deque<PortLog>& Logs(const std::wstring& name) { return ports_[name].logs; }
    std::deque<uint8_t>& Input(const std::wstring& name) { return ports_[name].input; }

    std::vector<std::wstring> opens;
    std::vector<std::string> trace; // calls on every port, in order

private:
    struct PortState {
        Responder responder;
        std::deque<uint8_t> input;
        std::deque<PortLog> logs; // deque: references stay valid as logs are added
    };
    std::map<std::wstring, PortState> ports_;
};

} // namespace findport::test

#endif
