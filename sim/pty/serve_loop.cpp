#include "serve_loop.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <poll.h>
#include <string>
#include <unistd.h>

namespace klvsim {

using klvdevice::Micros;

namespace {

// Output the host has not taken yet. A real line has no flow control: when
// nobody reads (the port is closed) the bytes are lost, so the backlog is
// bounded rather than letting the stream pile up.
constexpr std::size_t kMaxBacklog = 8192;

class Clock {
public:
    Micros Now() const
    {
        auto d = std::chrono::steady_clock::now() - start_;
        return static_cast<Micros>(
            std::chrono::duration_cast<std::chrono::microseconds>(d).count());
    }

private:
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

class Sender {
public:
    Sender(int fd, WireLog& log) : fd_(fd), log_(log) {}

    void Take(klvdevice::DeviceModel& model)
    {
        std::uint8_t buf[512];
        while (std::size_t n = model.TakeOutput(buf, sizeof buf))
            backlog_.append(reinterpret_cast<const char*>(buf), n);
    }

    // Returns false when the line failed for good.
    bool Flush(Micros now)
    {
        while (!backlog_.empty()) {
            ssize_t n = ::write(fd_, backlog_.data(), backlog_.size());
            if (n > 0) {
                backlog_.erase(0, static_cast<std::size_t>(n));
                overrun_ = false;
                continue;
            }
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
                if (backlog_.size() > kMaxBacklog) {
                    if (!overrun_)
                        log_.Write(now, "line", "host is not reading: device bytes are being lost");
                    overrun_ = true;
                    backlog_.erase(0, backlog_.size() - kMaxBacklog);
                }
                return true;
            }
            log_.Write(now, "line", std::string("write failed: ") + std::strerror(errno));
            return false;
        }
        return true;
    }

    bool Empty() const { return backlog_.empty(); }

private:
    int fd_;
    WireLog& log_;
    std::string backlog_;
    bool overrun_ = false;
};

// Feeds what the host wrote to the model. Returns false when the line failed.
bool Receive(int fd, klvdevice::DeviceModel& model, const Clock& clock, WireLog& log)
{
    std::uint8_t buf[512];
    for (;;) {
        ssize_t n = ::read(fd, buf, sizeof buf);
        if (n > 0) {
            model.AdvanceTo(clock.Now());
            model.Write(buf, static_cast<std::size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return true;
        // EIO: no slave is open. We keep one open ourselves, so this is unexpected;
        // wait a little rather than spin.
        if (n < 0 && errno == EIO) {
            ::usleep(10000);
            return true;
        }
        log.Write(clock.Now(), "line",
                  std::string("read failed: ") + (n == 0 ? "end of file" : std::strerror(errno)));
        return false;
    }
}

} // namespace

void WireLog::Write(Micros time, const char* kind, const std::string& text)
{
    if (!out_)
        return;
    std::fprintf(out_, "%11.6f %-5s %s\n", static_cast<double>(time) / 1e6, kind, text.c_str());
    std::fflush(out_);
}

klvdevice::LogSink WireLog::Sink()
{
    return [this](Micros t, klvdevice::LogKind kind, const std::string& text) {
        const char* k = kind == klvdevice::LogKind::Command ? "cmd"
                        : kind == klvdevice::LogKind::State ? "state"
                                                            : "event";
        Write(t, k, text);
    };
}

ServeEnd Serve(PtyLine& line, klvdevice::DeviceModel& model, WireLog& log, double lingerSeconds,
               const volatile std::sig_atomic_t& stop)
{
    Clock clock;
    Sender sender(line.Master(), log);
    bool endSeen = false;
    Micros endAt = 0;
    const Micros linger = klvdevice::SecondsToMicros(lingerSeconds);
    while (!stop) {
        const Micros now = clock.Now();
        model.AdvanceTo(now);
        sender.Take(model);
        if (!sender.Flush(now))
            return ServeEnd::LineFailed;
        if (model.HungUp())
            return ServeEnd::HungUp;
        if (model.ScenarioEnded()) {
            if (!endSeen) {
                endSeen = true;
                endAt = now + linger;
            } else if (now >= endAt && sender.Empty()) {
                return ServeEnd::ScenarioEnded;
            }
        }
        pollfd p{line.Master(), POLLIN, 0};
        // A sample is due every 1.6 ms while streaming; otherwise a coarser tick will do.
        int timeoutMs = model.Streaming() ? 1 : 3;
        if (::poll(&p, 1, timeoutMs) > 0 && (p.revents & POLLIN)) {
            if (!Receive(line.Master(), model, clock, log))
                return ServeEnd::LineFailed;
        }
    }
    return ServeEnd::Stopped;
}

} // namespace klvsim
