// frame_probe: where a top-level window's parts lie on the screen and which
// system colours they are drawn with, as shell assignments for a test script
// that then reads those pixels from a screenshot.
//   frame_probe.exe TITLE     (TITLE: part of the window's caption)
// Prints caption_*, client_* and menubar_* rectangles in screen coordinates
// (left top right bottom; menubar=0 when the window has no menu),
// active=1 when the window is the foreground window, and the colours as
// RRGGBB. Exit code 1 when no visible window has such a caption.
#include <windows.h>

#include <cstdio>
#include <cstring>

namespace {

struct Search {
    const char* title;
    HWND found;
};

BOOL CALLBACK MatchCaption(HWND hwnd, LPARAM param)
{
    auto* s = reinterpret_cast<Search*>(param);
    char text[256];
    GetWindowTextA(hwnd, text, sizeof text);
    if (IsWindowVisible(hwnd) && std::strstr(text, s->title)) {
        s->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

void PrintRect(const char* name, const RECT& r)
{
    std::printf("%s_left=%ld\n%s_top=%ld\n%s_right=%ld\n%s_bottom=%ld\n", name, r.left, name, r.top,
                name, r.right, name, r.bottom);
}

void PrintColour(const char* name, int index)
{
    COLORREF c = GetSysColor(index);
    std::printf("%s=%02X%02X%02X\n", name, GetRValue(c), GetGValue(c), GetBValue(c));
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: frame_probe.exe TITLE\n");
        return 2;
    }
    Search s{argv[1], nullptr};
    EnumWindows(MatchCaption, reinterpret_cast<LPARAM>(&s));
    if (!s.found) {
        std::fprintf(stderr, "frame_probe: no visible window \"%s\"\n", argv[1]);
        return 1;
    }
    HWND hwnd = s.found;
    TITLEBARINFO title = {};
    title.cbSize = sizeof title;
    GetTitleBarInfo(hwnd, &title);
    PrintRect("caption", title.rcTitleBar);
    RECT client;
    GetClientRect(hwnd, &client);
    MapWindowPoints(hwnd, nullptr, reinterpret_cast<POINT*>(&client), 2);
    PrintRect("client", client);
    // The bar lies right above the client area. (The menu itself belongs to
    // the other process, where its item rectangles are not to be had.)
    if (GetMenu(hwnd)) {
        RECT bar = client;
        bar.top = client.top - GetSystemMetrics(SM_CYMENU);
        bar.bottom = client.top;
        std::printf("menubar=1\n");
        PrintRect("menubar", bar);
    } else {
        std::printf("menubar=0\n");
    }
    std::printf("active=%d\n", GetForegroundWindow() == hwnd ? 1 : 0);
    BOOL flat = FALSE;
    SystemParametersInfoA(SPI_GETFLATMENU, 0, &flat, 0);
    PrintColour("colour_caption", COLOR_ACTIVECAPTION);
    PrintColour("colour_caption_gradient", COLOR_GRADIENTACTIVECAPTION);
    PrintColour("colour_workspace", COLOR_APPWORKSPACE);
    PrintColour("colour_menubar", flat ? COLOR_MENUBAR : COLOR_MENU);
    PrintColour("colour_menutext", COLOR_MENUTEXT);
    return 0;
}
