// The serial link of varnok.dll against a raw pty peer on COM1 (see
// ptypeer.cpp): blocks by WM_COMDATA, re-alignment, suspension, closing in
// every state the measurement program can close it in, port failures, and the
// debug output window.
//   graphlib_comlink_test.exe [snapshot directory]
#include "varnok.h"

#include "stream_pattern.h"
#include "wintest.h"

#include <tlhelp32.h>

#include <algorithm>
#include <set>
#include <cstring>
#include <vector>

namespace {

const char kDefinition[] = "baud=19200 parity=N data=8 stop=1";
constexpr int kBufferSize = 15360;
constexpr int kBlockSize = 192;
constexpr int kCloseRepeats = 25;
// How long the receive thread may take to end once _CloseCom has returned:
// beyond the longest read it can be in (1 s time-out).
constexpr DWORD kThreadEndLimitMs = 3000;
// How long the peer's stream may still be arriving after its stop command.
constexpr DWORD kPeerQuietLimitMs = 2000;

struct Receiver {
    HWND hwnd = nullptr;
    std::vector<std::vector<uint8_t>> blocks;
    std::vector<const uint8_t*> addresses;
    std::vector<WPARAM> sizes;
    std::function<void(size_t index, const uint8_t* block)> onBlock;

    void Reset()
    {
        blocks.clear();
        addresses.clear();
        sizes.clear();
        onBlock = nullptr;
    }
};

Receiver g_rx;

// Posted to the receiver to run an action from a nested message loop.
constexpr UINT kRunAction = WM_APP + 1;
std::function<void()> g_postedAction;

LRESULT CALLBACK ReceiverProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == kRunAction) {
        if (g_postedAction)
            g_postedAction();
        return 0;
    }
    if (msg == WM_COMDATA) {
        const uint8_t* p = reinterpret_cast<const uint8_t*>(lParam);
        g_rx.sizes.push_back(wParam);
        g_rx.addresses.push_back(p);
        g_rx.blocks.emplace_back(p, p + wParam);
        if (g_rx.onBlock)
            g_rx.onBlock(g_rx.blocks.size() - 1, p);
        return 0;
    }
    return DefWindowProcA(hWnd, msg, wParam, lParam);
}

HWND CreateReceiverWindow()
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = ReceiverProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "ComLinkTestReceiver";
    RegisterClassA(&wc);
    return CreateWindowA(wc.lpszClassName, "receiver", WS_OVERLAPPED, 0, 0, 100, 100, nullptr,
                         nullptr, wc.hInstance, nullptr);
}

// The receive thread of the open link, found as the one thread _InitCom
// added to this process; null when there was not exactly one.
HANDLE g_rxThread;

std::set<DWORD> ThreadsOfThisProcess()
{
    std::set<DWORD> ids;
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snap == INVALID_HANDLE_VALUE)
        return ids;
    THREADENTRY32 te = {};
    te.dwSize = sizeof te;
    for (BOOL ok = Thread32First(snap, &te); ok; ok = Thread32Next(snap, &te)) {
        if (te.th32OwnerProcessID == GetCurrentProcessId())
            ids.insert(te.th32ThreadID);
    }
    CloseHandle(snap);
    return ids;
}

void ForgetReceiveThread()
{
    if (g_rxThread)
        CloseHandle(g_rxThread);
    g_rxThread = nullptr;
}

bool ReceiveThreadEnded()
{
    return g_rxThread && WaitForSingleObject(g_rxThread, 0) == WAIT_OBJECT_0;
}

// The peer has stopped streaming: after a purge the input queue stays empty
// through three checks, each longer apart than the peer's pause between two
// writes (a peer that was held up before it read the stop command has sent
// its last bytes by then).
bool LineGoesQuiet(HANDLE port)
{
    constexpr int kQuietChecks = 3;
    DWORD start = GetTickCount();
    int quiet = 0;
    PurgeComm(port, PURGE_RXCLEAR | PURGE_RXABORT);
    while (quiet < kQuietChecks && GetTickCount() - start < kPeerQuietLimitMs) {
        Sleep(30);
        DWORD errors = 0;
        COMSTAT stat = {};
        if (ClearCommError(port, &errors, &stat) && stat.cbInQue == 0) {
            ++quiet;
        } else {
            quiet = 0;
            PurgeComm(port, PURGE_RXCLEAR | PURGE_RXABORT);
        }
    }
    return quiet == kQuietChecks;
}

// Opens COM1 and, while the thread is still suspended, silences the peer and
// drops whatever an earlier stream left in the line.
HANDLE OpenLink(int debug = 0)
{
    g_rx.Reset();
    ForgetReceiveThread();
    std::set<DWORD> before = ThreadsOfThisProcess();
    HANDLE port = _InitCom(g_rx.hwnd, "COM1", kDefinition, kBufferSize, debug, kBlockSize);
    if (!port)
        return nullptr;
    std::vector<DWORD> added;
    for (DWORD id : ThreadsOfThisProcess())
        if (!before.count(id))
            added.push_back(id);
    CHECK_EQ(added.size(), 1u); // the receive thread, created suspended
    if (added.size() == 1)
        g_rxThread = OpenThread(SYNCHRONIZE | THREAD_QUERY_INFORMATION | THREAD_GET_CONTEXT |
                                    THREAD_SUSPEND_RESUME,
                                FALSE, added[0]);
    BYTE stop = kPeerStop;
    DWORD written = 0;
    WriteFile(port, &stop, 1, &written, nullptr);
    if (!LineGoesQuiet(port)) {
        std::printf("  FAIL: the peer was still streaming %lu ms after its stop command\n",
                    kPeerQuietLimitMs);
        ++g_checkFailures;
    }
    return port;
}

void StartStream()
{
    _EnableCOMThread();
    _SendCommand(kPeerStart);
}

bool WaitBlocks(size_t n, DWORD timeoutMs = 10000)
{
    return PumpUntil([n] { return g_rx.blocks.size() >= n; }, timeoutMs);
}

std::vector<uint8_t> Expected(uint32_t streamPos)
{
    std::vector<uint8_t> v(kBlockSize);
    for (int i = 0; i < kBlockSize; ++i)
        v[i] = StreamByte(streamPos + i);
    return v;
}

// First block index whose bytes differ from the stream at the given
// positions, or -1.
int FirstWrongBlock(const std::vector<uint32_t>& positions)
{
    for (size_t k = 0; k < positions.size() && k < g_rx.blocks.size(); ++k) {
        if (g_rx.blocks[k] != Expected(positions[k]))
            return static_cast<int>(k);
    }
    return -1;
}

void BlocksArriveInOrderWithTheBytesSent()
{
    HANDLE port = OpenLink();
    CHECK(port != nullptr);
    if (!port)
        return;
    CHECK_EQ(_EnableCOMThread(), 1u);             // created suspended
    CHECK(_SendCommand(0x100 | kPeerStart) != 0); // only the low byte goes out
    const size_t n = 100; // more than the 80 blocks of the buffer: crosses the wrap
    CHECK(WaitBlocks(n));
    _CloseCom();
    CHECK(g_rx.blocks.size() >= n);
    std::vector<uint32_t> positions;
    for (size_t k = 0; k < n; ++k)
        positions.push_back(static_cast<uint32_t>(k * kBlockSize));
    CHECK_EQ(FirstWrongBlock(positions), -1);
    for (size_t k = 0; k < std::min(n, g_rx.blocks.size()); ++k) {
        CHECK_EQ(g_rx.sizes[k], static_cast<WPARAM>(kBlockSize));
        // Each block lies at its place in the buffer; block 80 is at the start again.
        CHECK_EQ(g_rx.addresses[k] - g_rx.addresses[0],
                 static_cast<long long>((k % 80) * kBlockSize));
    }
}

void ShiftFromTheHandlerRealignsTheNextBlock()
{
    if (!OpenLink()) {
        CHECK(!"COM1 could not be opened");
        return;
    }
    g_rx.onBlock = [](size_t k, const uint8_t*) {
        if (k == 2)
            CHECK_EQ(_ShiftCounter(5), 5);
        if (k == 5) { // only the last count before the next read counts
            _ShiftCounter(4);
            _ShiftCounter(1);
        }
        if (k == 7)
            _ShiftCounter(0);
    };
    StartStream();
    CHECK(WaitBlocks(10));
    _CloseCom();
    std::vector<uint32_t> positions;
    uint32_t pos = 0;
    for (size_t k = 0; k < 10; ++k) {
        positions.push_back(pos);
        pos += kBlockSize + (k == 2 ? 5 : 0) + (k == 5 ? 1 : 0);
    }
    CHECK_EQ(FirstWrongBlock(positions), -1);
}

// Once _CloseCom has returned the receive thread ends (also where the close
// came from inside the handling of a block: when the handler returns), and
// nothing more is delivered.
void CheckClosedForGood(size_t blocksAtClose)
{
    if (!PumpUntil(ReceiveThreadEnded, kThreadEndLimitMs)) {
        std::printf("  FAIL: the receive thread still runs %lu ms after _CloseCom\n",
                    kThreadEndLimitMs);
        ++g_checkFailures;
    }
    PumpPending();
    CHECK_EQ(g_rx.blocks.size(), blocksAtClose);
}

void CloseFromTheUserInterfaceWhileStreaming()
{
    DWORD longest = 0;
    for (int i = 0; i < kCloseRepeats; ++i) {
        if (!OpenLink()) {
            CHECK(!"COM1 could not be opened again");
            return;
        }
        StartStream();
        CHECK(WaitBlocks(2 + i % 3));
        DWORD t0 = GetTickCount();
        _CloseCom();
        longest = std::max(longest, GetTickCount() - t0);
        CheckClosedForGood(g_rx.blocks.size());
    }
    std::printf("  longest _CloseCom from the user interface: %lu ms\n", longest);
}

void CloseFromInsideTheHandler()
{
    DWORD longest = 0;
    for (int i = 0; i < kCloseRepeats; ++i) {
        if (!OpenLink()) {
            CHECK(!"COM1 could not be opened again");
            return;
        }
        bool closed = false;
        g_rx.onBlock = [&](size_t k, const uint8_t* block) {
            if (k != 2)
                return;
            DWORD t0 = GetTickCount();
            _CloseCom();
            longest = std::max(longest, GetTickCount() - t0);
            closed = true;
            // The block stays readable until the handler returns.
            CHECK(block[0] == StreamByte(2 * kBlockSize));
        };
        StartStream();
        CHECK(PumpUntil([&] { return closed; }, 10000));
        CheckClosedForGood(3);
    }
    std::printf("  longest _CloseCom inside WM_COMDATA: %lu ms\n", longest);
}

// The user interface is busy (not dispatching) while a block is complete:
// the thread then waits inside its send to this very thread when the user
// interface closes the link. The block it was sending may still be handled
// during the close, and nothing after it.
void CloseWhileTheThreadWaitsInItsSend()
{
    DWORD longest = 0;
    for (int i = 0; i < 10; ++i) {
        if (!OpenLink()) {
            CHECK(!"COM1 could not be opened again");
            return;
        }
        StartStream();
        CHECK(WaitBlocks(2));
        // No messages handled: the next block comes to wait in its send.
        DWORD waitStart = GetTickCount();
        while (!(HIWORD(GetQueueStatus(QS_SENDMESSAGE)) & QS_SENDMESSAGE) &&
               GetTickCount() - waitStart < 2000)
            Sleep(1);
        CHECK(HIWORD(GetQueueStatus(QS_SENDMESSAGE)) & QS_SENDMESSAGE);
        size_t before = g_rx.blocks.size();
        DWORD t0 = GetTickCount();
        _CloseCom();
        longest = std::max(longest, GetTickCount() - t0);
        CHECK(g_rx.blocks.size() <= before + 1);
        CheckClosedForGood(g_rx.blocks.size());
        std::vector<uint32_t> positions;
        for (size_t k = 0; k < g_rx.blocks.size(); ++k)
            positions.push_back(static_cast<uint32_t>(k * kBlockSize));
        CHECK_EQ(FirstWrongBlock(positions), -1);
    }
    std::printf("  longest _CloseCom while the thread waits in its send: %lu ms\n", longest);
}

// With no data on the line the thread sits in a read that only the read
// time-out would end; closing must not leave it touching a released port.
void CloseWhileTheLineIsSilent()
{
    DWORD longest = 0;
    for (int i = 0; i < 5; ++i) {
        if (!OpenLink()) {
            CHECK(!"COM1 could not be opened again");
            return;
        }
        CHECK_EQ(_EnableCOMThread(), 1u);
        PumpFor(50 + 40 * i); // close at moments spread over the read's time-out
        DWORD t0 = GetTickCount();
        _CloseCom();
        longest = std::max(longest, GetTickCount() - t0);
        CheckClosedForGood(0);
    }
    // The line still works: the next open streams again.
    if (!OpenLink()) {
        CHECK(!"COM1 could not be opened again");
        return;
    }
    StartStream();
    CHECK(WaitBlocks(2));
    _CloseCom();
    CHECK_EQ(FirstWrongBlock({0, kBlockSize}), -1);
    std::printf("  longest _CloseCom with a silent line: %lu ms\n", longest);
}

// The handler of a block opens a modal loop (as a message box would) and the
// user cancels from there: the close runs inside a posted message, nested in
// the handling of the block the thread is still sending.
void CloseFromALoopNestedInTheHandler()
{
    DWORD longest = 0;
    for (int i = 0; i < 5; ++i) {
        if (!OpenLink()) {
            CHECK(!"COM1 could not be opened again");
            return;
        }
        bool closed = false;
        g_postedAction = [&] {
            DWORD t0 = GetTickCount();
            _CloseCom();
            longest = std::max(longest, GetTickCount() - t0);
            closed = true;
        };
        g_rx.onBlock = [&](size_t k, const uint8_t*) {
            if (k != 1)
                return;
            PostMessageA(g_rx.hwnd, kRunAction, 0, 0);
            PumpUntil([&] { return closed; }, 10000);
        };
        StartStream();
        CHECK(PumpUntil([&] { return closed; }, 10000));
        CheckClosedForGood(2);
        g_postedAction = nullptr;
    }
    std::printf("  longest _CloseCom from a loop nested in WM_COMDATA: %lu ms\n", longest);
}

// A suspended receive thread is resumed to see its run flag and ends inside
// _CloseCom; it is not left behind, suspended, holding the port.
void CloseASuspendedThread()
{
    for (int i = 0; i < 10; ++i) {
        // never enabled
        if (!OpenLink()) {
            CHECK(!"COM1 could not be opened again");
            return;
        }
        _CloseCom();
        CheckClosedForGood(0);
        // enabled, streaming, then suspended once or twice
        if (!OpenLink()) {
            CHECK(!"COM1 could not be opened again");
            return;
        }
        StartStream();
        CHECK(WaitBlocks(2));
        CHECK_EQ(_DisableCOMThread(), 0u);
        if (i % 2)
            CHECK_EQ(_DisableCOMThread(), 1u);
        size_t atClose = g_rx.blocks.size();
        _CloseCom();
        // A block that was already being sent may still arrive inside _CloseCom.
        CHECK(g_rx.blocks.size() <= atClose + 1);
        CheckClosedForGood(g_rx.blocks.size());
    }
}

// Where in the peer's stream a run of bytes lies, searched from `from` on;
// -1 when nowhere up to `to`.
long StreamPositionOf(const uint8_t* bytes, size_t n, uint32_t from, uint32_t to)
{
    for (uint32_t p = from; p < to; ++p) {
        size_t i = 0;
        while (i < n && bytes[i] == StreamByte(p + static_cast<uint32_t>(i)))
            ++i;
        if (i == n)
            return static_cast<long>(p);
    }
    return -1;
}

// Waits until the suspended thread has really stopped (its context can only
// be read then) and the block it may have been sending is handled.
void WaitUntilSuspended()
{
    CONTEXT ctx = {};
    ctx.ContextFlags = CONTEXT_CONTROL;
    CHECK(g_rxThread && GetThreadContext(g_rxThread, &ctx));
    CHECK(
        PumpUntil([] { return !(HIWORD(GetQueueStatus(QS_SENDMESSAGE)) & QS_SENDMESSAGE); }, 2000));
}

// While disabled, the bytes the peer sends wait in the port; enabling purges
// them. The block under construction keeps its bytes: the first block after
// enabling is the old partial block followed by bytes sent after the purge.
void DisableThenEnableGoesOnDelivering()
{
    HANDLE port = OpenLink();
    if (!port) {
        CHECK(!"COM1 could not be opened");
        return;
    }
    StartStream();
    CHECK(WaitBlocks(3));
    // Disable once the thread has stored part of the next block.
    const size_t atObserve = g_rx.blocks.size();
    const uint8_t* next = g_rx.addresses.back() + kBlockSize;
    const uint32_t nextPos = static_cast<uint32_t>(atObserve * kBlockSize);
    constexpr int kSeenStored = 32;
    auto partStored = [&] {
        for (int i = 0; i < kSeenStored; ++i)
            if (next[i] != StreamByte(nextPos + i))
                return false;
        return true;
    };
    CHECK(PumpUntil(partStored, 2000));
    CHECK_EQ(_DisableCOMThread(), 0u);
    WaitUntilSuspended();
    const size_t atSuspend = g_rx.blocks.size();
    // Bytes pile up in the port meanwhile, and nothing is delivered.
    COMSTAT stat = {};
    DWORD errors = 0;
    CHECK(PumpUntil(
        [&] { return ClearCommError(port, &errors, &stat) && stat.cbInQue >= 2 * kBlockSize; },
        2000));
    CHECK_EQ(g_rx.blocks.size(), atSuspend);
    const uint32_t queuedAtEnable = stat.cbInQue;
    CHECK_EQ(_EnableCOMThread(), 1u);
    CHECK(WaitBlocks(atSuspend + 3));
    _CloseCom();
    CheckClosedForGood(g_rx.blocks.size());
    if (g_rx.blocks.size() < atSuspend + 3)
        return;

    std::vector<uint32_t> before;
    for (size_t k = 0; k < atSuspend; ++k)
        before.push_back(static_cast<uint32_t>(k * kBlockSize));
    CHECK_EQ(FirstWrongBlock(before), -1);
    // Split the first block after enabling into the old stream's continuation
    // and the new bytes, and find where the new bytes lie in the stream.
    const std::vector<uint8_t>& first = g_rx.blocks[atSuspend];
    const uint32_t oldPos = static_cast<uint32_t>(atSuspend * kBlockSize);
    size_t partial = 0;
    while (partial < first.size() &&
           first[partial] == StreamByte(oldPos + static_cast<uint32_t>(partial)))
        ++partial;
    std::vector<uint8_t> fresh(first.begin() + static_cast<long>(partial), first.end());
    for (size_t k = atSuspend + 1; k < g_rx.blocks.size(); ++k)
        fresh.insert(fresh.end(), g_rx.blocks[k].begin(), g_rx.blocks[k].end());
    const uint32_t purgedFrom = oldPos + static_cast<uint32_t>(partial);
    long newPos = StreamPositionOf(fresh.data(), fresh.size(), purgedFrom, purgedFrom + 200000);
    std::printf("  %zu blocks before suspension, %zu old bytes completed by new bytes from "
                "stream position %ld; %u bytes were queued at enabling\n",
                atSuspend, partial, newPos, queuedAtEnable);
    if (atSuspend == atObserve) // no block completed before the suspension took hold
        CHECK(partial >= static_cast<size_t>(kSeenStored));
    CHECK(newPos >= 0);
    // Everything that waited in the port when the thread was enabled was purged.
    CHECK(newPos >= static_cast<long>(purgedFrom + queuedAtEnable));
}

// COM7 is mapped to a port whose device is absent, COM2 is served by a peer
// that keeps its line locked (as a port another program holds), and "NUL"
// opens but is no serial line.
void MissingOrBusyPortGivesNull()
{
    CHECK(_InitCom(g_rx.hwnd, "COM7", kDefinition, kBufferSize, 0, kBlockSize) == nullptr);
    _CloseCom();
    _CloseCom();
    CHECK(_InitCom(g_rx.hwnd, "COM99", kDefinition, kBufferSize, 0, kBlockSize) == nullptr);
    _CloseCom();
    CHECK_EQ(_SendCommand('S'), 0);
    CHECK_EQ(_EnableCOMThread(), static_cast<DWORD>(-1));
    CHECK_EQ(_DisableCOMThread(), static_cast<DWORD>(-1));
    CHECK_EQ(_ShiftCounter(3), 3);

    CHECK(_InitCom(g_rx.hwnd, "COM2", kDefinition, kBufferSize, 0, kBlockSize) == nullptr);
    _CloseCom();
    CHECK(_InitCom(g_rx.hwnd, "NUL", kDefinition, kBufferSize, 0, kBlockSize) == nullptr);
    _CloseCom();

    // Block sizes that leave no whole block in the buffer are refused.
    CHECK(_InitCom(g_rx.hwnd, "COM1", kDefinition, 100, 0, kBlockSize) == nullptr);
    CHECK(_InitCom(g_rx.hwnd, "COM1", kDefinition, kBufferSize, 0, 0) == nullptr);
    // ... and the port works afterwards; a second open while it is open is refused.
    CHECK(OpenLink() != nullptr);
    CHECK(_InitCom(g_rx.hwnd, "COM1", kDefinition, kBufferSize, 0, kBlockSize) == nullptr);
    StartStream();
    CHECK(WaitBlocks(2));
    _CloseCom();
}

std::string HexDump(const std::vector<uint8_t>& bytes)
{
    std::string s;
    char b[4];
    for (uint8_t v : bytes) {
        wsprintfA(b, "%02x ", v);
        s += b;
    }
    return s;
}

void DebugWindowShowsEveryBlock()
{
    if (!OpenLink(1)) {
        CHECK(!"COM1 could not be opened");
        return;
    }
    std::string title = std::string("Debug Output: COM1 ") + kDefinition;
    HWND dlg = FindWindowA(nullptr, title.c_str());
    CHECK(dlg != nullptr);
    if (!dlg) {
        _CloseCom();
        return;
    }
    CHECK(IsWindowVisible(dlg));
    CHECK(GetDlgItem(dlg, 200) != nullptr);
    std::vector<std::string> texts;
    g_rx.onBlock = [&](size_t, const uint8_t*) {
        char text[1100] = "";
        GetDlgItemTextA(dlg, 200, text, sizeof text);
        texts.push_back(text);
    };
    StartStream();
    CHECK(WaitBlocks(5));
    g_rx.onBlock = nullptr;
    RedrawWindow(dlg, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    Snapshot(dlg, "graphlib_debugout");
    _CloseCom();
    CHECK(!IsWindow(dlg));
    for (size_t k = 0; k < 5 && k < texts.size(); ++k) {
        const std::string& t = texts[k];
        char head[120];
        wsprintfA(head, "MinData: 192 dRead: 01 dBuffPos: %04d MessageDist: 192 \r\n",
                  static_cast<int>((k + 1) * kBlockSize));
        CHECK_STR(t.substr(0, std::strlen(head)), head);
        size_t data = t.find(" ms\r\nData:\r\n");
        CHECK(data != std::string::npos);
        if (data == std::string::npos)
            continue;
        std::string dump = t.substr(data + std::strlen(" ms\r\nData:\r\n"));
        CHECK_EQ(dump.size(), 576u);
        CHECK_STR(dump, HexDump(g_rx.blocks[k]));
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 1)
        SetSnapshotDir(argv[1]);
    g_rx.hwnd = CreateReceiverWindow();
    if (!g_rx.hwnd) {
        std::printf("FAILED: no receiver window\n");
        return 1;
    }
    RunCase("BlocksArriveInOrderWithTheBytesSent", BlocksArriveInOrderWithTheBytesSent);
    RunCase("ShiftFromTheHandlerRealignsTheNextBlock", ShiftFromTheHandlerRealignsTheNextBlock);
    RunCase("CloseFromTheUserInterfaceWhileStreaming", CloseFromTheUserInterfaceWhileStreaming);
    RunCase("CloseFromInsideTheHandler", CloseFromInsideTheHandler);
    RunCase("CloseWhileTheThreadWaitsInItsSend", CloseWhileTheThreadWaitsInItsSend);
    RunCase("CloseWhileTheLineIsSilent", CloseWhileTheLineIsSilent);
    RunCase("CloseFromALoopNestedInTheHandler", CloseFromALoopNestedInTheHandler);
    RunCase("CloseASuspendedThread", CloseASuspendedThread);
    RunCase("DisableThenEnableGoesOnDelivering", DisableThenEnableGoesOnDelivering);
    RunCase("MissingOrBusyPortGivesNull", MissingOrBusyPortGivesNull);
    RunCase("DebugWindowShowsEveryBlock", DebugWindowShowsEveryBlock);
    DestroyWindow(g_rx.hwnd);
    return Summary();
}
