// wintest: the one helper library of the Windows test programs (tests/wine,
// tests/win32): named cases and checks that report file, line and values;
// waiting for a condition with a limit, with or without pumping messages;
// finding other programs' windows; reading what a window painted and what
// the screen shows; snapshots as BMP files.
//
// A case that cannot go on returns early after a failed check; later cases
// still run. Every wait names its limit; a caller whose wait runs out says
// what did not happen.
#ifndef WINTEST_H
#define WINTEST_H

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

// ---- checks ----------------------------------------------------------------

extern int g_checkFailures;

// Integers of mixed signedness compare by value (-1 is not 0xFFFFFFFF).
template <class A, class E> bool CheckEqual(const A& a, const E& e)
{
    constexpr bool kBothPlainInts = std::is_integral_v<A> && std::is_integral_v<E> &&
                                    !std::is_same_v<A, bool> && !std::is_same_v<E, bool> &&
                                    !std::is_same_v<A, char> && !std::is_same_v<E, char>;
    if constexpr (kBothPlainInts)
        return std::cmp_equal(a, e);
    else
        return a == e;
}

#define CHECK(cond)                                                                                \
    do {                                                                                           \
        if (!(cond)) {                                                                             \
            std::printf("  FAIL %s:%d: %s\n", __FILE__, __LINE__, #cond);                          \
            ++g_checkFailures;                                                                     \
        }                                                                                          \
    } while (0)

#define CHECK_EQ(actual, expected)                                                                 \
    do {                                                                                           \
        auto a_ = (actual);                                                                        \
        auto e_ = (expected);                                                                      \
        if (!CheckEqual(a_, e_)) {                                                                 \
            std::printf("  FAIL %s:%d: %s == %s (got %lld, expected %lld)\n", __FILE__, __LINE__,  \
                        #actual, #expected, static_cast<long long>(a_),                            \
                        static_cast<long long>(e_));                                               \
            ++g_checkFailures;                                                                     \
        }                                                                                          \
    } while (0)

#define CHECK_NEAR(actual, expected, tol)                                                          \
    do {                                                                                           \
        double a_ = (actual);                                                                      \
        double e_ = (expected);                                                                    \
        if (!(a_ >= e_ - (tol) && a_ <= e_ + (tol))) {                                             \
            std::printf("  FAIL %s:%d: %s ~ %s (got %.6f, expected %.6f)\n", __FILE__, __LINE__,   \
                        #actual, #expected, a_, e_);                                               \
            ++g_checkFailures;                                                                     \
        }                                                                                          \
    } while (0)

#define CHECK_RANGE(actual, low, high)                                                             \
    do {                                                                                           \
        double a_ = static_cast<double>(actual);                                                   \
        if (!(a_ >= (low) && a_ <= (high))) {                                                      \
            std::printf("  FAIL %s:%d: %s in [%g, %g] (got %g)\n", __FILE__, __LINE__, #actual,    \
                        static_cast<double>(low), static_cast<double>(high), a_);                  \
            ++g_checkFailures;                                                                     \
        }                                                                                          \
    } while (0)

#define CHECK_STR(actual, expected)                                                                \
    do {                                                                                           \
        std::string a_ = (actual);                                                                 \
        std::string e_ = (expected);                                                               \
        if (a_ != e_) {                                                                            \
            std::printf("  FAIL %s:%d: %s == \"%s\" (got \"%s\")\n", __FILE__, __LINE__, #actual,  \
                        e_.c_str(), a_.c_str());                                                   \
            ++g_checkFailures;                                                                     \
        }                                                                                          \
    } while (0)

// "[ RUN  ] name" ... "[  OK  ] name (ms)" or "[ FAIL ] name (ms)".
void RunCase(const char* name, const std::function<void()>& body);
// "PASSED"/"FAILED" with the count of failed checks; the exit code (0 or 1).
int Summary();

// ---- waiting ---------------------------------------------------------------

// Polls done() every pollMs until it holds (true) or timeoutMs have passed
// (false), without handling messages: for other programs and threads.
bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs, DWORD pollMs = 20);
// Dispatches this thread's messages until done() holds or timeoutMs passed.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs);
// Dispatches the messages already waiting.
void PumpPending();
// Dispatches messages for ms: only where the moment itself is under test
// (an action spread over a time-out), never to wait for something.
void PumpFor(DWORD ms);

// ---- windows ---------------------------------------------------------------

std::wstring WindowTextW(HWND window);
std::string WindowTextA(HWND window);
std::wstring WindowClassW(HWND window);
// A visible top-level window whose caption is exactly title and, unless
// className is null, of that class.
HWND FindTopWindow(const wchar_t* title, const wchar_t* className);
HWND WaitForTopWindow(const wchar_t* title, const wchar_t* className, DWORD timeoutMs);

// An item of another window's tree view: text, image, item data, and the
// expanded state.
struct TreeItem {
    std::string text;
    int image = -1;
    LPARAM data = -1;
    UINT state = 0;
};
TreeItem ReadTreeItem(HWND tree, HTREEITEM item);
// TVM_GETNEXTITEM: code TVGN_ROOT, TVGN_NEXT, TVGN_CHILD, ...
HTREEITEM NextTreeItem(HWND tree, UINT code, HTREEITEM from);

// ---- pixels and snapshots --------------------------------------------------

// Five points of the client area (centre and the quarters' centres) that
// tell a painted window from an unpainted one.
std::vector<POINT> ClientSamplePoints(HWND window);
// True once neither the window nor any of its children waits for WM_PAINT.
bool NothingLeftToPaint(HWND window);
// True once the screen shows what the window painted at its sample points:
// Wine copies a window's drawing to the screen some time after the
// painting, and snapshots read the screen.
bool ScreenShowsWindow(HWND window);
// Pumps until the window is painted and on the screen; says what did not
// happen within timeoutMs.
bool PumpUntilShown(HWND window, DWORD timeoutMs);
// The client area as the window's device context holds it, a 32-bit value
// per pixel, rows from the top.
std::vector<std::uint32_t> ClientPixels(HWND window);

// Writes a 24-bit bitmap as a BMP file.
bool SaveBitmapSnapshot(HBITMAP bmp, const std::string& path);
// Writes what the screen shows of a window as a 24-bit BMP file.
bool SaveWindowSnapshot(HWND window, const std::string& path);
// Where Snapshot writes (the programs' snapshot argument); none: no files.
void SetSnapshotDir(const std::string& dir);
// The window (or a bitmap) as DIR/NAME.bmp when a snapshot directory is set.
void Snapshot(HWND window, const std::string& name);
void SnapshotBitmap(HBITMAP bmp, const std::string& name);

// ---- files -----------------------------------------------------------------

// The whole file, or nothing when it cannot be read.
std::vector<std::uint8_t> ReadWholeFile(const std::string& path);

#endif
