#include "probe_port.h"

#include <algorithm>

#include "crc32.h"

namespace findport {

namespace {

// Device commands of the probe: lamps off and stream stopped, in both orders.
constexpr std::string_view kQuietOnOpen = "$89$85$F0";
constexpr std::string_view kQuietBeforeRead = "$F0$85$89";
constexpr uint8_t kInfoRequest = 0x52;
constexpr size_t kIdentificationFirst = 4;
constexpr size_t kIdentificationLast = 15;
constexpr size_t kCalibrationYearLow = 21;

int HexDigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

std::wstring IdentificationText(const DeviceInfo& info)
{
    std::wstring text;
    for (size_t i = kIdentificationFirst; i <= kIdentificationLast && info[i] != 0; ++i) {
        text.push_back(static_cast<wchar_t>(info[i]));
    }
    return text;
}

} // namespace

bool ParseHexBytes(std::string_view text, std::vector<uint8_t>& out)
{
    if (text.size() % 3 != 0)
        return false;
    for (size_t i = 0; i < text.size(); i += 3) {
        if (text[i] != '$' || HexDigitValue(text[i + 1]) < 0 || HexDigitValue(text[i + 2]) < 0)
            return false;
    }
    // Checked first, written after: out keeps its storage, so the probe's
    // hundreds of writes per port reuse one buffer.
    out.clear();
    for (size_t i = 0; i < text.size(); i += 3)
        out.push_back(
            static_cast<uint8_t>(HexDigitValue(text[i + 1]) * 16 + HexDigitValue(text[i + 2])));
    return true;
}

std::string HexByteText(uint8_t value)
{
    static const char kDigits[] = "0123456789ABCDEF";
    return std::string{'$', kDigits[value >> 4], kDigits[value & 0x0F]};
}

bool PortProbe::SendHexBytes(std::string_view text, SerialPort& port)
{
    if (!ParseHexBytes(text, sendBytes_) || sendBytes_.empty())
        return false;
    return port.Write(sendBytes_.data(), sendBytes_.size());
}

void PortProbe::DrainInput(SerialPort& port)
{
    for (size_t waiting = port.BytesWaiting(); waiting > 0; waiting = port.BytesWaiting()) {
        // A port that claims bytes but delivers none would otherwise keep us here.
        if (port.Read(scratch_.data(), std::min(waiting, scratch_.size())) == 0)
            break;
    }
}

std::unique_ptr<SerialPort> PortProbe::OpenProbePort(const std::wstring& name)
{
    std::unique_ptr<SerialPort> port = ports_.Open(name, 4096, 1024);
    if (!port)
        return nullptr;
    // Each setting is tried on its own; a port that refuses one may still answer.
    port->ClearRts();
    port->ClearDtr();
    port->SetFlowCharacters(0x86, 0x02);
    PortTimeouts timeouts;
    timeouts.readInterval = 1000;
    timeouts.readTotalMultiplier = 10;
    timeouts.readTotalConstant = 1000;
    timeouts.writeTotalMultiplier = 500;
    timeouts.writeTotalConstant = 500;
    port->SetTimeouts(timeouts);
    for (int round = 0; round < kOpenRounds; ++round) {
        SendHexBytes(kQuietOnOpen, *port);
        clock_.Wait(kOpenRoundPauseMs);
        DrainInput(*port);
    }
    scratch_.fill(0);
    return port;
}

bool PortProbe::ReadInfoByte(SerialPort& port, size_t index)
{
    SendHexBytes("$52" + HexByteText(static_cast<uint8_t>(index)), port);
    const uint32_t requested = clock_.Milliseconds();
    for (;;) {
        clock_.Wait(kPollMs);
        if (port.BytesWaiting() > 0) {
            uint8_t value = 0;
            if (port.Read(&value, 1) == 1) {
                deviceInfo_[index] = value;
                return true;
            }
        }
        if (clock_.Milliseconds() - requested > kByteTimeoutMs)
            return false;
    }
}

bool PortProbe::ReadInfoBytes(SerialPort& port)
{
    for (size_t k = 0; k < kDeviceInfoSize; ++k) {
        if (!ReadInfoByte(port, k))
            return false;
    }
    return true;
}

std::wstring PortProbe::ReadDeviceInfo(SerialPort& port)
{
    static_assert(kInfoRequest == 0x52);
    votes_.clear();
    deviceInfo_.fill(0);
    for (attempts_ = 1; attempts_ <= kMaxInfoAttempts; ++attempts_) {
        SendHexBytes(kQuietBeforeRead, port);
        clock_.Wait(kAfterStopMs);
        if (!ReadInfoBytes(port))
            continue; // next attempt at once
        if (deviceInfo_[kCalibrationYearLow] == 0xFF) {
            clock_.Wait(kAfterFfMs);
            continue;
        }
        const int count = ++votes_[Crc32(deviceInfo_.data(), kChecksummedBytes)];
        if (count >= 2) {
            std::wstring text = IdentificationText(deviceInfo_);
            return text.starts_with(L"KLV") ? text : std::wstring();
        }
        clock_.Wait(kBetweenAttemptsMs);
        DrainInput(port);
    }
    attempts_ = kMaxInfoAttempts;
    return std::wstring();
}

std::wstring PortProbe::ProbePort(const std::wstring& name)
{
    std::unique_ptr<SerialPort> port = OpenProbePort(name);
    if (!port)
        return std::wstring();
    return ReadDeviceInfo(*port); // the port closes as it goes out of scope
}

std::vector<std::wstring> SplitPortList(const std::wstring& portList)
{
    std::vector<std::wstring> names;
    size_t start = 0;
    for (size_t comma = portList.find(L','); comma != std::wstring::npos;
         start = comma + 1, comma = portList.find(L',', start)) {
        std::wstring name = portList.substr(start, comma - start);
        if (!name.empty() && std::find(names.begin(), names.end(), name) == names.end()) {
            names.push_back(std::move(name));
        }
    }
    return names;
}

std::wstring PortProbe::ScanPorts()
{
    portList_.clear();
    for (int number = 0; number <= kHighestPortNumber; ++number) {
        const std::wstring name = L"COM" + std::to_wstring(number);
        if (ports_.Open(name, 1024, 1024))
            portList_ += name + L",";
    }
    const std::vector<std::wstring> names = SplitPortList(portList_);
    for (int pass = 0; pass < kScanPasses && !names.empty(); ++pass) {
        for (const std::wstring& name : names) {
            const std::wstring found = ProbePort(name);
            if (!found.empty())
                return found + L"|" + name;
        }
    }
    return std::wstring();
}

} // namespace findport
