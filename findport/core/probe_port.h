// The probe that finds the KLV device on the serial ports.
//
// The probe is written against two small interfaces, a serial-port system
// and a clock, so that the Windows program drives real COM ports while the
// tests drive the device model on a virtual clock.
#ifndef PROBE_PORT_H
#define PROBE_PORT_H

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace findport {

// Read and write time-outs of a probed port, in milliseconds.
struct PortTimeouts {
    uint32_t readInterval = 0;
    uint32_t readTotalMultiplier = 0;
    uint32_t readTotalConstant = 0;
    uint32_t writeTotalMultiplier = 0;
    uint32_t writeTotalConstant = 0;
};

// One open serial port (19200 baud, 8 data bits, no parity, 1 stop bit, no
// handshake). Destroying it closes the port.
class SerialPort {
public:
    virtual ~SerialPort() = default;
    virtual bool ClearRts() = 0;
    virtual bool ClearDtr() = 0;
    // Sets the XON and XOFF characters in the port's settings.
    virtual bool SetFlowCharacters(uint8_t xon, uint8_t xoff) = 0;
    virtual bool SetTimeouts(const PortTimeouts& timeouts) = 0;
    // Writes all bytes in one write; true when all were written.
    virtual bool Write(const uint8_t* data, size_t length) = 0;
    // Number of received bytes waiting to be read.
    virtual size_t BytesWaiting() = 0;
    // Reads up to maxLength bytes; returns the number read.
    virtual size_t Read(uint8_t* buffer, size_t maxLength) = 0;
};

// Opens ports by name ("COM4"); null when the port cannot be opened.
class PortSystem {
public:
    virtual ~PortSystem() = default;
    virtual std::unique_ptr<SerialPort> Open(const std::wstring& name, uint32_t inQueue,
                                             uint32_t outQueue) = 0;
};

// Millisecond clock and waits. The timer resolution is raised to 1 ms once,
// before the first wait, because the probe relies on waits of 2 and 3 ms.
class Clock {
public:
    virtual ~Clock() = default;
    virtual uint32_t Milliseconds() = 0;
    void Wait(uint32_t ms)
    {
        PrepareWaits();
        Sleep(ms);
    }
    void PrepareWaits()
    {
        if (!fineResolution_) {
            RaiseTimerResolution();
            fineResolution_ = true;
        }
    }

protected:
    virtual void RaiseTimerResolution() = 0;
    virtual void Sleep(uint32_t ms) = 0;

private:
    bool fineResolution_ = false;
};

constexpr size_t kDeviceInfoSize = 30;
constexpr size_t kChecksummedBytes = 29; // bytes 0..28 take part in the vote
constexpr int kMaxInfoAttempts = 11;
constexpr uint32_t kByteTimeoutMs = 20; // per information byte
constexpr uint32_t kPollMs = 2;
constexpr uint32_t kAfterStopMs = 3;
constexpr uint32_t kAfterFfMs = 2;
constexpr uint32_t kBetweenAttemptsMs = 20;
constexpr uint32_t kOpenRoundPauseMs = 5;
constexpr int kOpenRounds = 5;
constexpr int kScanPasses = 3;
constexpr int kHighestPortNumber = 32;
constexpr size_t kScratchSize = 30;

using DeviceInfo = std::array<uint8_t, kDeviceInfoSize>;
// CRC-32 of bytes 0..28 -> number of reads that gave it, for one probe.
using ChecksumVotes = std::map<uint32_t, int>;

// Parses "$hh$hh..." into bytes; false (and out untouched) on any other text.
bool ParseHexBytes(std::string_view text, std::vector<uint8_t>& out);
// "$hh" for one byte, upper-case digits.
std::string HexByteText(uint8_t value);

// Everything one run of the port finder keeps between the probe steps.
class PortProbe {
public:
    PortProbe(PortSystem& ports, Clock& clock) : ports_(ports), clock_(clock) {}

    // Writes the bytes of a "$hh" text in one write; false for a malformed text
    // (nothing is written) or a failed write.
    bool SendHexBytes(std::string_view text, SerialPort& port);
    // Reads and discards whatever is waiting, at most 30 bytes per read.
    void DrainInput(SerialPort& port);
    std::unique_ptr<SerialPort> OpenProbePort(const std::wstring& name);
    // The device's identification text (bytes 4..15), or empty.
    std::wstring ReadDeviceInfo(SerialPort& port);
    std::wstring ProbePort(const std::wstring& name);
    // "identification|COMn", or empty when no port holds the device.
    std::wstring ScanPorts();

    // The comma-terminated names of the ports the last scan could open.
    const std::wstring& PortList() const { return portList_; }
    const DeviceInfo& LastDeviceInfo() const { return deviceInfo_; }
    const ChecksumVotes& Votes() const { return votes_; }
    // Attempts the last ReadDeviceInfo started.
    int AttemptsMade() const { return attempts_; }

private:
    // Reads DeviceInfo bytes 0..29; false when a byte is not there in time.
    bool ReadInfoBytes(SerialPort& port);
    bool ReadInfoByte(SerialPort& port, size_t index);

    PortSystem& ports_;
    Clock& clock_;
    std::wstring portList_;
    DeviceInfo deviceInfo_{};
    ChecksumVotes votes_;
    std::array<uint8_t, kScratchSize> scratch_{};
    std::vector<uint8_t> sendBytes_; // the bytes of the last write, storage reused
    int attempts_ = 0;
};

// Splits "COM3,COM5," at the commas, dropping repeated names.
std::vector<std::wstring> SplitPortList(const std::wstring& portList);

} // namespace findport

#endif
