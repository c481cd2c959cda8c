#include "win_serial.h"

#include <windows.h>

#include "runtime_error.h"

namespace findport {

namespace {

class WinSerialPort : public SerialPort {
public:
    explicit WinSerialPort(HANDLE handle) : handle_(handle) {}
    ~WinSerialPort() override { CloseHandle(handle_); }
    WinSerialPort(const WinSerialPort&) = delete;
    WinSerialPort& operator=(const WinSerialPort&) = delete;

    bool ClearRts() override { return EscapeCommFunction(handle_, CLRRTS) != 0; }
    bool ClearDtr() override { return EscapeCommFunction(handle_, CLRDTR) != 0; }

    bool SetFlowCharacters(uint8_t xon, uint8_t xoff) override
    {
        DCB dcb{};
        dcb.DCBlength = sizeof dcb;
        if (!GetCommState(handle_, &dcb))
            return false;
        dcb.XonChar = static_cast<char>(xon);
        dcb.XoffChar = static_cast<char>(xoff);
        return SetCommState(handle_, &dcb) != 0;
    }

    bool SetTimeouts(const PortTimeouts& t) override
    {
        COMMTIMEOUTS timeouts{};
        timeouts.ReadIntervalTimeout = t.readInterval;
        timeouts.ReadTotalTimeoutMultiplier = t.readTotalMultiplier;
        timeouts.ReadTotalTimeoutConstant = t.readTotalConstant;
        timeouts.WriteTotalTimeoutMultiplier = t.writeTotalMultiplier;
        timeouts.WriteTotalTimeoutConstant = t.writeTotalConstant;
        return SetCommTimeouts(handle_, &timeouts) != 0;
    }

    bool Write(const uint8_t* data, size_t length) override
    {
        DWORD written = 0;
        return WriteFile(handle_, data, static_cast<DWORD>(length), &written, nullptr) &&
               written == length;
    }

    size_t BytesWaiting() override
    {
        DWORD errors = 0;
        COMSTAT status{};
        if (!ClearCommError(handle_, &errors, &status))
            return 0;
        return status.cbInQue;
    }

    size_t Read(uint8_t* buffer, size_t maxLength) override
    {
        DWORD got = 0;
        if (!ReadFile(handle_, buffer, static_cast<DWORD>(maxLength), &got, nullptr))
            return 0;
        return got;
    }

private:
    HANDLE handle_;
};

// 19200 baud, 8 data bits, no parity, 1 stop bit, no handshake; DTR and RTS
// stay inactive, as the device expects them.
bool ApplyLineSettings(HANDLE handle)
{
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!GetCommState(handle, &dcb))
        return false;
    dcb.BaudRate = CBR_19200;
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    dcb.fBinary = TRUE;
    dcb.fParity = FALSE;
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDtrControl = DTR_CONTROL_DISABLE;
    dcb.fRtsControl = RTS_CONTROL_DISABLE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.fErrorChar = FALSE;
    dcb.fNull = FALSE;
    dcb.fAbortOnError = FALSE;
    return SetCommState(handle, &dcb) != 0;
}

} // namespace

std::unique_ptr<SerialPort> WinPortSystem::Open(const std::wstring& name, uint32_t inQueue,
                                                uint32_t outQueue)
{
    NoteSourceLine(__LINE__);
    const std::wstring device = L"\\\\.\\" + name;
    HANDLE handle = CreateFileW(device.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return nullptr;
    if (!SetupComm(handle, inQueue, outQueue) || !ApplyLineSettings(handle)) {
        CloseHandle(handle);
        return nullptr;
    }
    return std::make_unique<WinSerialPort>(handle);
}

} // namespace findport
