// klvdriver: a small Windows program that drives the Klemva programs under
// Wine the way a user would, one action per run, so that shell test scripts
// can chain actions and check what comes back.
//
//   klvdriver wait-window TITLE [TIMEOUT_MS]     wait for a top-level window
//   klvdriver wait-gone TITLE [TIMEOUT_MS]       wait until it has gone
//   klvdriver children TITLE                     list child controls: id class "text"
//   klvdriver text TITLE [ID]                    text of the window or of child ID
//   klvdriver click TITLE ID|"TEXT"              press a button (posted, never blocks)
//   klvdriver command TITLE ID                   post WM_COMMAND with ID
//   klvdriver close TITLE                        post WM_CLOSE
//   klvdriver capture TITLE FILE.bmp             the window's pixels as a BMP file
//   klvdriver pixel TITLE X Y                    client pixel as RRGGBB
//   klvdriver reg HKCU|HKLM KEY VALUE [32|64]    print a DWORD or string value
//   klvdriver show TITLE MS                      show a test window for MS ms
//   klvdriver regsize HKCR|HKCU|HKLM KEY VALUE   type, byte length and text ("" = default value)
//   klvdriver menu-state TITLE ID                "enabled" or "grey", after WM_INITMENU
//   klvdriver toolbar-state TITLE ID             "enabled" or "grey" (toolbar 500)
//   klvdriver tab TITLE INDEX                    select a tab of the top tab control
//   klvdriver type TITLE TEXT                    type TEXT into the first edit control
//   klvdriver file-dialog TITLE PATH             fill in a file dialog's name and press OK
//   klvdriver mdi-children TITLE                 titles of the MDI children, active first
//   klvdriver rect TITLE                         screen rectangle: WIDTHxHEIGHT+LEFT+TOP
//
// TITLE matches a top-level window whose caption contains it; "class:NAME"
// matches by window class instead; "dialog:CAPTION" a dialog box whose
// caption is exactly CAPTION. Exit code 0 on success, 1 on failure,
// 2 on a usage error; failures say why on stderr.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct FindRequest {
    const char* pattern;
    HWND found;
};

bool WindowMatches(HWND hwnd, const char* pattern)
{
    char buf[512];
    if (std::strncmp(pattern, "dialog:", 7) == 0) {
        GetClassNameA(hwnd, buf, sizeof buf);
        if (std::strcmp(buf, "#32770") != 0)
            return false;
        GetWindowTextA(hwnd, buf, sizeof buf);
        return std::strcmp(buf, pattern + 7) == 0;
    }
    if (std::strncmp(pattern, "class:", 6) == 0) {
        GetClassNameA(hwnd, buf, sizeof buf);
        return std::strcmp(buf, pattern + 6) == 0;
    }
    GetWindowTextA(hwnd, buf, sizeof buf);
    return std::strstr(buf, pattern) != nullptr;
}

BOOL CALLBACK FindTopLevel(HWND hwnd, LPARAM param)
{
    auto* req = reinterpret_cast<FindRequest*>(param);
    if (IsWindowVisible(hwnd) && WindowMatches(hwnd, req->pattern)) {
        req->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

HWND FindTopWindow(const char* pattern)
{
    FindRequest req{pattern, nullptr};
    EnumWindows(FindTopLevel, reinterpret_cast<LPARAM>(&req));
    return req.found;
}

HWND WaitForWindow(const char* pattern, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    for (;;) {
        if (HWND hwnd = FindTopWindow(pattern))
            return hwnd;
        if (GetTickCount() - start >= timeoutMs)
            return nullptr;
        Sleep(50);
    }
}

HWND RequireWindow(const char* pattern)
{
    HWND hwnd = WaitForWindow(pattern, 5000);
    if (!hwnd)
        std::fprintf(stderr, "klvdriver: no window \"%s\"\n", pattern);
    return hwnd;
}

BOOL CALLBACK CollectChild(HWND hwnd, LPARAM param)
{
    reinterpret_cast<std::vector<HWND>*>(param)->push_back(hwnd);
    return TRUE;
}

std::vector<HWND> Children(HWND parent)
{
    std::vector<HWND> list;
    EnumChildWindows(parent, CollectChild, reinterpret_cast<LPARAM>(&list));
    return list;
}

std::string WindowText(HWND hwnd)
{
    // WM_GETTEXT works across processes for controls of other programs.
    char buf[4096] = {};
    SendMessageTimeoutA(hwnd, WM_GETTEXT, sizeof buf, reinterpret_cast<LPARAM>(buf),
                        SMTO_ABORTIFHUNG, 2000, nullptr);
    return buf;
}

bool IsNumber(const char* s)
{
    if (!*s)
        return false;
    for (; *s; ++s)
        if (*s < '0' || *s > '9')
            return false;
    return true;
}

// A child by control id, or by its exact text ("&" accelerators ignored).
HWND FindChild(HWND parent, const char* idOrText)
{
    for (HWND child : Children(parent)) {
        if (IsNumber(idOrText)) {
            if (GetDlgCtrlID(child) == std::atoi(idOrText))
                return child;
            continue;
        }
        std::string text = WindowText(child), plain;
        for (char c : text)
            if (c != '&')
                plain += c;
        if (text == idOrText || plain == idOrText)
            return child;
    }
    std::fprintf(stderr, "klvdriver: no control \"%s\"\n", idOrText);
    return nullptr;
}

int CmdWaitWindow(int argc, char** argv)
{
    DWORD timeout = argc > 3 ? std::strtoul(argv[3], nullptr, 10) : 10000;
    HWND hwnd = WaitForWindow(argv[2], timeout);
    if (!hwnd) {
        std::fprintf(stderr, "klvdriver: window \"%s\" did not appear in %lu ms\n", argv[2], timeout);
        return 1;
    }
    std::printf("%p\n", static_cast<void*>(hwnd));
    return 0;
}

int CmdWaitGone(int argc, char** argv)
{
    DWORD timeout = argc > 3 ? std::strtoul(argv[3], nullptr, 10) : 10000;
    DWORD start = GetTickCount();
    while (FindTopWindow(argv[2])) {
        if (GetTickCount() - start >= timeout) {
            std::fprintf(stderr, "klvdriver: window \"%s\" still there after %lu ms\n", argv[2], timeout);
            return 1;
        }
        Sleep(50);
    }
    return 0;
}

int CmdChildren(int, char** argv)
{
    HWND hwnd = RequireWindow(argv[2]);
    if (!hwnd)
        return 1;
    for (HWND child : Children(hwnd)) {
        char cls[128];
        GetClassNameA(child, cls, sizeof cls);
        std::printf("%d %s \"%s\"\n", GetDlgCtrlID(child), cls, WindowText(child).c_str());
    }
    return 0;
}

int CmdText(int argc, char** argv)
{
    HWND hwnd = RequireWindow(argv[2]);
    if (hwnd && argc > 3)
        hwnd = FindChild(hwnd, argv[3]);
    if (!hwnd)
        return 1;
    std::printf("%s\n", WindowText(hwnd).c_str());
    return 0;
}

int CmdClick(int, char** argv)
{
    HWND hwnd = RequireWindow(argv[2]);
    HWND button = hwnd ? FindChild(hwnd, argv[3]) : nullptr;
    if (!button)
        return 1;
    // A click usually opens a modal box in the program: post, never wait.
    PostMessageA(GetParent(button), WM_COMMAND,
                 MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED),
                 reinterpret_cast<LPARAM>(button));
    return 0;
}

int CmdPost(int, char** argv, UINT msg)
{
    HWND hwnd = RequireWindow(argv[2]);
    if (!hwnd)
        return 1;
    WPARAM wParam = msg == WM_COMMAND ? std::strtoul(argv[3], nullptr, 10) : 0;
    return PostMessageA(hwnd, msg, wParam, 0) ? 0 : 1;
}

// Renders the window into a 24-bit DIB; the caller frees the bitmap.
HBITMAP CaptureWindow(HWND hwnd, int& width, int& height, bool clientOnly)
{
    RECT rc;
    if (clientOnly)
        GetClientRect(hwnd, &rc);
    else
        GetWindowRect(hwnd, &rc);
    width = rc.right - rc.left;
    height = rc.bottom - rc.top;
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    HBITMAP bmp = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(mem, bmp);
    PrintWindow(hwnd, mem, clientOnly ? PW_CLIENTONLY : 0);
    SelectObject(mem, old);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    return bmp;
}

int CmdCapture(int, char** argv)
{
    HWND hwnd = RequireWindow(argv[2]);
    if (!hwnd)
        return 1;
    int w, h;
    HBITMAP bmp = CaptureWindow(hwnd, w, h, false);
    BITMAPINFOHEADER bih = {};
    bih.biSize = sizeof bih;
    bih.biWidth = w;
    bih.biHeight = h;
    bih.biPlanes = 1;
    bih.biBitCount = 24;
    int stride = ((w * 3 + 3) / 4) * 4;
    std::vector<unsigned char> pixels(static_cast<size_t>(stride) * h);
    HDC screen = GetDC(nullptr);
    GetDIBits(screen, bmp, 0, h, pixels.data(), reinterpret_cast<BITMAPINFO*>(&bih), DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    DeleteObject(bmp);
    BITMAPFILEHEADER bfh = {};
    bfh.bfType = 0x4D42;
    bfh.bfOffBits = sizeof bfh + sizeof bih;
    bfh.bfSize = bfh.bfOffBits + static_cast<DWORD>(pixels.size());
    FILE* f = std::fopen(argv[3], "wb");
    if (!f) {
        std::fprintf(stderr, "klvdriver: cannot write %s\n", argv[3]);
        return 1;
    }
    std::fwrite(&bfh, sizeof bfh, 1, f);
    std::fwrite(&bih, sizeof bih, 1, f);
    std::fwrite(pixels.data(), 1, pixels.size(), f);
    std::fclose(f);
    return 0;
}

int CmdPixel(int, char** argv)
{
    HWND hwnd = RequireWindow(argv[2]);
    if (!hwnd)
        return 1;
    int w, h;
    HBITMAP bmp = CaptureWindow(hwnd, w, h, true);
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(mem, bmp);
    COLORREF c = GetPixel(mem, std::atoi(argv[3]), std::atoi(argv[4]));
    SelectObject(mem, old);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    DeleteObject(bmp);
    if (c == CLR_INVALID) {
        std::fprintf(stderr, "klvdriver: pixel outside the window\n");
        return 1;
    }
    std::printf("%02X%02X%02X\n", GetRValue(c), GetGValue(c), GetBValue(c));
    return 0;
}

int CmdReg(int argc, char** argv)
{
    HKEY root = std::strcmp(argv[2], "HKLM") == 0 ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
    REGSAM view = 0;
    if (argc > 5)
        view = std::strcmp(argv[5], "32") == 0 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;
    HKEY key;
    if (RegOpenKeyExA(root, argv[3], 0, KEY_READ | view, &key) != ERROR_SUCCESS) {
        std::fprintf(stderr, "klvdriver: no key %s\n", argv[3]);
        return 1;
    }
    unsigned char data[4096] = {};
    DWORD type = 0, size = sizeof data - 1;
    LONG rc = RegQueryValueExA(key, argv[4], nullptr, &type, data, &size);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS) {
        std::fprintf(stderr, "klvdriver: no value %s\n", argv[4]);
        return 1;
    }
    if (type == REG_DWORD) {
        DWORD v;
        std::memcpy(&v, data, sizeof v);
        std::printf("%lu\n", v);
    } else {
        std::printf("%s\n", reinterpret_cast<char*>(data));
    }
    return 0;
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
    HWND hwnd = CreateWindowA(wc.lpszClassName, argv[2], WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                              40, 40, 480, 240, nullptr, nullptr, wc.hInstance, nullptr);
    if (!hwnd)
        return 1;
    SetTimer(hwnd, 1, std::strtoul(argv[3], nullptr, 10), nullptr);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0)
        DispatchMessageA(&msg);
    DestroyWindow(hwnd);
    return 0;
}

int CmdRegSize(int, char** argv)
{
    HKEY root = std::strcmp(argv[2], "HKCR") == 0   ? HKEY_CLASSES_ROOT
                : std::strcmp(argv[2], "HKLM") == 0 ? HKEY_LOCAL_MACHINE
                                                    : HKEY_CURRENT_USER;
    HKEY key;
    if (RegOpenKeyExA(root, argv[3], 0, KEY_READ, &key) != ERROR_SUCCESS) {
        std::fprintf(stderr, "klvdriver: no key %s\n", argv[3]);
        return 1;
    }
    unsigned char data[4096] = {};
    DWORD type = 0, size = sizeof data - 1;
    LONG rc = RegQueryValueExA(key, *argv[4] ? argv[4] : nullptr, nullptr, &type, data, &size);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS) {
        std::fprintf(stderr, "klvdriver: no value %s\n", argv[4]);
        return 1;
    }
    std::printf("%lu %lu %s\n", type, size, reinterpret_cast<char*>(data));
    return 0;
}

HWND FindChildOfClass(HWND parent, const char* className)
{
    for (HWND child : Children(parent)) {
        char cls[128];
        GetClassNameA(child, cls, sizeof cls);
        if (lstrcmpiA(cls, className) == 0)
            return child;
    }
    std::fprintf(stderr, "klvdriver: no %s control\n", className);
    return nullptr;
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

int CmdTab(int, char** argv)
{
    HWND hwnd = RequireWindow(argv[2]);
    HWND tab = hwnd ? FindChildOfClass(hwnd, "SysTabControl32") : nullptr;
    if (!tab)
        return 1;
    // Arrow keys, as a user would press them: the tab control then tells
    // its parent itself (a notification cannot be sent across processes).
    const int target = static_cast<int>(std::strtoul(argv[3], nullptr, 10));
    int current = static_cast<int>(SendMessageA(tab, TCM_GETCURSEL, 0, 0));
    for (; current != target; current += current < target ? 1 : -1) {
        const WPARAM key = current < target ? VK_RIGHT : VK_LEFT;
        SendMessageA(tab, WM_KEYDOWN, key, 1);
        SendMessageA(tab, WM_KEYUP, key, 0xC0000001);
    }
    return 0;
}

int CmdType(int, char** argv)
{
    HWND hwnd = RequireWindow(argv[2]);
    HWND edit = hwnd ? FindChildOfClass(hwnd, "Edit") : nullptr;
    if (!edit)
        return 1;
    // The caret goes to the end first, as after a click below the text.
    const LRESULT length = SendMessageA(edit, WM_GETTEXTLENGTH, 0, 0);
    SendMessageA(edit, EM_SETSEL, length, length);
    for (const char* c = argv[3]; *c; ++c)
        SendMessageA(edit, WM_CHAR, static_cast<unsigned char>(*c), 1);
    return 0;
}

int CmdFileDialog(int, char** argv)
{
    HWND dialog = RequireWindow(argv[2]);
    if (!dialog)
        return 1;
    HWND name = GetDlgItem(dialog, 1148); // the file name combo box
    if (!name)
        name = GetDlgItem(dialog, 1152); // the file name edit of older dialogs
    if (!name) {
        std::fprintf(stderr, "klvdriver: no file name field\n");
        return 1;
    }
    SendMessageA(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(argv[3]));
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
    return 0;
}

int CmdMdiChildren(int, char** argv)
{
    HWND hwnd = RequireWindow(argv[2]);
    HWND client = hwnd ? FindChildOfClass(hwnd, "MDIClient") : nullptr;
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

int CmdRect(int, char** argv)
{
    HWND hwnd = RequireWindow(argv[2]);
    RECT rc;
    if (!hwnd || !GetWindowRect(hwnd, &rc))
        return 1;
    std::printf("%ldx%ld+%ld+%ld\n", rc.right - rc.left, rc.bottom - rc.top, rc.left, rc.top);
    return 0;
}

struct Command {
    const char* name;
    int minArgs;
    int (*run)(int, char**);
};

const Command kCommands[] = {
    {"wait-window", 1, CmdWaitWindow},
    {"wait-gone", 1, CmdWaitGone},
    {"children", 1, CmdChildren},
    {"text", 1, CmdText},
    {"click", 2, CmdClick},
    {"command", 2, [](int c, char** v) { return CmdPost(c, v, WM_COMMAND); }},
    {"close", 1, [](int c, char** v) { return CmdPost(c, v, WM_CLOSE); }},
    {"capture", 2, CmdCapture},
    {"pixel", 3, CmdPixel},
    {"reg", 3, CmdReg},
    {"show", 2, CmdShow},
    {"regsize", 3, CmdRegSize},
    {"menu-state", 2, CmdMenuState},
    {"toolbar-state", 2, CmdToolbarState},
    {"tab", 2, CmdTab},
    {"type", 2, CmdType},
    {"file-dialog", 2, CmdFileDialog},
    {"mdi-children", 1, CmdMdiChildren},
    {"rect", 1, CmdRect},
};

} // namespace

int main(int argc, char** argv)
{
    if (argc >= 2) {
        for (const Command& cmd : kCommands) {
            if (std::strcmp(argv[1], cmd.name) == 0) {
                if (argc - 2 < cmd.minArgs)
                    break;
                return cmd.run(argc, argv);
            }
        }
    }
    std::fprintf(stderr, "usage: klvdriver wait-window|wait-gone|children|text|click|command|"
                         "close|capture|pixel|reg|show|regsize|menu-state|toolbar-state|tab|type|"
                         "file-dialog|mdi-children|rect ARGS (see the source's header)\n");
    return 2;
}
