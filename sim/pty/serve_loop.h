// Serving the device model on a pty, paced by real time.
#pragma once

#include <csignal>
#include <cstdio>

#include "device_model.h"
#include "pty_line.h"

namespace klvsim {

// Time-stamped log lines: "  12.345678 cmd   rx 85: red lamp off".
class WireLog {
public:
    explicit WireLog(std::FILE* out = nullptr) : out_(out) {}
    void Write(klvdevice::Micros time, const char* kind, const std::string& text);
    klvdevice::LogSink Sink();

private:
    std::FILE* out_;
};

enum class ServeEnd { ScenarioEnded, HungUp, Stopped, LineFailed };

// Plays `model` on the line until the scenario has ended (and `lingerSeconds`
// more have passed, so the host's last commands still find the line), the
// device hangs up, `stop` becomes nonzero, or the line fails.
ServeEnd Serve(PtyLine& line, klvdevice::DeviceModel& model, WireLog& log, double lingerSeconds,
               const volatile std::sig_atomic_t& stop);

} // namespace klvsim
