// Helpers of the graph library's Windows test programs: the shared checks, a
// message pump with a deadline, and a window snapshot written as a BMP file.
#pragma once

#include <windows.h>

#include "../common/wincheck.h"

#include <cstdio>
#include <cstring>
#include <functional>
#include <string>

// Dispatches this thread's messages until done() holds or timeoutMs passed.
inline bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs)
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

// True once neither the window nor any of its children waits for WM_PAINT.
inline bool NothingLeftToPaint(HWND hWnd)
{
    if (GetUpdateRect(hWnd, nullptr, FALSE))
        return false;
    for (HWND c = GetWindow(hWnd, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        if (!NothingLeftToPaint(c))
            return false;
    }
    return true;
}

// True once the screen shows what the window painted at five points of its
// client area: Wine copies a window's drawing to the screen some time after
// the painting, and snapshots read the screen.
inline bool ScreenShowsWindow(HWND hWnd)
{
    RECT rc;
    if (!GetClientRect(hWnd, &rc) || rc.right < 2 || rc.bottom < 2)
        return false;
    const POINT points[] = {{rc.right / 2, rc.bottom / 2},
                            {rc.right / 4, rc.bottom / 4},
                            {3 * rc.right / 4, rc.bottom / 4},
                            {rc.right / 4, 3 * rc.bottom / 4},
                            {3 * rc.right / 4, 3 * rc.bottom / 4}};
    HDC window = GetDC(hWnd);
    HDC screen = GetDC(nullptr);
    bool same = true;
    for (POINT p : points) {
        POINT s = p;
        ClientToScreen(hWnd, &s);
        const COLORREF painted = GetPixel(window, p.x, p.y);
        same = same && painted != CLR_INVALID && painted == GetPixel(screen, s.x, s.y);
    }
    ReleaseDC(nullptr, screen);
    ReleaseDC(hWnd, window);
    return same;
}

// Pumps until the window is painted and on the screen; says what did not
// happen within timeoutMs.
inline bool PumpUntilShown(HWND hWnd, DWORD timeoutMs)
{
    if (!PumpUntil([&] { return NothingLeftToPaint(hWnd); }, timeoutMs)) {
        std::printf("  window %p still waits to be painted after %lu ms\n", (void*)hWnd,
                    (unsigned long)timeoutMs);
        return false;
    }
    if (!PumpUntil([&] { return ScreenShowsWindow(hWnd); }, timeoutMs)) {
        std::printf("  the screen does not show window %p's painting after %lu ms\n", (void*)hWnd,
                    (unsigned long)timeoutMs);
        return false;
    }
    return true;
}

// Writes a 24-bit bitmap as a BMP file.
inline bool SaveBitmapSnapshot(HBITMAP bmp, const std::string& path)
{
    BITMAP info;
    if (!GetObjectA(bmp, sizeof info, &info))
        return false;
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = info.bmWidth;
    bi.bmiHeader.biHeight = info.bmHeight;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    DWORD rowBytes = (static_cast<DWORD>(info.bmWidth) * 3 + 3) & ~3u;
    std::string bits(rowBytes * info.bmHeight, '\0');
    HDC screen = GetDC(nullptr);
    GetDIBits(screen, bmp, 0, info.bmHeight, bits.data(), &bi, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    BITMAPFILEHEADER fh = {};
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof(fh) + sizeof(bi.bmiHeader);
    fh.bfSize = fh.bfOffBits + static_cast<DWORD>(bits.size());
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    bool ok = std::fwrite(&fh, sizeof fh, 1, f) == 1 &&
              std::fwrite(&bi.bmiHeader, sizeof bi.bmiHeader, 1, f) == 1 &&
              std::fwrite(bits.data(), bits.size(), 1, f) == 1;
    std::fclose(f);
    return ok;
}

// Writes what the screen shows of a window as a 24-bit BMP file.
inline bool SaveWindowSnapshot(HWND hWnd, const std::string& path)
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
    void* bits = nullptr;
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
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
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
