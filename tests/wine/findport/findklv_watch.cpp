// findklv_watch: looks at a running FindKLV.exe as a user (and a tester)
// would, one action per run, for the shell scripts of the Wine tests.
//
//   findklv_watch layout                 check the progress window's shape
//   findklv_watch progress               print the progress bar's position
//   findklv_watch cancel                 press "Cancel"
//   findklv_watch wait-gone MS           wait until the progress window is gone
//   findklv_watch failure-box MS         wait for the failure question, check it
//   findklv_watch answer yes|no          answer the failure question
//   findklv_watch no-window MS           fail if a FindKLV window shows within MS
//   findklv_watch reg-port               print Port (32-bit view) or "absent"
//   findklv_watch reg-clear              remove all settings under SOFTWARE\VARNOK
//   findklv_watch runtime-box MS DESCRIPTION LINE   check the run-time error box
//
// Exit code 0 when the check holds, 1 when it does not (with the reason on
// stderr), 2 for a usage error.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

#include "wintest.h"

namespace {

constexpr wchar_t kProgressTitle[] = L"Seeking for KLV";
constexpr wchar_t kSettingsKey[] = L"SOFTWARE\\VARNOK\\Klemva\\2.0\\Einstellungen";
constexpr int kMessageTextId = 0xFFFF; // the static text of a message box

// What the failure question must say, piece by piece.
const wchar_t* const kFailurePieces[] = {
    L"Tried to automatically configure the serial port setting in the KLV software\n",
    L"and could not find a KLV device on any serial port.\n",
    L"Press \"Yes\" to try again or \"No\" to skip automatic detection\n",
    L"\n",
    L"Suggestions if you think there should be one\n\n",
    L"Under Windows: \n-Check that the device is attached\n  On Desktop PCs rear USB ports may "
    L"provide a more stable connection\n",
    L"-Check that no other software blocks the port\n",
    L"-Check that the driver is installed\n",
    L"-Check that Windows does not detect a serial ballpoint mouse.\n",
    L"  If it does, disable it in the device manager\n",
    L"  (This is a Windows bug from 2000 which still isn't fixed)\n\n",
    L"Under Linux: \n",
    L"-Check that the device is attached\n",
    L"-Check that no other software blocks the port\n",
    L"-Check if you have permissions to access it (google \"serial dialout group add\")\n",
    L"-Check if the kernel recognizes the device (terminal \"dmesg | tail\" after plugging it "
    L"in)\n",
};

int failures = 0;

void Check(bool ok, const char* what)
{
    if (!ok) {
        std::fprintf(stderr, "findklv_watch: FAILED: %s\n", what);
        ++failures;
    }
}

HWND RequireProgressWindow()
{
    HWND window = WaitForTopWindow(kProgressTitle, nullptr, 10000);
    if (!window)
        std::fprintf(stderr, "findklv_watch: no \"Seeking for KLV\" window\n");
    return window;
}

// A child's rectangle in its parent's client coordinates.
RECT ChildRect(HWND parent, HWND child)
{
    RECT rect{};
    GetWindowRect(child, &rect);
    MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

bool RectIs(const RECT& r, int x, int y, int width, int height)
{
    return r.left == x && r.top == y && r.right - r.left == width && r.bottom - r.top == height;
}

int CmdLayout()
{
    HWND window = RequireProgressWindow();
    if (!window)
        return 1;
    RECT client{};
    GetClientRect(window, &client);
    std::printf("client %ld x %ld\n", client.right, client.bottom);
    Check(client.right == 600 && client.bottom == 100, "inner size 600 x 100");

    RECT outer{};
    GetWindowRect(window, &outer);
    const int screenW = GetSystemMetrics(SM_CXSCREEN), screenH = GetSystemMetrics(SM_CYSCREEN);
    std::printf("window %ld,%ld-%ld,%ld on %dx%d\n", outer.left, outer.top, outer.right,
                outer.bottom, screenW, screenH);
    Check(std::abs((outer.left + outer.right) - screenW) <= 1 &&
              std::abs((outer.top + outer.bottom) - screenH) <= 1,
          "centred on the screen");

    const LONG_PTR style = GetWindowLongPtrW(window, GWL_STYLE);
    const LONG_PTR exStyle = GetWindowLongPtrW(window, GWL_EXSTYLE);
    Check((style & WS_CAPTION) == WS_CAPTION, "has a caption");
    Check((style & WS_SYSMENU) == 0, "no close box (no system menu)");
    Check((style & WS_THICKFRAME) == 0, "not resizable");
    Check((exStyle & WS_EX_TOPMOST) != 0, "kept above other windows");

    HWND progress = GetDlgItem(window, 1);
    Check(progress && WindowClassW(progress) == PROGRESS_CLASSW, "gadget 1 is a progress bar");
    if (progress) {
        Check(RectIs(ChildRect(window, progress), 10, 10, 580, 25), "progress bar at 10,10 580x25");
        Check((GetWindowLongPtrW(progress, GWL_STYLE) & PBS_SMOOTH) != 0, "progress bar is smooth");
        // Limits by return value: a structure pointer would not cross into
        // FindKLV's process.
        const long low = static_cast<long>(SendMessageW(progress, PBM_GETRANGE, TRUE, 0));
        const long high = static_cast<long>(SendMessageW(progress, PBM_GETRANGE, FALSE, 0));
        std::printf("range %ld..%ld\n", low, high);
        Check(low == 0 && high == 20000, "progress range 0..20000");
    }
    HWND cancel = GetDlgItem(window, 2);
    Check(cancel && WindowClassW(cancel) == L"Button", "gadget 2 is a button");
    if (cancel) {
        Check(RectIs(ChildRect(window, cancel), 500, 70, 90, 20), "button at 500,70 90x20");
        Check(WindowTextW(cancel) == L"Cancel", "button captioned \"Cancel\"");
    }
    return failures ? 1 : 0;
}

int CmdProgress()
{
    HWND window = RequireProgressWindow();
    if (!window)
        return 1;
    std::printf("%ld\n", static_cast<long>(SendDlgItemMessageW(window, 1, PBM_GETPOS, 0, 0)));
    return 0;
}

int CmdCancel()
{
    HWND window = RequireProgressWindow();
    if (!window)
        return 1;
    // Posted, as a click is: the program picks it up between scans.
    PostMessageW(GetDlgItem(window, 2), BM_CLICK, 0, 0);
    return 0;
}

int CmdWaitGone(DWORD timeoutMs)
{
    if (WaitUntil([] { return FindTopWindow(kProgressTitle, nullptr) == nullptr; }, timeoutMs))
        return 0;
    std::fprintf(stderr, "findklv_watch: the progress window is still there\n");
    return 1;
}

std::wstring Escaped(const std::wstring& text)
{
    std::wstring out;
    for (wchar_t c : text)
        out += c == L'\n' ? std::wstring(L"\\n") : std::wstring(1, c);
    return out;
}

// The message box titled "Error": its text and its buttons.
HWND RequireErrorBox(DWORD timeoutMs)
{
    HWND box = WaitForTopWindow(L"Error", L"#32770", timeoutMs);
    if (!box)
        std::fprintf(stderr, "findklv_watch: no box titled \"Error\"\n");
    return box;
}

bool CheckBoxText(HWND box, const std::wstring& expected)
{
    const std::wstring text = WindowTextW(GetDlgItem(box, kMessageTextId));
    if (text == expected)
        return true;
    std::fwprintf(stderr, L"findklv_watch: box text differs\n got:  %ls\n want: %ls\n",
                  Escaped(text).c_str(), Escaped(expected).c_str());
    return false;
}

int CmdFailureBox(DWORD timeoutMs)
{
    HWND box = RequireErrorBox(timeoutMs);
    if (!box)
        return 1;
    std::wstring expected;
    for (const wchar_t* piece : kFailurePieces)
        expected += piece;
    Check(CheckBoxText(box, expected), "failure message text");
    Check(GetDlgItem(box, IDYES) && WindowTextW(GetDlgItem(box, IDYES)) == L"&Yes", "a Yes button");
    Check(GetDlgItem(box, IDNO) && WindowTextW(GetDlgItem(box, IDNO)) == L"&No", "a No button");
    Check(!GetDlgItem(box, IDOK) && !GetDlgItem(box, IDCANCEL), "no OK or Cancel button");
    Check(!FindTopWindow(kProgressTitle, nullptr), "the progress window is closed");
    return failures ? 1 : 0;
}

int CmdAnswer(const wchar_t* answer)
{
    HWND box = RequireErrorBox(5000);
    if (!box)
        return 1;
    const int id = std::wcscmp(answer, L"yes") == 0 ? IDYES : IDNO;
    PostMessageW(GetDlgItem(box, id), BM_CLICK, 0, 0);
    Check(WaitUntil([box] { return !IsWindow(box); }, 5000), "the box closed after the answer");
    return failures ? 1 : 0;
}

int CmdNoWindow(DWORD ms)
{
    // Watched for the whole time: that nothing shows is the check.
    if (!WaitUntil([] { return FindTopWindow(L"Error", L"#32770") != nullptr; }, ms, 50))
        return 0;
    std::fprintf(stderr, "findklv_watch: an \"Error\" box appeared\n");
    return 1;
}

int CmdRegPort()
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_QUERY_VALUE | KEY_WOW64_32KEY,
                      &key) != ERROR_SUCCESS) {
        std::printf("absent\n");
        return 0;
    }
    DWORD type = 0, value = 0, size = sizeof value;
    const LONG rc =
        RegQueryValueExW(key, L"Port", nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS) {
        std::printf("absent\n");
    } else if (type != REG_DWORD || size != 4) {
        std::printf("wrong-type %lu size %lu\n", type, size);
    } else {
        std::printf("%lu\n", value);
    }
    return 0;
}

// A machine without any settings of the measurement program.
int CmdRegClear()
{
    const LONG rc = RegDeleteTreeW(HKEY_CURRENT_USER, L"SOFTWARE\\VARNOK");
    Check(rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND, "settings removed");
    return failures ? 1 : 0;
}

int CmdRuntimeBox(DWORD timeoutMs, const wchar_t* description, const wchar_t* line)
{
    HWND box = RequireErrorBox(timeoutMs);
    if (!box)
        return 1;
    const std::wstring expected =
        std::wstring(
            L"An error occured in the FindKLV software.\nThis just means you will have to set "
            L"the COM port in the KLV Software yourself.\n\nVARNOK GmbH would be glad to be "
            L"notified of the error,\nso it can be fixed in future versions.\nPlease send us "
            L"the information below to support@varnok.example\n\nError Messsage: ") +
        description + L"\nIn line: " + line;
    Check(CheckBoxText(box, expected), "run-time error text");
    Check(GetDlgItem(box, IDOK) != nullptr, "an OK button");
    PostMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
    return failures ? 1 : 0;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    const std::wstring cmd = argc > 1 ? argv[1] : L"";
    auto ms = [&](int i) {
        return static_cast<DWORD>(argc > i ? std::wcstoul(argv[i], nullptr, 10) : 0);
    };
    if (cmd == L"layout")
        return CmdLayout();
    if (cmd == L"progress")
        return CmdProgress();
    if (cmd == L"cancel")
        return CmdCancel();
    if (cmd == L"wait-gone" && argc == 3)
        return CmdWaitGone(ms(2));
    if (cmd == L"failure-box" && argc == 3)
        return CmdFailureBox(ms(2));
    if (cmd == L"answer" && argc == 3)
        return CmdAnswer(argv[2]);
    if (cmd == L"no-window" && argc == 3)
        return CmdNoWindow(ms(2));
    if (cmd == L"reg-port")
        return CmdRegPort();
    if (cmd == L"reg-clear")
        return CmdRegClear();
    if (cmd == L"runtime-box" && argc == 5)
        return CmdRuntimeBox(ms(2), argv[3], argv[4]);
    std::fprintf(stderr,
                 "usage: findklv_watch layout|progress|cancel|wait-gone MS|failure-box MS|"
                 "answer yes|no|no-window MS|reg-port|reg-clear|runtime-box MS TEXT LINE\n");
    return 2;
}
