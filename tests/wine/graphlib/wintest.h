// A small check harness for the Windows test programs of the graph library:
// named cases, checks that report file, line and values, a message pump with
// a deadline, and a window snapshot written as a BMP file.
#pragma once

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <string>

inline int g_checkFailures = 0;

#define CHECK(cond)                                                                  \
    do {                                                                             \
        if (!(cond)) {                                                               \
            std::printf("  FAIL %s:%d: %s\n", __FILE__, __LINE__, #cond);            \
            ++g_checkFailures;                                                       \
        }                                                                            \
    } while (0)

#define CHECK_EQ(actual, expected)                                                   \
    do {                                                                             \
        auto a_ = (actual);                                                          \
        auto e_ = (expected);                                                        \
        if (!(a_ == e_)) {                                                           \
            std::printf("  FAIL %s:%d: %s == %s (got %lld, expected %lld)\n",        \
                        __FILE__, __LINE__, #actual, #expected,                      \
                        static_cast<long long>(a_), static_cast<long long>(e_));     \
            ++g_checkFailures;                                                       \
        }                                                                            \
    } while (0)

#define CHECK_NEAR(actual, expected, tol)                                            \
    do {                                                                             \
        double a_ = (actual);                                                        \
        double e_ = (expected);                                                      \
        if (!(a_ >= e_ - (tol) && a_ <= e_ + (tol))) {                               \
            std::printf("  FAIL %s:%d: %s ~ %s (got %.6f, expected %.6f)\n",         \
                        __FILE__, __LINE__, #actual, #expected, a_, e_);             \
            ++g_checkFailures;                                                       \
        }                                                                            \
    } while (0)

#define CHECK_STR(actual, expected)                                                  \
    do {                                                                             \
        std::string a_ = (actual);                                                   \
        std::string e_ = (expected);                                                 \
        if (a_ != e_) {                                                              \
            std::printf("  FAIL %s:%d: %s == \"%s\" (got \"%s\")\n", __FILE__,       \
                        __LINE__, #actual, e_.c_str(), a_.c_str());                  \
            ++g_checkFailures;                                                       \
        }                                                                            \
    } while (0)

inline void RunCase(const char *name, const std::function<void()> &body)
{
    int before = g_checkFailures;
    std::printf("[ RUN  ] %s\n", name);
    std::fflush(stdout);
    DWORD start = GetTickCount();
    body();
    std::printf("[ %s ] %s (%lu ms)\n", g_checkFailures == before ? " OK " : "FAIL", name,
                GetTickCount() - start);
    std::fflush(stdout);
}

inline int Summary()
{
    std::printf("%s: %d failed check(s)\n", g_checkFailures ? "FAILED" : "PASSED", g_checkFailures);
    return g_checkFailures ? 1 : 0;
}

// Dispatches this thread's messages until done() holds or timeoutMs passed.
inline bool PumpUntil(const std::function<bool()> &done, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    for (;;) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (done())
            return true;
        if (GetTickCount() - start >= timeoutMs)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
}

inline void PumpFor(DWORD ms)
{
    PumpUntil([] { return false; }, ms);
}

// Writes what the screen shows of a window as a 24-bit BMP file.
inline bool SaveWindowSnapshot(HWND hWnd, const std::string &path)
{
    RECT r;
    if (!GetWindowRect(hWnd, &r))
        return false;
    int w = r.right - r.left, h = r.bottom - r.top;
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    void *bits = nullptr;
    HBITMAP bmp = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(mem, bmp);
    BitBlt(mem, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
    GdiFlush();
    DWORD rowBytes = (static_cast<DWORD>(w) * 3 + 3) & ~3u;
    DWORD size = rowBytes * static_cast<DWORD>(h);
    BITMAPFILEHEADER fh = {};
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof(fh) + sizeof(bi.bmiHeader);
    fh.bfSize = fh.bfOffBits + size;
    bool ok = false;
    if (FILE *f = std::fopen(path.c_str(), "wb")) {
        ok = std::fwrite(&fh, sizeof fh, 1, f) == 1 &&
             std::fwrite(&bi.bmiHeader, sizeof bi.bmiHeader, 1, f) == 1 &&
             std::fwrite(bits, size, 1, f) == 1;
        std::fclose(f);
    }
    SelectObject(mem, old);
    DeleteObject(bmp);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    return ok;
}
