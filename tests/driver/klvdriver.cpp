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
//   klvdriver menu TITLE KEY|close               open a menu by its mnemonic, or close it
//   klvdriver popup-menus TITLE                  screen rectangles of the menus TITLE's
//                                                thread shows, one a line
//   klvdriver script FILE                        run one command per line (# comments,
//                                                "double quotes" group words); stops at
//                                                the first failure
//   klvdriver wait-text TITLE ID TEXT [MS]       wait until child ID's text contains TEXT
//                                                ("=TEXT": equals it)
//   klvdriver set-text TITLE ID TEXT             type TEXT into child ID ("\n" = new line)
//   klvdriver pick TITLE ID TEXT                 select the list entry TEXT of combo box ID
//   klvdriver items TITLE ID A|B|...             the combo box lists exactly these, in order
//   klvdriver wait-state TITLE ID STATE [MS]     enabled|disabled|visible|hidden
//   klvdriver answer CAPTION BUTTON TEXT [MS]    a message box titled CAPTION whose text
//                                                contains TEXT (as wait-text): print it,
//                                                press BUTTON
//                                                (Yes|No|OK|Cancel)
//   klvdriver priority TITLE CLASS [MS]          wait until the window's process runs at
//                                                NORMAL|REALTIME|HIGH|IDLE priority
//   klvdriver set-reg HKCU KEY VALUE sz|dword|delete [DATA]
//   klvdriver expect-reg HKCU KEY VALUE DATA     the value equals DATA ("-": absent)
//   klvdriver clear-key HKCU KEY                 delete KEY with everything below it
//   klvdriver snap TITLE FILE.bmp                the window as it is on the screen
//   klvdriver settext TITLE ID TEXT              set a control's text (a combo box: its edit box)
//   klvdriver setlines TITLE ID LINE...          set a multi-line text: the lines joined by CR LF
//   klvdriver select TITLE ID INDEX              select a combo box entry (-1: none)
//   klvdriver cursel TITLE ID                    selected combo box entry, -1 for none
//   klvdriver checked TITLE ID                   1 when a check or radio button is ticked
//   klvdriver placement TITLE                    left top right bottom, screen width height
//   klvdriver move TITLE X Y                     move a window (size kept)
//   klvdriver press TITLE ID                     a real button click (BM_CLICK, posted),
//                                                which also ticks radio and check boxes
//   klvdriver watch TITLE MS [FILE.bmp]          print "watching", wait closely (1 ms) for a
//                                                short-lived window, print "seen", capture it
//   klvdriver keys TITLE KEY...                  bring TITLE to the front and type keys
//                                                (RETURN, ESCAPE, or one letter) as input
//   klvdriver text-fit TITLE FACE HEIGHT [WEIGHT] each visible static text drawn in
//                                                that font: "fits" or "WRAPS", lines
//                                                drawn/lines held, first line; fails
//                                                when one wraps
//   klvdriver refuse-window TITLE REFUSED MS     make the creation of windows titled exactly
//                                                REFUSED by TITLE's thread fail (klvrefuse.dll);
//                                                print "refusing", then "refused" at the first
//                                                refusal within MS
//   klvdriver enabled TITLE                      "enabled" or "disabled" (the window's input)
//
// TITLE matches a top-level window whose caption contains it; "class:NAME"
// matches by window class instead; "dialog:CAPTION" a dialog box whose
// caption is exactly CAPTION. Exit code 0 on success, 1 on failure,
// 2 on a usage error; failures say why on stderr.
#include <windows.h>
#include <commctrl.h>

#include "klvrefuse.h"

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
        std::fprintf(stderr, "klvdriver: window \"%s\" did not appear in %lu ms\n", argv[2],
                     timeout);
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
            std::fprintf(stderr, "klvdriver: window \"%s\" still there after %lu ms\n", argv[2],
                         timeout);
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
    PostMessageA(GetParent(button), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED),
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

// A bottom-up 24-bit BMP file of the pixels; 0, or 1 when it cannot be written.
int WriteBmp(const char* path, const BITMAPINFOHEADER& bih,
             const std::vector<unsigned char>& pixels)
{
    BITMAPFILEHEADER bfh = {};
    bfh.bfType = 0x4D42;
    bfh.bfOffBits = sizeof bfh + sizeof bih;
    bfh.bfSize = bfh.bfOffBits + static_cast<DWORD>(pixels.size());
    FILE* f = std::fopen(path, "wb");
    if (!f) {
        std::fprintf(stderr, "klvdriver: cannot write %s\n", path);
        return 1;
    }
    std::fwrite(&bfh, sizeof bfh, 1, f);
    std::fwrite(&bih, sizeof bih, 1, f);
    std::fwrite(pixels.data(), 1, pixels.size(), f);
    std::fclose(f);
    return 0;
}

// The window as it stands on the screen. Wine's PrintWindow leaves dialogs
// black, so whole windows are copied from the screen instead.
HBITMAP CaptureScreenArea(HWND hwnd, int& width, int& height)
{
    RECT rc;
    GetWindowRect(hwnd, &rc);
    width = rc.right - rc.left;
    height = rc.bottom - rc.top;
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    HBITMAP bmp = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(mem, bmp);
    BitBlt(mem, 0, 0, width, height, screen, rc.left, rc.top, SRCCOPY);
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
    HBITMAP bmp = CaptureScreenArea(hwnd, w, h);
    BITMAPINFOHEADER bih = {};
    bih.biSize = sizeof bih;
    bih.biWidth = w;
    bih.biHeight = h;
    bih.biPlanes = 1;
    bih.biBitCount = 24;
    int stride = ((w * 3 + 3) / 4) * 4;
    std::vector<unsigned char> pixels(static_cast<size_t>(stride) * h);
    HDC screen = GetDC(nullptr);
    GetDIBits(screen, bmp, 0, h, pixels.data(), reinterpret_cast<BITMAPINFO*>(&bih),
              DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    DeleteObject(bmp);
    return WriteBmp(argv[3], bih, pixels);
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

// ---- Dialog controls, placement and typed keys -------------------------

HWND RequireChild(const char* title, const char* id)
{
    HWND hwnd = RequireWindow(title);
    return hwnd ? FindChild(hwnd, id) : nullptr;
}

LRESULT SendToControl(HWND control, UINT msg, WPARAM wParam, LPARAM lParam)
{
    DWORD_PTR result = 0;
    SendMessageTimeoutA(control, msg, wParam, lParam, SMTO_ABORTIFHUNG, 5000, &result);
    return static_cast<LRESULT>(result);
}

// A combo box (or a file dialog's name box) takes its text in the edit box
// inside it.
HWND EditInside(HWND control)
{
    char cls[64];
    GetClassNameA(control, cls, sizeof cls);
    if (std::strstr(cls, "ComboBox"))
        for (HWND child : Children(control)) {
            GetClassNameA(child, cls, sizeof cls);
            if (std::strcmp(cls, "Edit") == 0)
                return child;
        }
    return control;
}

bool SetControlText(const char* title, const char* id, const std::string& text)
{
    HWND control = RequireChild(title, id);
    if (!control)
        return false;
    return SendToControl(EditInside(control), WM_SETTEXT, 0,
                         reinterpret_cast<LPARAM>(text.c_str())) != 0;
}

int CmdSetControlText(int, char** argv)
{
    return SetControlText(argv[2], argv[3], argv[4]) ? 0 : 1;
}

// The lines joined with CR LF, as a multi-line edit box holds them.
int CmdSetLines(int argc, char** argv)
{
    std::string text;
    for (int i = 4; i < argc; ++i)
        text += (i > 4 ? "\r\n" : "") + std::string(argv[i]);
    return SetControlText(argv[2], argv[3], text) ? 0 : 1;
}

int CmdSelect(int, char** argv)
{
    HWND combo = RequireChild(argv[2], argv[3]);
    if (!combo)
        return 1;
    SendToControl(combo, CB_SETCURSEL, static_cast<WPARAM>(std::atoi(argv[4])), 0);
    return 0;
}

int CmdCurSel(int, char** argv)
{
    HWND combo = RequireChild(argv[2], argv[3]);
    if (!combo)
        return 1;
    std::printf("%d\n", static_cast<int>(SendToControl(combo, CB_GETCURSEL, 0, 0)));
    return 0;
}

int CmdChecked(int, char** argv)
{
    HWND button = RequireChild(argv[2], argv[3]);
    if (!button)
        return 1;
    std::printf("%d\n", SendToControl(button, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0);
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

int CmdPress(int, char** argv)
{
    HWND button = RequireChild(argv[2], argv[3]);
    if (!button)
        return 1;
    return PostMessageA(button, BM_CLICK, 0, 0) ? 0 : 1;
}

int CmdWatch(int argc, char** argv)
{
    const DWORD timeout = std::strtoul(argv[3], nullptr, 10);
    const DWORD start = GetTickCount();
    std::printf("watching\n");
    std::fflush(stdout);
    while (!FindTopWindow(argv[2])) {
        if (GetTickCount() - start >= timeout) {
            std::fprintf(stderr, "klvdriver: window \"%s\" did not appear in %lu ms\n", argv[2],
                         timeout);
            return 1;
        }
        Sleep(1);
    }
    std::printf("seen\n");
    std::fflush(stdout);
    if (argc > 4) {
        char* captureArgs[] = {argv[0], argv[1], argv[2], argv[4]};
        CmdCapture(4, captureArgs);
    }
    return 0;
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

struct Command {
    const char* name;
    int minArgs;
    int (*run)(int, char**);
};

} // namespace

// ---- Text that fits its control --------------------------------------------

// The lines a static control's text takes when drawn as the control draws it:
// in FONT, within its client width, tabs expanded, words wrapped. The font
// comes from the caller: a font handle of another process cannot be read or
// selected here.
int DrawnLines(HWND control, const std::string& text, HFONT font)
{
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font);
    TEXTMETRICA tm{};
    GetTextMetricsA(dc, &tm);
    RECT client{}, rc{};
    GetClientRect(control, &client);
    rc.right = client.right;
    UINT flags = DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS;
    if (GetWindowLongA(control, GWL_STYLE) & SS_NOPREFIX)
        flags |= DT_NOPREFIX;
    DrawTextA(dc, text.c_str(), -1, &rc, flags);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    return tm.tmHeight > 0 ? (rc.bottom + tm.tmHeight - 1) / tm.tmHeight : -1;
}

// Every visible static text of TITLE (left, centred or right aligned) as
// drawn in the font FACE of HEIGHT (CreateFont's: below zero a character
// height in pixels) and WEIGHT: "fits" or "WRAPS", the lines drawn / the
// lines the text holds, its first line. Fails when one wraps.
int CmdTextFit(int argc, char** argv)
{
    HWND hwnd = RequireWindow(argv[2]);
    if (!hwnd)
        return 1;
    const int weight = argc > 5 ? std::atoi(argv[5]) : FW_NORMAL;
    HFONT font = CreateFontA(std::atoi(argv[4]), 0, 0, 0, weight, FALSE, FALSE, FALSE, ANSI_CHARSET,
                             0, 0, 0, 0, argv[3]);
    int rc = 0, checked = 0;
    for (HWND child : Children(hwnd)) {
        char cls[64];
        GetClassNameA(child, cls, sizeof cls);
        const LONG type = GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK;
        const std::string text = WindowText(child);
        if (lstrcmpiA(cls, "Static") != 0 || type > SS_RIGHT || !IsWindowVisible(child) ||
            text.empty())
            continue;
        int held = 1;
        for (char c : text)
            held += c == '\n';
        const int drawn = DrawnLines(child, text, font);
        const bool fits = drawn > 0 && drawn <= held;
        std::printf("%s %d/%d \"%s\"\n", fits ? "fits" : "WRAPS", drawn, held,
                    text.substr(0, text.find('\r')).c_str());
        rc |= fits ? 0 : 1;
        ++checked;
    }
    DeleteObject(font);
    if (checked == 0) {
        std::fprintf(stderr, "klvdriver: no visible text in \"%s\"\n", argv[2]);
        return 1;
    }
    return rc;
}

// ---- Commands of the measurement flows --------------------------------------

namespace {

const Command* FindCommand(const char* name);

// Polls until check() holds or timeoutMs passed.
template <typename Check> bool WaitFor(DWORD timeoutMs, Check check)
{
    DWORD start = GetTickCount();
    for (;;) {
        if (check())
            return true;
        if (GetTickCount() - start >= timeoutMs)
            return false;
        Sleep(50);
    }
}

DWORD TimeoutArg(int argc, char** argv, int index, DWORD fallback)
{
    return argc > index ? std::strtoul(argv[index], nullptr, 10) : fallback;
}

// "\\t", "\\r" and "\\n" of a script word as the characters they name.
std::string Unescape(const char* text)
{
    std::string out;
    for (const char* p = text; *p; ++p) {
        if (p[0] == '\\' && (p[1] == 't' || p[1] == 'r' || p[1] == 'n')) {
            out += p[1] == 't' ? '\t' : p[1] == 'r' ? '\r' : '\n';
            ++p;
        } else {
            out += *p;
        }
    }
    return out;
}

bool TextMatches(const std::string& text, const char* expected)
{
    if (expected[0] == '=')
        return text == Unescape(expected + 1);
    return text.find(Unescape(expected)) != std::string::npos;
}

int CmdWaitText(int argc, char** argv)
{
    HWND child = RequireChild(argv[2], argv[3]);
    if (!child)
        return 1;
    std::string text;
    if (WaitFor(TimeoutArg(argc, argv, 5, 10000), [&] {
            text = WindowText(child);
            return TextMatches(text, argv[4]);
        }))
        return 0;
    std::fprintf(stderr, "klvdriver: %s/%s shows \"%s\", not \"%s\"\n", argv[2], argv[3],
                 text.c_str(), argv[4]);
    return 1;
}

int CmdSetText(int, char** argv)
{
    HWND child = RequireChild(argv[2], argv[3]);
    if (!child)
        return 1;
    std::string text;
    for (const char* p = argv[4]; *p; ++p) {
        if (p[0] == '\\' && p[1] == 'n') {
            text += "\r\n";
            ++p;
        } else {
            text += *p;
        }
    }
    SendMessageTimeoutA(child, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()),
                        SMTO_ABORTIFHUNG, 2000, nullptr);
    return 0;
}

std::vector<std::string> ComboItems(HWND combo)
{
    std::vector<std::string> items;
    LRESULT count = SendMessageA(combo, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        // Across processes Wine hands the item over in the wide form only.
        wchar_t wide[512] = {};
        SendMessageW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(wide));
        char buf[512] = {};
        WideCharToMultiByte(CP_ACP, 0, wide, -1, buf, sizeof buf, nullptr, nullptr);
        items.push_back(buf);
    }
    return items;
}

int CmdPick(int, char** argv)
{
    HWND combo = RequireChild(argv[2], argv[3]);
    if (!combo)
        return 1;
    std::vector<std::string> items = ComboItems(combo);
    for (size_t i = 0; i < items.size(); ++i) {
        if (items[i] == argv[4]) {
            SendMessageA(combo, CB_SETCURSEL, i, 0);
            return 0;
        }
    }
    std::fprintf(stderr, "klvdriver: \"%s\" is not in the list %s\n", argv[4], argv[3]);
    return 1;
}

int CmdItems(int, char** argv)
{
    HWND combo = RequireChild(argv[2], argv[3]);
    if (!combo)
        return 1;
    std::string joined;
    for (const std::string& item : ComboItems(combo))
        joined += (joined.empty() ? "" : "|") + item;
    if (joined == argv[4])
        return 0;
    std::fprintf(stderr, "klvdriver: list %s holds \"%s\", not \"%s\"\n", argv[3], joined.c_str(),
                 argv[4]);
    return 1;
}

int CmdWaitState(int argc, char** argv)
{
    HWND child = RequireChild(argv[2], argv[3]);
    if (!child)
        return 1;
    const std::string state = argv[4];
    auto holds = [&] {
        if (state == "enabled" || state == "disabled")
            return (IsWindowEnabled(child) != 0) == (state == "enabled");
        return (IsWindowVisible(child) != 0) == (state == "visible");
    };
    if (WaitFor(TimeoutArg(argc, argv, 5, 10000), holds))
        return 0;
    std::fprintf(stderr, "klvdriver: %s/%s is not %s\n", argv[2], argv[3], argv[4]);
    return 1;
}

int CmdAnswer(int argc, char** argv)
{
    const std::string pattern = std::string("dialog:") + argv[2];
    HWND box = nullptr;
    std::string text;
    const bool found = WaitFor(TimeoutArg(argc, argv, 5, 10000), [&] {
        box = FindTopWindow(pattern.c_str());
        if (!box)
            return false;
        HWND label = GetDlgItem(box, 0xFFFF);
        text = label ? WindowText(label) : "";
        return TextMatches(text, argv[4]);
    });
    if (!found) {
        std::fprintf(stderr, "klvdriver: no message box \"%s\" saying \"%s\" (last seen: \"%s\")\n",
                     argv[2], argv[4], text.c_str());
        return 1;
    }
    static const struct {
        const char* name;
        int id;
    } kButtons[] = {{"Yes", IDYES}, {"No", IDNO}, {"OK", IDOK}, {"Cancel", IDCANCEL}};
    for (const auto& button : kButtons) {
        if (std::strcmp(button.name, argv[3]) == 0) {
            std::printf("%s\n", text.c_str());
            PostMessageA(box, WM_COMMAND, MAKEWPARAM(button.id, BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(box, button.id)));
            return 0;
        }
    }
    std::fprintf(stderr, "klvdriver: unknown button %s\n", argv[3]);
    return 2;
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
    const bool reached = WaitFor(TimeoutArg(argc, argv, 4, 5000), [&] {
        name = PriorityName(GetPriorityClass(process));
        return std::strcmp(name, argv[3]) == 0;
    });
    CloseHandle(process);
    if (reached)
        return 0;
    std::fprintf(stderr, "klvdriver: priority %s, not %s\n", name, argv[3]);
    return 1;
}

HKEY RootKey(const char* name)
{
    return std::strcmp(name, "HKLM") == 0 ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

int CmdSetReg(int argc, char** argv)
{
    HKEY key;
    if (RegCreateKeyExA(RootKey(argv[2]), argv[3], 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr) != ERROR_SUCCESS) {
        std::fprintf(stderr, "klvdriver: cannot create key %s\n", argv[3]);
        return 1;
    }
    LONG rc = ERROR_SUCCESS;
    const std::string kind = argv[5];
    const char* data = argc > 6 ? argv[6] : "";
    if (kind == "delete") {
        RegDeleteValueA(key, argv[4]);
    } else if (kind == "dword") {
        DWORD value = std::strtoul(data, nullptr, 0);
        rc = RegSetValueExA(key, argv[4], 0, REG_DWORD, reinterpret_cast<BYTE*>(&value),
                            sizeof value);
    } else {
        rc = RegSetValueExA(key, argv[4], 0, REG_SZ, reinterpret_cast<const BYTE*>(data),
                            static_cast<DWORD>(std::strlen(data) + 1));
    }
    RegCloseKey(key);
    return rc == ERROR_SUCCESS ? 0 : 1;
}

int CmdClearKey(int, char** argv)
{
    const LONG rc = RegDeleteTreeA(RootKey(argv[2]), argv[3]);
    if (rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND) {
        RegDeleteKeyA(RootKey(argv[2]), argv[3]);
        return 0;
    }
    std::fprintf(stderr, "klvdriver: cannot delete %s\n", argv[3]);
    return 1;
}

int CmdExpectReg(int, char** argv)
{
    std::string actual = "-";
    HKEY key;
    if (RegOpenKeyExA(RootKey(argv[2]), argv[3], 0, KEY_READ, &key) == ERROR_SUCCESS) {
        unsigned char data[4096] = {};
        DWORD type = 0, size = sizeof data - 1;
        if (RegQueryValueExA(key, argv[4], nullptr, &type, data, &size) == ERROR_SUCCESS) {
            if (type == REG_DWORD) {
                DWORD v;
                std::memcpy(&v, data, sizeof v);
                actual = std::to_string(v);
            } else {
                // The text up to its first NUL, or all stored bytes without one.
                actual.assign(reinterpret_cast<char*>(data), size);
                actual = actual.substr(0, actual.find('\0'));
            }
        }
        RegCloseKey(key);
    }
    if (actual == argv[5])
        return 0;
    std::fprintf(stderr, "klvdriver: %s\\%s is \"%s\", not \"%s\"\n", argv[3], argv[4],
                 actual.c_str(), argv[5]);
    return 1;
}

// The window's pixels as the screen shows them, top-down rows of 24 bits.
std::vector<unsigned char> ScreenPixels(HWND hwnd, BITMAPINFOHEADER& bih)
{
    RECT rc;
    GetWindowRect(hwnd, &rc);
    const int w = rc.right - rc.left, h = rc.bottom - rc.top;
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    HBITMAP bmp = CreateCompatibleBitmap(screen, w, h);
    HGDIOBJ old = SelectObject(mem, bmp);
    BitBlt(mem, 0, 0, w, h, screen, rc.left, rc.top, SRCCOPY);
    SelectObject(mem, old);
    bih = {};
    bih.biSize = sizeof bih;
    bih.biWidth = w;
    bih.biHeight = h;
    bih.biPlanes = 1;
    bih.biBitCount = 24;
    const int stride = ((w * 3 + 3) / 4) * 4;
    std::vector<unsigned char> pixels(static_cast<size_t>(stride) * h);
    GetDIBits(mem, bmp, 0, h, pixels.data(), reinterpret_cast<BITMAPINFO*>(&bih), DIB_RGB_COLORS);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    DeleteObject(bmp);
    return pixels;
}

// The window is repainted first and captured once two looks agree, so a
// page that has just been switched shows its content.
int CmdSnap(int, char** argv)
{
    HWND hwnd = RequireWindow(argv[2]);
    if (!hwnd)
        return 1;
    RedrawWindow(hwnd, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    BITMAPINFOHEADER bih;
    std::vector<unsigned char> pixels = ScreenPixels(hwnd, bih);
    WaitFor(3000, [&] {
        Sleep(100);
        std::vector<unsigned char> again = ScreenPixels(hwnd, bih);
        const bool stable = again == pixels;
        pixels.swap(again);
        return stable;
    });
    return WriteBmp(argv[3], bih, pixels);
}

// Words of a script line; "double quotes" group words, \" is a quote.
std::vector<std::string> SplitLine(const std::string& line)
{
    std::vector<std::string> words;
    std::string word;
    bool inWord = false, quoted = false;
    for (size_t i = 0; i < line.size(); ++i) {
        char c = line[i];
        if (c == '\\' && quoted && i + 1 < line.size() && line[i + 1] == '"') {
            word += '"';
            ++i;
        } else if (c == '"') {
            quoted = !quoted;
            inWord = true;
        } else if ((c == ' ' || c == '\t') && !quoted) {
            if (inWord)
                words.push_back(word);
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord)
        words.push_back(word);
    return words;
}

int CmdScript(int, char** argv)
{
    FILE* f = std::fopen(argv[2], "r");
    if (!f) {
        std::fprintf(stderr, "klvdriver: cannot read %s\n", argv[2]);
        return 1;
    }
    char buf[4096];
    int lineNo = 0, rc = 0;
    while (rc == 0 && std::fgets(buf, sizeof buf, f)) {
        ++lineNo;
        std::string line = buf;
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
            line.pop_back();
        std::vector<std::string> words = SplitLine(line);
        if (words.empty() || words[0][0] == '#')
            continue;
        std::vector<char*> args{argv[0]};
        for (std::string& w : words)
            args.push_back(&w[0]);
        args.push_back(nullptr);
        const int argc = static_cast<int>(args.size()) - 1;
        const Command* cmd = FindCommand(args[1]);
        if (!cmd || argc - 2 < cmd->minArgs) {
            std::fprintf(stderr, "klvdriver: %s:%d: bad command\n", argv[2], lineNo);
            rc = 2;
            break;
        }
        std::printf("> %s\n", line.c_str());
        std::fflush(stdout);
        rc = cmd->run(argc, args.data());
        std::fflush(stdout);
        if (rc != 0)
            std::fprintf(stderr, "klvdriver: %s:%d failed: %s\n", argv[2], lineNo, line.c_str());
    }
    std::fclose(f);
    return rc;
}

// --- actions added for the untested paths ---

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
        WaitFor(std::strtoul(argv[4], nullptr, 10), [&] { return block->refused > 0; });
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

// Every action, in the order the usage text lists them.
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
    {"popup-menus", 1, CmdPopupMenus},
    {"menu", 2, CmdMenu},
    {"settext", 3, CmdSetControlText},
    {"setlines", 3, CmdSetLines},
    {"select", 3, CmdSelect},
    {"cursel", 2, CmdCurSel},
    {"checked", 2, CmdChecked},
    {"placement", 1, CmdPlacement},
    {"move", 3, CmdMove},
    {"press", 2, CmdPress},
    {"watch", 2, CmdWatch},
    {"keys", 2, CmdKeys},
    {"script", 1, CmdScript},
    {"wait-text", 3, CmdWaitText},
    {"set-text", 3, CmdSetText},
    {"pick", 3, CmdPick},
    {"items", 3, CmdItems},
    {"wait-state", 3, CmdWaitState},
    {"answer", 3, CmdAnswer},
    {"priority", 2, CmdPriority},
    {"set-reg", 4, CmdSetReg},
    {"expect-reg", 4, CmdExpectReg},
    {"snap", 2, CmdSnap},
    {"clear-key", 2, CmdClearKey},
    {"text-fit", 3, CmdTextFit},
    {"refuse-window", 3, CmdRefuseWindow},
    {"enabled", 1, CmdEnabled},
};

const Command* FindCommand(const char* name)
{
    for (const Command& cmd : kCommands)
        if (std::strcmp(cmd.name, name) == 0)
            return &cmd;
    return nullptr;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc >= 2) {
        if (const Command* cmd = FindCommand(argv[1]); cmd && argc - 2 >= cmd->minArgs)
            return cmd->run(argc, argv);
    }
    std::fprintf(stderr, "usage: klvdriver ");
    for (const Command& cmd : kCommands)
        std::fprintf(stderr, "%s%s", &cmd == kCommands ? "" : "|", cmd.name);
    std::fprintf(stderr, " ARGS (see the source's header)\n");
    return 2;
}
