// The serial link: one port per process, its receive thread that hands the
// receive buffer to a window in blocks (WM_COMDATA), single command bytes,
// re-alignment, and the conversion of raw counts.
//
// Shutdown. The receive thread can be blocked in a read (up to the read
// time-out) or inside the synchronous send of WM_COMDATA to the very thread
// that calls _CloseCom. The link is therefore shared by two owners, the
// caller and the receive thread, and whichever lets go last releases the
// port and the buffer. _CloseCom stops the thread (run flag, resume, cancel of
// a pending read) and waits for it while still handling the messages sent to
// its thread, so a block the thread is delivering right now is handled and
// the thread can end. Called from within the handling of WM_COMDATA (also
// from a loop nested in it), where the thread waits for the caller to return,
// it does not wait: the thread ends when the handler returns and releases the
// link itself. A later _InitCom first waits for such a thread to be gone.
#include "globalmem.h"
#include "graphstate.h"
#include "rxloop.h"
#include "varnokres.h"

#include <atomic>
#include <functional>
#include <new>

namespace {

// Driver queues and time-outs of the device line.
constexpr DWORD kInputQueue = 6000;
constexpr DWORD kOutputQueue = 2048;
constexpr DWORD kReadInterval = 1000;
constexpr DWORD kReadMultiplier = 10;
constexpr DWORD kReadConstant = 1000;
constexpr DWORD kWriteMultiplier = 500;
constexpr DWORD kWriteConstant = 500;

// How long _CloseCom waits for the receive thread before leaving the release
// to the thread: longer than the longest read the thread can be in.
constexpr DWORD kCloseWaitMs = 5000;
// Reads that fail at once (a broken line) are not repeated at full speed.
constexpr DWORD kFailedReadPauseMs = 50;

constexpr DWORD kPurgeAll = PURGE_TXCLEAR | PURGE_RXCLEAR | PURGE_TXABORT | PURGE_RXABORT;

struct SerialLink {
    SerialLink(uint8_t* buffer, uint32_t size, uint32_t blockSize)
        : pRxBuffer(buffer), nRxBufferSize(size), nBlockSize(blockSize),
          loop(buffer, size, blockSize)
    {
    }

    HANDLE hComPort = INVALID_HANDLE_VALUE;
    HANDLE hComThread = nullptr;
    DWORD nThreadId = 0;
    HWND hNotifyWnd = nullptr;
    uint8_t* pRxBuffer;
    uint32_t nRxBufferSize;
    uint32_t nBlockSize;
    klv::RxLoop loop; // positions, run flag and skip count
    bool bDebugOut = false;
    std::atomic<HWND> hDebugDlg{nullptr};
    char* pDebugText = nullptr;
    DWORD nLastBlockTick = 0;
    std::atomic<bool> bInHandover{false}; // inside the send of WM_COMDATA
    std::atomic<int> nOwners{1};          // the caller, plus the thread once created
};

SerialLink* g_link;        // the open link, or nullptr
HANDLE g_hLingeringThread; // a stopped receive thread still releasing its link

void ReleaseLink(SerialLink* link)
{
    if (link->hComThread)
        CloseHandle(link->hComThread);
    if (link->hComPort != INVALID_HANDLE_VALUE)
        CloseHandle(link->hComPort);
    FreeLocked(link->pRxBuffer);
    FreeLocked(link->pDebugText);
    delete link;
}

void LetGo(SerialLink* link)
{
    if (link->nOwners.fetch_sub(1) == 1)
        ReleaseLink(link);
}

// While bytes flow, the loop asks for the rest of the block under
// construction (or for the bytes a shift discards). A read that waits for all
// of them wakes this thread for every few bytes the line brings (Wine's
// serial reads do), so the source first sleeps for the time the missing bytes
// need on the line: the read then finds them queued, and the thread wakes a
// few times per block. The read itself is the same as without the pause. A
// one-byte read (quiet line, debug output) does not pause.
class PortSource : public klv::RxByteSource {
public:
    explicit PortSource(HANDLE port) : port_(port)
    {
        DCB dcb = {};
        dcb.DCBlength = sizeof(dcb);
        if (GetCommState(port, &dcb) && dcb.BaudRate > 0)
            bytesPerSecond_ = dcb.BaudRate / kBitsPerByte;
    }

    uint32_t Read(uint8_t* dst, uint32_t count) override
    {
        if (count > 1 && bytesPerSecond_ > 0)
            PauseForMissingBytes(count);
        DWORD got = 0;
        DWORD start = GetTickCount();
        BOOL ok = ReadFile(port_, dst, count, &got, nullptr);
        if (got > count)
            got = count;
        if (got == 0 && (!ok || GetTickCount() - start < 2))
            Sleep(kFailedReadPauseMs);
        return got;
    }

private:
    // Start bit, eight data bits, stop bit.
    static constexpr DWORD kBitsPerByte = 10;
    // A stop request waits at most this long for the sleeping thread.
    static constexpr DWORD kLongestFlowPauseMs = 100;

    DWORD Queued()
    {
        DWORD errors = 0;
        COMSTAT status{};
        return ClearCommError(port_, &errors, &status) ? status.cbInQue : 0;
    }

    void PauseForMissingBytes(uint32_t count)
    {
        const DWORD queued = Queued();
        if (queued >= count)
            return;
        const DWORD missingMs = (count - queued) * 1000 / bytesPerSecond_;
        Sleep(missingMs < kLongestFlowPauseMs ? missingMs : kLongestFlowPauseMs);
    }

    HANDLE port_;
    DWORD bytesPerSecond_ = 0;
};

class WindowSink : public klv::RxBlockSink {
public:
    explicit WindowSink(SerialLink* link) : link_(link) {}
    void OnBlock(const klv::RxBlockInfo& info) override
    {
        if (link_->bDebugOut)
            ShowDebugText(info);
        link_->bInHandover = true;
        SendMessageA(link_->hNotifyWnd, WM_COMDATA, info.nBlockSize,
                     reinterpret_cast<LPARAM>(info.pBlock));
        link_->bInHandover = false;
    }

private:
    void ShowDebugText(const klv::RxBlockInfo& info)
    {
        DWORD now = GetTickCount();
        DWORD ms = now - link_->nLastBlockTick;
        link_->nLastBlockTick = now;
        HWND dlg = link_->hDebugDlg.load();
        if (!dlg || !link_->pDebugText)
            return;
        klv::FormatRxDebugText(link_->pDebugText, info, ms);
        SetDlgItemTextA(dlg, IDC_DEBUGOUT_TEXT, link_->pDebugText);
    }

    SerialLink* link_;
};

DWORD WINAPI ReceiveThread(LPVOID param)
{
    SerialLink* link = static_cast<SerialLink*>(param);
    link->nLastBlockTick = GetTickCount();
    PortSource source(link->hComPort);
    WindowSink sink(link);
    link->loop.Run(source, sink);
    LetGo(link);
    return 0;
}

// Handles the messages other threads send to this one; posted messages stay
// queued for the caller's own loop.
void HandleSentMessages()
{
    MSG msg;
    PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
}

// Waits for the thread to end while handling sent messages, so that a thread
// blocked in a send to this thread can finish. False when it did not end in
// time or giveUp, asked after every round of messages, says to stop waiting.
bool WaitHandlingSentMessages(HANDLE thread, DWORD timeoutMs,
                              const std::function<bool()>& giveUp = {})
{
    DWORD start = GetTickCount();
    for (;;) {
        DWORD r = MsgWaitForMultipleObjects(1, &thread, FALSE, 20, QS_SENDMESSAGE);
        if (r == WAIT_OBJECT_0)
            return true;
        if (r == WAIT_FAILED)
            return false;
        HandleSentMessages();
        if ((giveUp && giveUp()) || GetTickCount() - start >= timeoutMs)
            return false;
    }
}

bool NotifyWindowIsOurs(SerialLink* link)
{
    return GetWindowThreadProcessId(link->hNotifyWnd, nullptr) == GetCurrentThreadId();
}

// True when the receive thread is blocked in its send of WM_COMDATA to this
// very thread, waiting for the message being handled now.
bool ThreadWaitsForCaller(SerialLink* link)
{
    return link->bInHandover && InSendMessage() && NotifyWindowIsOurs(link);
}

// Waits for the receive thread to end. It may be delivering a block to this
// thread: a block not yet taken is handled here; a block whose handling is
// further up this thread's stack (the close came from a loop nested in that
// handling) can only finish after the close has returned, so the wait ends as
// soon as the thread stays in its send with nothing left to take here.
bool WaitForReceiveThread(SerialLink* link)
{
    constexpr int kPollsStuck = 3;
    int stuck = 0;
    return WaitHandlingSentMessages(link->hComThread, kCloseWaitMs, [link, &stuck] {
        bool nothingToTake = (HIWORD(GetQueueStatus(QS_SENDMESSAGE)) & QS_SENDMESSAGE) == 0;
        stuck = link->bInHandover && nothingToTake && NotifyWindowIsOurs(link) ? stuck + 1 : 0;
        return stuck >= kPollsStuck;
    });
}

void WaitForLingeringThread()
{
    if (!g_hLingeringThread)
        return;
    WaitHandlingSentMessages(g_hLingeringThread, kCloseWaitMs);
    CloseHandle(g_hLingeringThread);
    g_hLingeringThread = nullptr;
}

// Keeps a handle to a thread that will release the link itself.
void LeaveToThread(SerialLink* link)
{
    if (g_hLingeringThread)
        CloseHandle(g_hLingeringThread);
    g_hLingeringThread = nullptr;
    DuplicateHandle(GetCurrentProcess(), link->hComThread, GetCurrentProcess(), &g_hLingeringThread,
                    SYNCHRONIZE, FALSE, 0);
    LetGo(link);
}

// A name can open something that is no serial line (a file, "NUL", or a
// port whose device has gone while its name is still mapped); such a handle
// has no line state, and the link treats it like a port that does not exist.
bool IsSerialPort(HANDLE handle)
{
    DCB dcb = {};
    dcb.DCBlength = sizeof(dcb);
    return GetCommState(handle, &dcb) != FALSE;
}

void ApplyLineSettings(HANDLE port, LPCSTR szDefinition)
{
    DCB tmpl = {};
    tmpl.DCBlength = sizeof(tmpl);
    BuildCommDCBA(szDefinition, &tmpl);
    DCB dcb = {};
    dcb.DCBlength = sizeof(dcb);
    GetCommState(port, &dcb);
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
    SetCommState(port, &dcb);

    COMMTIMEOUTS t = {};
    t.ReadIntervalTimeout = kReadInterval;
    t.ReadTotalTimeoutMultiplier = kReadMultiplier;
    t.ReadTotalTimeoutConstant = kReadConstant;
    t.WriteTotalTimeoutMultiplier = kWriteMultiplier;
    t.WriteTotalTimeoutConstant = kWriteConstant;
    SetCommTimeouts(port, &t);
}

void OpenDebugOutput(SerialLink* link, LPCSTR szPort, LPCSTR szDefinition)
{
    HWND dlg = CreateDialogParamA(g_hLibInstance, IDD_DEBUGOUT_NAME, nullptr, nullptr, 0);
    char title[300];
    wsprintfA(title, "Debug Output: %.120s %.120s", szPort, szDefinition);
    if (dlg)
        SetWindowTextA(dlg, title);
    link->hDebugDlg = dlg;
    link->pDebugText = static_cast<char*>(AllocLocked(klv::kRxDebugTextSize));
}

} // namespace

extern "C" {

VARNOK_API HANDLE _InitCom(HWND hNotifyWnd, LPCSTR szPort, LPCSTR szDefinition, int nBufferSize,
                           int bDebugOut, int nBlockSize)
{
    if (g_link || !szPort || !szDefinition)
        return nullptr; // one link at a time
    if (nBlockSize <= 0 || nBufferSize < nBlockSize)
        return nullptr; // no whole block fits: nothing could ever be delivered
    WaitForLingeringThread();

    uint8_t* buffer = static_cast<uint8_t*>(AllocLocked(static_cast<size_t>(nBufferSize)));
    if (!buffer)
        return nullptr;
    SerialLink* link = new (std::nothrow)
        SerialLink(buffer, static_cast<uint32_t>(nBufferSize), static_cast<uint32_t>(nBlockSize));
    if (!link) {
        FreeLocked(buffer);
        return nullptr;
    }
    link->hNotifyWnd = hNotifyWnd;
    link->bDebugOut = bDebugOut != 0;
    link->loop.SetOneBytePerRead(link->bDebugOut);

    link->hComPort =
        CreateFileA(szPort, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, 0, nullptr);
    if (link->hComPort == INVALID_HANDLE_VALUE || !IsSerialPort(link->hComPort)) {
        ReleaseLink(link);
        return nullptr;
    }
    HANDLE port = link->hComPort;
    SetupComm(port, kInputQueue, kOutputQueue);
    ApplyLineSettings(port, szDefinition);
    if (link->bDebugOut)
        OpenDebugOutput(link, szPort, szDefinition);
    PurgeComm(port, PURGE_TXCLEAR);
    PurgeComm(port, PURGE_RXCLEAR);
    PurgeComm(port, PURGE_TXABORT);
    PurgeComm(port, PURGE_RXABORT);

    link->nOwners = 2; // the thread lets go when it ends
    link->hComThread =
        CreateThread(nullptr, 0, ReceiveThread, link, CREATE_SUSPENDED, &link->nThreadId);
    if (!link->hComThread)
        link->nOwners = 1;
    link->loop.SetSkipCount(0);
    if (link->hComThread)
        SetThreadPriority(link->hComThread, THREAD_PRIORITY_ABOVE_NORMAL);
    PurgeComm(port, kPurgeAll);
    g_link = link;
    return port;
}

VARNOK_API DWORD _EnableCOMThread(void)
{
    if (!g_link || !g_link->hComThread)
        return static_cast<DWORD>(-1);
    PurgeComm(g_link->hComPort, kPurgeAll);
    return ResumeThread(g_link->hComThread);
}

VARNOK_API DWORD _DisableCOMThread(void)
{
    if (!g_link || !g_link->hComThread)
        return static_cast<DWORD>(-1);
    return SuspendThread(g_link->hComThread);
}

VARNOK_API int _SendCommand(int nCommand)
{
    if (!g_link)
        return 0;
    BYTE b = static_cast<BYTE>(nCommand & 0xFF);
    DWORD written = 0;
    return WriteFile(g_link->hComPort, &b, 1, &written, nullptr) && written == 1;
}

VARNOK_API int _ShiftCounter(int nCount)
{
    if (g_link)
        g_link->loop.SetSkipCount(nCount);
    return nCount;
}

VARNOK_API void _CloseCom(void)
{
    SerialLink* link = g_link;
    if (!link)
        return;
    g_link = nullptr; // a nested or repeated close finds nothing to do
    link->loop.Stop();
    HANDLE thread = link->hComThread;
    if (thread) {
        DWORD previous;
        do { // a suspended thread must run to see the flag
            previous = ResumeThread(thread);
        } while (previous != static_cast<DWORD>(-1) && previous > 1);
        CancelSynchronousIo(thread); // cut a pending read short where the driver allows
    }
    if (link->bDebugOut) {
        HWND dlg = link->hDebugDlg.exchange(nullptr);
        if (dlg)
            DestroyWindow(dlg);
    }
    if (thread) {
        if (ThreadWaitsForCaller(link) || !WaitForReceiveThread(link)) {
            LeaveToThread(link);
            return;
        }
    }
    LetGo(link);
}

VARNOK_API double _Bit2ValByIndex(int nRaw, GraphData* pGraphData, int nIndex)
{
    GraphRecord* g = GraphAt(pGraphData, nIndex);
    if (!g)
        return 0.0;
    return g->dMinValue + static_cast<double>(nRaw) / static_cast<double>(g->nMaxBit) *
                              (g->dMaxValue - g->dMinValue);
}

} // extern "C"
