// Actions on top-level windows, their menus and their processes.
#include "klvdriver.h"

#include "klvrefuse.h"

#include <commctrl.h>
#include <winternl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

int CmdWaitWindow(int argc, char** argv)
{
    const DWORD timeout = TimeoutArg(argc, argv, 3, 10000);
    HWND hwnd = WaitForWindow(argv[2], timeout);
    if (!hwnd) {
        std::fprintf(stderr, "klvdriver: window \"%s\" did not appear in %lu ms\n", argv[2],
                     timeout);
        return 1;
    }
    std::printf("%p\n", static_cast<void*>(hwnd));
    return 0;
}

int CmdWaitGone(int argc, char** argv)
{
    const DWORD timeout = TimeoutArg(argc, argv, 3, 10000);
    if (WaitUntil([&] { return FindTopWindow(argv[2]) == nullptr; }, timeout, kPollMs))
        return 0;
    std::fprintf(stderr, "klvdriver: window \"%s\" still there after %lu ms\n", argv[2], timeout);
    return 1;
}

// Looks closely (every 1 ms) so that a short-lived window is seen, and says
// "watching" first so that a script running it in the background knows when
// to act.
int CmdWatch(int argc, char** argv)
{
    const DWORD timeout = std::strtoul(argv[3], nullptr, 10);
    std::printf("watching\n");
    std::fflush(stdout);
    HWND hwnd = nullptr;
    if (!WaitUntil([&] { return (hwnd = FindTopWindow(argv[2])) != nullptr; }, timeout, 1)) {
        std::fprintf(stderr, "klvdriver: window \"%s\" did not appear in %lu ms\n", argv[2],
                     timeout);
        return 1;
    }
    std::printf("seen\n");
    std::fflush(stdout);
    if (argc > 4)
        CaptureToBmp(hwnd, argv[4]);
    return 0;
}

int PostToWindow(const char* title, UINT msg, WPARAM wParam)
{
    HWND hwnd = RequireWindow(title);
    if (!hwnd)
        return 1;
    return PostMessageA(hwnd, msg, wParam, 0) ? 0 : 1;
}

int CmdCommand(int, char** argv)
{
    return PostToWindow(argv[2], WM_COMMAND, std::strtoul(argv[3], nullptr, 10));
}

int CmdClose(int, char** argv)
{
    return PostToWindow(argv[2], WM_CLOSE, 0);
}

int CmdRect(int, char** argv)
{
    HWND hwnd = RequireWindow(argv[2]);
    RECT rc;
    if (!hwnd || !GetWindowRect(hwnd, &rc))
        return 1;
    std::printf("%ldx%ld+%ld+%ld\n", rc.right - rc.left, rc.bottom - rc.top, rc.left, rc.top);
    return 0;
}

int CmdPlacement(int, char** argv)
{
    HWND hwnd = RequireWindow(argv[2]);
    if (!hwnd)
        return 1;
    RECT rc;
    GetWindowRect(hwnd, &rc);
    std::printf("%ld %ld %ld %ld %d %d\n", rc.left, rc.top, rc.right, rc.bottom,
                GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    return 0;
}

int CmdMove(int, char** argv)
{
    HWND hwnd = RequireWindow(argv[2]);
    if (!hwnd)
        return 1;
    return SetWindowPos(hwnd, nullptr, std::atoi(argv[3]), std::atoi(argv[4]), 0, 0,
                        SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE)
               ? 0
               : 1;
}

int CmdMenu(int, char** argv)
{
    HWND hwnd = RequireWindow(argv[2]);
    if (!hwnd)
        return 1;
    if (std::strcmp(argv[3], "close") == 0) {
        PostMessageA(hwnd, WM_KEYDOWN, VK_ESCAPE, 1);
        PostMessageA(hwnd, WM_KEYDOWN, VK_ESCAPE, 1);
        return 0;
    }
    // As Alt and the underlined letter: the program's menu opens with its
    // items enabled or greyed by the program.
    PostMessageA(hwnd, WM_SYSCOMMAND, SC_KEYMENU, static_cast<unsigned char>(argv[3][0]));
    return 0;
}

int CmdMenuState(int, char** argv)
{
    HWND hwnd = RequireWindow(argv[2]);
    HMENU menu = hwnd ? GetMenu(hwnd) : nullptr;
    if (!menu)
        return 1;
    // As opening the menu would: the program updates its items first.
    SendMessageA(hwnd, WM_INITMENU, reinterpret_cast<WPARAM>(menu), 0);
    UINT state = GetMenuState(menu, std::strtoul(argv[3], nullptr, 10), MF_BYCOMMAND);
    if (state == static_cast<UINT>(-1)) {
        std::fprintf(stderr, "klvdriver: no menu item %s\n", argv[3]);
        return 1;
    }
    std::printf("%s\n", state & (MF_GRAYED | MF_DISABLED) ? "grey" : "enabled");
    return 0;
}

int CmdToolbarState(int, char** argv)
{
    HWND hwnd = RequireWindow(argv[2]);
    HWND toolbar = hwnd ? GetDlgItem(hwnd, 500) : nullptr;
    if (!toolbar)
        return 1;
    LRESULT state = SendMessageA(toolbar, TB_GETSTATE, std::strtoul(argv[3], nullptr, 10), 0);
    if (state == -1)
        return 1;
    std::printf("%s\n", state & TBSTATE_ENABLED ? "enabled" : "grey");
    return 0;
}

struct PopupMenuSearch {
    DWORD thread;
    std::vector<RECT> rects;
};

BOOL CALLBACK CollectPopupMenu(HWND hwnd, LPARAM lParam)
{
    auto* search = reinterpret_cast<PopupMenuSearch*>(lParam);
    char cls[16] = {};
    GetClassNameA(hwnd, cls, sizeof cls);
    RECT rc;
    if (std::strcmp(cls, "#32768") == 0 && IsWindowVisible(hwnd) &&
        GetWindowThreadProcessId(hwnd, nullptr) == search->thread && GetWindowRect(hwnd, &rc))
        search->rects.push_back(rc);
    return TRUE;
}

// The menus a window's thread shows, one screen rectangle a line (none: no
// output), so that scripts tell an open menu from any other untitled window.
int CmdPopupMenus(int, char** argv)
{
    HWND hwnd = RequireWindow(argv[2]);
    if (!hwnd)
        return 1;
    PopupMenuSearch search{GetWindowThreadProcessId(hwnd, nullptr), {}};
    EnumWindows(CollectPopupMenu, reinterpret_cast<LPARAM>(&search));
    for (const RECT& rc : search.rects)
        std::printf("%ldx%ld+%ld+%ld\n", rc.right - rc.left, rc.bottom - rc.top, rc.left, rc.top);
    return 0;
}

int CmdMdiChildren(int, char** argv)
{
    HWND client = RequireChildOfClass(argv[2], "MDIClient");
    if (!client)
        return 1;
    HWND active = reinterpret_cast<HWND>(SendMessageA(client, WM_MDIGETACTIVE, 0, 0));
    if (active)
        std::printf("%s\n", WindowText(active).c_str());
    for (HWND child = GetWindow(client, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (child != active && !GetWindow(child, GW_OWNER))
            std::printf("%s\n", WindowText(child).c_str());
    }
    return 0;
}

const char* PriorityName(DWORD priorityClass)
{
    switch (priorityClass) {
    case NORMAL_PRIORITY_CLASS:
        return "NORMAL";
    case REALTIME_PRIORITY_CLASS:
        return "REALTIME";
    case HIGH_PRIORITY_CLASS:
        return "HIGH";
    case IDLE_PRIORITY_CLASS:
        return "IDLE";
    case ABOVE_NORMAL_PRIORITY_CLASS:
        return "ABOVE";
    case BELOW_NORMAL_PRIORITY_CLASS:
        return "BELOW";
    default:
        return "UNKNOWN";
    }
}

int CmdPriority(int argc, char** argv)
{
    HWND hwnd = RequireWindow(argv[2]);
    if (!hwnd)
        return 1;
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, pid);
    if (!process) {
        std::fprintf(stderr, "klvdriver: cannot open process %lu\n", pid);
        return 1;
    }
    const char* name = "";
    auto hasPriority = [&] {
        name = PriorityName(GetPriorityClass(process));
        return std::strcmp(name, argv[3]) == 0;
    };
    const bool reached = WaitUntil(hasPriority, TimeoutArg(argc, argv, 4, 5000), kPollMs);
    CloseHandle(process);
    if (reached)
        return 0;
    std::fprintf(stderr, "klvdriver: priority %s, not %s\n", name, argv[3]);
    return 1;
}

// Typed keys land in the program's input queue and are read by whichever of
// its windows has the focus when it next reads input, as a user typing ahead.
int CmdKeys(int argc, char** argv)
{
    HWND hwnd = RequireWindow(argv[2]);
    if (!hwnd)
        return 1;
    SetForegroundWindow(hwnd);
    std::vector<INPUT> inputs;
    for (int i = 3; i < argc; ++i) {
        WORD key = std::strcmp(argv[i], "RETURN") == 0   ? VK_RETURN
                   : std::strcmp(argv[i], "ESCAPE") == 0 ? VK_ESCAPE
                                                         : static_cast<WORD>(argv[i][0]);
        INPUT down = {};
        down.type = INPUT_KEYBOARD;
        down.ki.wVk = key;
        INPUT up = down;
        up.ki.dwFlags = KEYEVENTF_KEYUP;
        inputs.push_back(down);
        inputs.push_back(up);
    }
    const UINT sent = SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    return sent == inputs.size() ? 0 : 1;
}

LRESULT CALLBACK ShowWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        RECT rc;
        GetClientRect(hwnd, &rc);
        HBRUSH brush = CreateSolidBrush(RGB(0, 96, 160));
        FillRect(dc, &rc, brush);
        DeleteObject(brush);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, RGB(255, 255, 255));
        char title[256];
        GetWindowTextA(hwnd, title, sizeof title);
        DrawTextA(dc, title, -1, &rc, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        EndPaint(hwnd, &ps);
        return 0;
    }
    if (msg == WM_TIMER || msg == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

int CmdShow(int, char** argv)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = ShowWndProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = "KlvDriverShow";
    RegisterClassA(&wc);
    HWND hwnd = CreateWindowA(wc.lpszClassName, argv[2], WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40,
                              480, 240, nullptr, nullptr, wc.hInstance, nullptr);
    if (!hwnd)
        return 1;
    SetTimer(hwnd, 1, std::strtoul(argv[3], nullptr, 10), nullptr);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0)
        DispatchMessageA(&msg);
    DestroyWindow(hwnd);
    return 0;
}

// A failure of the system to create a window, made on purpose: the hook runs
// in TITLE's thread from klvrefuse.dll and refuses the windows named in the
// shared block for as long as this action runs.
int CmdRefuseWindow(int, char** argv)
{
    HWND target = RequireWindow(argv[2]);
    if (!target)
        return 1;
    HANDLE mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                        sizeof(RefuseBlock), kRefuseBlockName);
    auto* block = mapping ? static_cast<RefuseBlock*>(
                                MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, sizeof(RefuseBlock)))
                          : nullptr;
    HMODULE dll = LoadLibraryA("klvrefuse.dll");
    // Through void*: the exported procedure has the hook's own signature.
    auto hook =
        dll ? reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(GetProcAddress(dll, "RefuseHook")))
            : nullptr;
    if (!block || !hook) {
        std::fprintf(stderr, "klvdriver: cannot set up the refusal (klvrefuse.dll)\n");
        return 1;
    }
    lstrcpynA(block->title, argv[3], sizeof block->title);
    block->refused = 0;
    HHOOK handle = SetWindowsHookExA(WH_CBT, hook, dll, GetWindowThreadProcessId(target, nullptr));
    if (!handle) {
        std::fprintf(stderr, "klvdriver: cannot hook the thread of \"%s\"\n", argv[2]);
        return 1;
    }
    std::printf("refusing\n");
    std::fflush(stdout);
    const bool refused =
        WaitUntil([&] { return block->refused > 0; }, std::strtoul(argv[4], nullptr, 10), kPollMs);
    UnhookWindowsHookEx(handle);
    if (!refused) {
        std::fprintf(stderr, "klvdriver: no window \"%s\" was created in %s ms\n", argv[3],
                     argv[4]);
        return 1;
    }
    std::printf("refused\n");
    return 0;
}

int CmdEnabled(int, char** argv)
{
    HWND hwnd = RequireWindow(argv[2]);
    if (!hwnd)
        return 1;
    std::printf("%s\n", IsWindowEnabled(hwnd) ? "enabled" : "disabled");
    return 0;
}

struct ProcessWindows {
    DWORD pid;
    int count;
};

BOOL CALLBACK CountProcessWindow(HWND hwnd, LPARAM param)
{
    auto* windows = reinterpret_cast<ProcessWindows*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid == windows->pid) {
        ++windows->count;
        EnumChildWindows(hwnd, CountProcessWindow, param);
    }
    return TRUE;
}

// The process's entry of the system's process list: its handle count and
// private memory, which Wine gives for every process (not only one's own).
bool ProcessCounters(DWORD pid, ULONG& handles, SIZE_T& privateBytes)
{
    using QueryFunction = LONG(WINAPI*)(SYSTEM_INFORMATION_CLASS, void*, ULONG, ULONG*);
    auto query = reinterpret_cast<QueryFunction>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation")));
    if (!query)
        return false;
    std::vector<unsigned char> buffer(1 << 16);
    ULONG needed = 0;
    LONG status;
    while ((status = query(SystemProcessInformation, buffer.data(),
                           static_cast<ULONG>(buffer.size()), &needed)) ==
           static_cast<LONG>(0xC0000004)) // STATUS_INFO_LENGTH_MISMATCH
        buffer.resize(buffer.size() * 2 > needed ? buffer.size() * 2 : needed);
    if (status != 0)
        return false;
    for (size_t offset = 0;;) {
        const auto* entry =
            reinterpret_cast<const SYSTEM_PROCESS_INFORMATION*>(buffer.data() + offset);
        if (reinterpret_cast<ULONG_PTR>(entry->UniqueProcessId) == pid) {
            handles = entry->HandleCount;
            privateBytes = entry->VirtualMemoryCounters.PagefileUsage;
            return true;
        }
        if (!entry->NextEntryOffset)
            return false;
        offset += entry->NextEntryOffset;
    }
}

int CmdUsage(int, char** argv)
{
    HWND hwnd = RequireWindow(argv[2]);
    if (!hwnd)
        return 1;
    ProcessWindows windows = {0, 0};
    GetWindowThreadProcessId(hwnd, &windows.pid);
    ULONG handles = 0;
    SIZE_T privateBytes = 0;
    if (!ProcessCounters(windows.pid, handles, privateBytes)) {
        std::fprintf(stderr, "klvdriver: the process is not in the system's process list\n");
        return 1;
    }
    // Top-level windows only here: each one's children are counted below it.
    EnumWindows(CountProcessWindow, reinterpret_cast<LPARAM>(&windows));
    std::printf("handles %lu memory %lu windows %d\n", handles,
                static_cast<unsigned long>(privateBytes / 1024), windows.count);
    return 0;
}

// A child's rectangle in the frame's client coordinates.
RECT RectInFrame(HWND frame, HWND child)
{
    RECT rc = {};
    GetWindowRect(child, &rc);
    MapWindowPoints(nullptr, frame, reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

int CmdLayout(int, char** argv)
{
    HWND frame = RequireWindow(argv[2]);
    HWND client = frame ? FindChildOfClass(frame, "MDIClient") : nullptr;
    HWND toolbar = frame ? GetDlgItem(frame, 500) : nullptr;
    HWND status = frame ? GetDlgItem(frame, 501) : nullptr;
    if (!client || !toolbar || !status)
        return 1;
    const RECT tb = RectInFrame(frame, toolbar), mdi = RectInFrame(frame, client),
               sb = RectInFrame(frame, status);
    RECT frameClient;
    GetClientRect(frame, &frameClient);
    std::printf("toolbar %ld client %ld %ld %ld %ld status %ld width %ld\n", tb.bottom, mdi.left,
                mdi.top, mdi.right, mdi.bottom, sb.top, frameClient.right);
    return 0;
}

int CmdSysCommand(int, char** argv)
{
    HWND hwnd = RequireWindow(argv[2]);
    if (!hwnd)
        return 1;
    const bool minimize = std::strcmp(argv[3], "minimize") == 0;
    if (!minimize && std::strcmp(argv[3], "restore") != 0) {
        std::fprintf(stderr, "klvdriver: minimize or restore, not \"%s\"\n", argv[3]);
        return 2;
    }
    return PostMessageA(hwnd, WM_SYSCOMMAND, minimize ? SC_MINIMIZE : SC_RESTORE, 0) ? 0 : 1;
}

const DriverAction kActions[] = {
    {"wait-window", 1, CmdWaitWindow, "TITLE [MS]: wait for a top-level window"},
    {"wait-gone", 1, CmdWaitGone, "TITLE [MS]: wait until it has gone"},
    {"watch", 2, CmdWatch, "TITLE MS [FILE.bmp]: print \"watching\", wait closely, print \"seen\""},
    {"command", 2, CmdCommand, "TITLE ID: post WM_COMMAND with ID"},
    {"close", 1, CmdClose, "TITLE: post WM_CLOSE"},
    {"rect", 1, CmdRect, "TITLE: screen rectangle: WIDTHxHEIGHT+LEFT+TOP"},
    {"placement", 1, CmdPlacement, "TITLE: left top right bottom, screen width height"},
    {"move", 3, CmdMove, "TITLE X Y: move a window (size kept)"},
    {"menu", 2, CmdMenu, "TITLE KEY|close: open a menu by its mnemonic, or close it"},
    {"menu-state", 2, CmdMenuState, "TITLE ID: \"enabled\" or \"grey\", after WM_INITMENU"},
    {"toolbar-state", 2, CmdToolbarState, "TITLE ID: \"enabled\" or \"grey\" (toolbar 500)"},
    {"popup-menus", 1, CmdPopupMenus, "TITLE: screen rectangles of the menus shown"},
    {"mdi-children", 1, CmdMdiChildren, "TITLE: titles of the MDI children, active first"},
    {"priority", 2, CmdPriority, "TITLE CLASS [MS]: wait for NORMAL|REALTIME|HIGH|IDLE priority"},
    {"keys", 2, CmdKeys, "TITLE KEY...: bring TITLE to the front, type RETURN|ESCAPE|X"},
    {"show", 2, CmdShow, "TITLE MS: show a test window for MS ms"},
    {"refuse-window", 3, CmdRefuseWindow,
     "TITLE REFUSED MS: TITLE's thread fails to create windows titled REFUSED "
     "(klvrefuse.dll); print \"refusing\", then \"refused\" at the first refusal"},
    {"usage", 1, CmdUsage, "TITLE: handles, private memory (KB) and windows of its process"},
    {"layout", 1, CmdLayout,
     "TITLE: toolbar bottom, MDI client rectangle and status bar top, in frame coordinates"},
    {"syscommand", 2, CmdSysCommand, "TITLE minimize|restore: post the window menu's command"},
    {"enabled", 1, CmdEnabled, "TITLE: \"enabled\" or \"disabled\" (the window's input)"},
};

} // namespace

const DriverActionList kWindowActions = ActionList(kActions);
