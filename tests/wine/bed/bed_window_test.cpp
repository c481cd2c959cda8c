// The display half of the test bed: a window with four coloured bands and a
// caption, shown on the bed's X display until the test script has taken its
// screenshot.
//
//   bed_window_test.exe DIR
//
// Once the window has been painted the program writes DIR\shown; it closes
// when DIR\close appears (polled every 100 ms) or after 20 s, whichever comes
// first. Exit code 0 when the window was shown and painted, 1 otherwise.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

const char kClassName[] = "KlvTestBedWindow";
const char kTitle[] = "Klemva test bed";
constexpr UINT_PTR kPollTimer = 1;
constexpr UINT kPollMs = 100;
constexpr DWORD kGiveUpMs = 20000;

// The band colours the script looks for in the screenshot.
const COLORREF kBands[] = {RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255), RGB(255, 255, 0)};

std::string g_dir;
bool g_painted = false;
DWORD g_shownAt = 0;

bool FileExists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void WriteMarker(const std::string& path)
{
    HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f != INVALID_HANDLE_VALUE)
        CloseHandle(f);
}

void PaintBands(HWND hwnd)
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    RECT client;
    GetClientRect(hwnd, &client);
    const int bands = static_cast<int>(sizeof kBands / sizeof kBands[0]);
    const int width = client.right / bands;
    for (int i = 0; i < bands; ++i) {
        RECT r = {i * width, 0, i == bands - 1 ? client.right : (i + 1) * width, client.bottom};
        HBRUSH brush = CreateSolidBrush(kBands[i]);
        FillRect(dc, &r, brush);
        DeleteObject(brush);
    }
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0, 0, 0));
    DrawTextA(dc, kTitle, -1, &client, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    EndPaint(hwnd, &ps);
    if (!g_painted) {
        g_painted = true;
        GdiFlush();
        WriteMarker(g_dir + "\\shown");
    }
}

LRESULT CALLBACK BedWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_PAINT:
        PaintBands(hwnd);
        return 0;
    case WM_TIMER:
        if (FileExists(g_dir + "\\close") || GetTickCount() - g_shownAt > kGiveUpMs)
            DestroyWindow(hwnd);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    if (__argc < 2) {
        std::fprintf(stderr, "usage: bed_window_test DIR\n");
        return 2;
    }
    g_dir = __argv[1];
    WNDCLASSA wc = {};
    wc.lpfnWndProc = BedWindowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = kClassName;
    if (!RegisterClassA(&wc))
        return 1;
    HWND hwnd = CreateWindowA(kClassName, kTitle, WS_OVERLAPPEDWINDOW, 60, 60, 640, 360, nullptr,
                              nullptr, instance, nullptr);
    if (!hwnd)
        return 1;
    ShowWindow(hwnd, SW_SHOWNORMAL);
    UpdateWindow(hwnd);
    g_shownAt = GetTickCount();
    SetTimer(hwnd, kPollTimer, kPollMs, nullptr);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return g_painted ? 0 : 1;
}
