// measure_port.cpp - a serial device with the device's line settings:
// 19200 baud, 8 data bits, no parity, 1 stop bit, no flow control, DTR and
// RTS inactive, raw bytes. A pseudo-terminal (the simulator's link) works too.
#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include "measure_link.h"

namespace {

std::uint64_t MonotonicMs()
{
    using namespace std::chrono;
    return static_cast<std::uint64_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

class PortTransport : public LinkTransport {
public:
    explicit PortTransport(std::string device) : device_(std::move(device)) {}
    ~PortTransport() override { Close(); }

    bool Open(std::string* error) override
    {
        fd_ = ::open(device_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (fd_ < 0)
            return Fail(error, std::strerror(errno));
        if (!::isatty(fd_))
            return Fail(error, "not a serial device");
        // Another program holding the line: as the program, refuse to share.
        if (::flock(fd_, LOCK_EX | LOCK_NB) != 0)
            return Fail(error, "in use by another program");
        if (!ApplyLineSettings())
            return Fail(error, std::strerror(errno));
        // Not all lines carry modem control (a pty does not): best effort.
        int lines = TIOCM_DTR | TIOCM_RTS;
        ::ioctl(fd_, TIOCMBIC, &lines);
        ::tcflush(fd_, TCIOFLUSH);
        return true;
    }

    void Close() override
    {
        if (fd_ >= 0) {
            ::tcdrain(fd_);
            ::close(fd_);
            fd_ = -1;
        }
    }

    std::string Name() const override { return device_; }

    bool Send(const std::uint8_t* data, std::size_t size) override
    {
        while (size > 0) {
            const ssize_t n = ::write(fd_, data, size);
            if (n > 0) {
                data += n;
                size -= static_cast<std::size_t>(n);
            } else if (n < 0 && errno == EAGAIN) {
                pollfd p{fd_, POLLOUT, 0};
                ::poll(&p, 1, 500);
            } else if (!(n < 0 && errno == EINTR)) {
                return false;
            }
        }
        return true;
    }

    bool ReadByte(std::uint8_t* byte, unsigned timeoutMs) override
    {
        return Receive(byte, 1, timeoutMs) == 1;
    }

    void PurgeAndClear() override
    {
        ::tcflush(fd_, TCIOFLUSH);
        ::ioctl(fd_, TIOCCBRK);
    }

    // Commands written before the stream is handed over must still reach
    // the device, so only the input side is discarded.
    void PurgeInput() override
    {
        ::tcdrain(fd_);
        ::tcflush(fd_, TCIFLUSH);
    }

    void Sleep(unsigned ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

    // Raw mode with VMIN = VTIME = 0: read() gives 0 when nothing is there,
    // so only poll() tells a silent line from one whose other end is gone.
    std::size_t Receive(std::uint8_t* data, std::size_t size, unsigned waitMs) override
    {
        const std::uint64_t deadline = MonotonicMs() + waitMs;
        for (;;) {
            const std::uint64_t now = MonotonicMs();
            pollfd p{fd_, POLLIN, 0};
            const int ready = ::poll(&p, 1, now >= deadline ? 0 : static_cast<int>(deadline - now));
            if (ready < 0 && errno != EINTR) {
                finished_ = std::string("the line failed: ") + std::strerror(errno);
                return 0;
            }
            if (ready > 0 && (p.revents & POLLIN)) {
                const ssize_t n = ::read(fd_, data, size);
                if (n > 0)
                    return static_cast<std::size_t>(n);
                const bool gone = n == 0 && (p.revents & POLLHUP);
                if (gone || (n < 0 && errno != EAGAIN && errno != EINTR)) {
                    finished_ = "the device closed the line";
                    return 0;
                }
            } else if (ready > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL))) {
                finished_ = "the device closed the line";
                return 0;
            }
            if (MonotonicMs() >= deadline)
                return 0;
        }
    }

    std::uint64_t NowMs() override { return MonotonicMs(); }
    std::string Finished() override { return finished_; }

private:
    bool Fail(std::string* error, const std::string& why)
    {
        *error = device_ + ": " + why;
        if (fd_ >= 0) {
            ::close(fd_);
            fd_ = -1;
        }
        return false;
    }

    bool ApplyLineSettings()
    {
        termios tio{};
        if (::tcgetattr(fd_, &tio) != 0)
            return false;
        ::cfmakeraw(&tio);
        tio.c_cflag &= ~(PARENB | CSTOPB | CSIZE | CRTSCTS | HUPCL);
        tio.c_cflag |= CS8 | CLOCAL | CREAD;
        tio.c_iflag &= ~(IXON | IXOFF | IXANY);
        tio.c_cc[VMIN] = 0;
        tio.c_cc[VTIME] = 0;
        if (::cfsetispeed(&tio, B19200) != 0 || ::cfsetospeed(&tio, B19200) != 0)
            return false;
        return ::tcsetattr(fd_, TCSANOW, &tio) == 0;
    }

    std::string device_;
    int fd_ = -1;
    std::string finished_;
};

} // namespace

std::unique_ptr<LinkTransport> MakePortTransport(const std::string& device)
{
    return std::make_unique<PortTransport>(device);
}
