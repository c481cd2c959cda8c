// measure_link.h - where `klvtool measure` gets its bytes from: the device
// model in-process (unpaced, on its virtual clock) or a serial device.
#ifndef KLVTOOL_MEASURE_LINK_H
#define KLVTOOL_MEASURE_LINK_H

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

class LinkTransport {
public:
    virtual ~LinkTransport() = default;

    // Opens the line with the device's settings; false with a reason.
    virtual bool Open(std::string* error) = 0;
    virtual void Close() = 0;
    // The name shown in messages ("COM1" in the program).
    virtual std::string Name() const = 0;

    // Host -> device bytes (commands and identification requests).
    virtual bool Send(const std::uint8_t* data, std::size_t size) = 0;
    // One byte within timeoutMs, or false.
    virtual bool ReadByte(std::uint8_t* byte, unsigned timeoutMs) = 0;
    // Discards what is queued in both directions and clears line errors.
    virtual void PurgeAndClear() = 0;
    // Discards received bytes not yet read (before streaming is handed over).
    virtual void PurgeInput() = 0;
    virtual void Sleep(unsigned ms) = 0;

    // Up to `size` received bytes, waiting at most waitMs for the first.
    virtual std::size_t Receive(std::uint8_t* data, std::size_t size, unsigned waitMs) = 0;
    // The clock the timer runs on, in ms.
    virtual std::uint64_t NowMs() = 0;
    // Non-empty once no further byte can come (device gone, scenario over).
    virtual std::string Finished() = 0;
};

// The device model playing a scenario: a built-in name ("series") or a file.
// Throws std::runtime_error with a readable message for a bad scenario.
std::unique_ptr<LinkTransport> MakeSimTransport(const std::string& scenario);

// A serial device on this machine (termios), e.g. /dev/ttyUSB0 or a pty link.
std::unique_ptr<LinkTransport> MakePortTransport(const std::string& device);

#endif
