// Actions that read a window's pixels: BMP captures and single pixels.
#include "klvdriver.h"

#include <cstdio>
#include <cstdlib>

namespace {

// A bottom-up 24-bit BMP file of the pixels.
bool WriteBmp(const char* path, const BITMAPINFOHEADER& bih,
              const std::vector<unsigned char>& pixels)
{
    BITMAPFILEHEADER bfh = {};
    bfh.bfType = 0x4D42;
    bfh.bfOffBits = sizeof bfh + sizeof bih;
    bfh.bfSize = bfh.bfOffBits + static_cast<DWORD>(pixels.size());
    FILE* f = std::fopen(path, "wb");
    if (!f) {
        std::fprintf(stderr, "klvdriver: cannot write %s\n", path);
        return false;
    }
    std::fwrite(&bfh, sizeof bfh, 1, f);
    std::fwrite(&bih, sizeof bih, 1, f);
    std::fwrite(pixels.data(), 1, pixels.size(), f);
    std::fclose(f);
    return true;
}

int CmdCapture(int, char** argv)
{
    HWND hwnd = RequireWindow(argv[2]);
    return hwnd && CaptureToBmp(hwnd, argv[3]) ? 0 : 1;
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
    // Settled: two looks in a row, one poll interval (100 ms) apart, are the
    // same. The first look has nothing to compare with.
    std::vector<unsigned char> pixels;
    auto settled = [&] {
        std::vector<unsigned char> again = ScreenPixels(hwnd, bih);
        const bool stable = !pixels.empty() && again == pixels;
        pixels.swap(again);
        return stable;
    };
    constexpr DWORD kSettleLookMs = 100;
    WaitUntil(settled, 3000, kSettleLookMs);
    return WriteBmp(argv[3], bih, pixels) ? 0 : 1;
}

// A client pixel as the screen shows it; with a second point, both are
// printed and they must be the same colour.
int CmdPixel(int argc, char** argv)
{
    HWND hwnd = RequireWindow(argv[2]);
    if (!hwnd)
        return 1;
    BITMAPINFOHEADER bih;
    const std::vector<unsigned char> pixels = ScreenPixels(hwnd, bih);
    RECT window;
    GetWindowRect(hwnd, &window);
    // The colour at client point (argv[at], argv[at + 1]), or -1 outside.
    auto colourAt = [&](int at) -> long {
        POINT p{std::atoi(argv[at]), std::atoi(argv[at + 1])};
        ClientToScreen(hwnd, &p);
        const long x = p.x - window.left, y = p.y - window.top;
        if (x < 0 || y < 0 || x >= bih.biWidth || y >= bih.biHeight)
            return -1;
        const size_t stride = (static_cast<size_t>(bih.biWidth) * 3 + 3) / 4 * 4;
        const unsigned char* bgr = pixels.data() + (bih.biHeight - 1 - y) * stride + 3 * x;
        return (static_cast<long>(bgr[2]) << 16) | (bgr[1] << 8) | bgr[0];
    };
    const long c = colourAt(3);
    const long other = argc > 6 ? colourAt(5) : c;
    if (c < 0 || other < 0) {
        std::fprintf(stderr, "klvdriver: pixel outside the window\n");
        return 1;
    }
    std::printf("%06lX\n", c);
    if (other == c)
        return 0;
    std::printf("%06lX\n", other);
    std::fprintf(stderr, "klvdriver: the two pixels differ\n");
    return 1;
}

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

const DriverAction kActions[] = {
    {"capture", 2, CmdCapture, "TITLE FILE.bmp: the window's pixels now, as a BMP file"},
    {"snap", 2, CmdSnap, "TITLE FILE.bmp: the window repainted and settled, as a BMP file"},
    {"pixel", 3, CmdPixel,
     "TITLE X Y [X2 Y2]: client pixel as RRGGBB; with X2 Y2, fails unless both are the same"},
    {"text-fit", 3, CmdTextFit,
     "TITLE FACE HEIGHT [WEIGHT]: each visible static text drawn in that font: \"fits\" or "
     "\"WRAPS\", lines drawn/held, first line; fails when one wraps"},
};

} // namespace

bool CaptureToBmp(HWND hwnd, const char* path)
{
    BITMAPINFOHEADER bih;
    const std::vector<unsigned char> pixels = ScreenPixels(hwnd, bih);
    return WriteBmp(path, bih, pixels);
}

// Wine's PrintWindow leaves dialogs black, so whole windows are copied from
// the screen instead.
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

const DriverActionList kScreenActions = ActionList(kActions);
