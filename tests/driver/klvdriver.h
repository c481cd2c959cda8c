// klvdriver: the test driver's actions, grouped by area (one table per area
// file), and the window look-ups every area uses.
#ifndef KLVDRIVER_H
#define KLVDRIVER_H

#include <windows.h>

#include "wintest.h"

#include <cstddef>
#include <string>
#include <vector>

// One action: klvdriver NAME ARGS... runs run(argc, argv) with argv[1] the
// name, once at least minArgs arguments follow it. The usage text lists the
// arguments and what the action does.
struct DriverAction {
    const char* name;
    int minArgs;
    int (*run)(int argc, char** argv);
    const char* usage;
};

struct DriverActionList {
    const DriverAction* first;
    std::size_t count;
};

template <std::size_t N> constexpr DriverActionList ActionList(const DriverAction (&actions)[N])
{
    return {actions, N};
}

// The areas' tables (windows.cpp, controls.cpp, screen.cpp, registry.cpp);
// the driver's own actions (script) are in klvdriver.cpp.
extern const DriverActionList kWindowActions;
extern const DriverActionList kControlActions;
extern const DriverActionList kDocumentActions;
extern const DriverActionList kScreenActions;
extern const DriverActionList kRegistryActions;

// How often the driver looks again while it waits (WaitUntil of wintest.h).
constexpr DWORD kPollMs = 50;

// argv[index] as a number of milliseconds, or fallback when it is not given.
DWORD TimeoutArg(int argc, char** argv, int index, DWORD fallback);

// TITLE matches a visible top-level window whose caption contains it;
// "class:NAME" matches by window class; "dialog:CAPTION" a dialog box whose
// caption is exactly CAPTION.
HWND FindTopWindow(const char* pattern);
HWND WaitForWindow(const char* pattern, DWORD timeoutMs);
// The window within 5 s, or nullptr with the reason on stderr.
HWND RequireWindow(const char* pattern);

std::vector<HWND> Children(HWND parent);
std::string WindowText(HWND hwnd);
// A child by control id, or by its exact text ("&" accelerators ignored);
// nullptr with the reason on stderr.
HWND FindChild(HWND parent, const char* idOrText);
HWND FindChildOfClass(HWND parent, const char* className);
HWND RequireChild(const char* title, const char* idOrText);
// The first child of CLASSNAME in the window TITLE; nullptr with the reason
// on stderr.
HWND RequireChildOfClass(const char* title, const char* className);

// A message to another program's control, given up after 5 s when it hangs.
LRESULT SendToControl(HWND control, UINT msg, WPARAM wParam, LPARAM lParam);

// "TEXT" is contained in text, "=TEXT" equals it; "\t", "\r" and "\n" of
// the expectation stand for the characters they name.
bool TextMatches(const std::string& text, const char* expected);

// The window's pixels as the screen shows them (screen.cpp).
bool CaptureToBmp(HWND hwnd, const char* path);
// The window's pixels as the screen shows them, bottom-up rows of 24 bits.
std::vector<unsigned char> ScreenPixels(HWND hwnd, BITMAPINFOHEADER& bih);

#endif
