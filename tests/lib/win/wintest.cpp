// wintest: the helpers of the Windows test programs (see wintest.h).
#include "wintest.h"

int g_checkFailures = 0;

namespace {

std::string g_snapshotDir;

struct TopWindowSearch {
    const wchar_t* title;
    const wchar_t* className; // null: any class
    HWND found;
};

BOOL CALLBACK MatchTopWindow(HWND window, LPARAM param)
{
    auto* search = reinterpret_cast<TopWindowSearch*>(param);
    if (IsWindowVisible(window) && WindowTextW(window) == search->title &&
        (!search->className || WindowClassW(window) == search->className)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

BITMAPINFO Bitmap24Info(int width, int height)
{
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    return bi;
}

DWORD RowBytes24(int width)
{
    return (static_cast<DWORD>(width) * 3 + 3) & ~3u;
}

bool WriteBmpFile(const std::string& path, const BITMAPINFOHEADER& header, const void* bits,
                  DWORD size)
{
    BITMAPFILEHEADER fh = {};
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof(fh) + sizeof(header);
    fh.bfSize = fh.bfOffBits + size;
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    bool ok = std::fwrite(&fh, sizeof fh, 1, f) == 1 &&
              std::fwrite(&header, sizeof header, 1, f) == 1 && std::fwrite(bits, size, 1, f) == 1;
    std::fclose(f);
    return ok;
}

} // namespace

// ---- checks ----------------------------------------------------------------

void RunCase(const char* name, const std::function<void()>& body)
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

int Summary()
{
    std::printf("%s: %d failed check(s)\n", g_checkFailures ? "FAILED" : "PASSED", g_checkFailures);
    std::fflush(stdout);
    return g_checkFailures ? 1 : 0;
}

// ---- waiting ---------------------------------------------------------------

bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs, DWORD pollMs)
{
    const DWORD start = GetTickCount();
    for (;;) {
        if (done())
            return true;
        if (GetTickCount() - start >= timeoutMs)
            return false;
        Sleep(pollMs);
    }
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    for (;;) {
        PumpPending();
        if (done())
            return true;
        if (GetTickCount() - start >= timeoutMs)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
}

void PumpPending()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

void PumpFor(DWORD ms)
{
    PumpUntil([] { return false; }, ms);
}

// ---- windows ---------------------------------------------------------------

std::wstring WindowTextW(HWND window)
{
    const int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(window, text.data(), length + 1)));
    return text;
}

std::string WindowTextA(HWND window)
{
    char text[256] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

std::wstring WindowClassW(HWND window)
{
    wchar_t name[256] = {};
    GetClassNameW(window, name, 256);
    return name;
}

HWND FindTopWindow(const wchar_t* title, const wchar_t* className)
{
    TopWindowSearch search{title, className, nullptr};
    EnumWindows(MatchTopWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND WaitForTopWindow(const wchar_t* title, const wchar_t* className, DWORD timeoutMs)
{
    HWND found = nullptr;
    WaitUntil([&] { return (found = FindTopWindow(title, className)) != nullptr; }, timeoutMs);
    return found;
}

TreeItem ReadTreeItem(HWND tree, HTREEITEM item)
{
    char text[160] = "";
    TVITEMA it = {};
    it.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_PARAM | TVIF_STATE;
    it.hItem = item;
    it.pszText = text;
    it.cchTextMax = sizeof text;
    it.stateMask = TVIS_EXPANDED;
    TreeItem r;
    if (SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&it))) {
        r.text = text;
        r.image = it.iImage;
        r.data = it.lParam;
        r.state = it.state;
    }
    return r;
}

HTREEITEM NextTreeItem(HWND tree, UINT code, HTREEITEM from)
{
    return reinterpret_cast<HTREEITEM>(
        SendMessageA(tree, TVM_GETNEXTITEM, code, reinterpret_cast<LPARAM>(from)));
}

// ---- pixels and snapshots --------------------------------------------------

std::vector<POINT> ClientSamplePoints(HWND window)
{
    RECT rc = {};
    GetClientRect(window, &rc);
    return {{rc.right / 2, rc.bottom / 2},
            {rc.right / 4, rc.bottom / 4},
            {3 * rc.right / 4, rc.bottom / 4},
            {rc.right / 4, 3 * rc.bottom / 4},
            {3 * rc.right / 4, 3 * rc.bottom / 4}};
}

bool NothingLeftToPaint(HWND window)
{
    if (GetUpdateRect(window, nullptr, FALSE))
        return false;
    for (HWND c = GetWindow(window, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        if (!NothingLeftToPaint(c))
            return false;
    }
    return true;
}

bool ScreenShowsWindow(HWND window)
{
    RECT rc;
    if (!GetClientRect(window, &rc) || rc.right < 2 || rc.bottom < 2)
        return false;
    HDC painted = GetDC(window);
    HDC screen = GetDC(nullptr);
    bool same = true;
    for (POINT p : ClientSamplePoints(window)) {
        POINT s = p;
        ClientToScreen(window, &s);
        const COLORREF colour = GetPixel(painted, p.x, p.y);
        same = same && colour != CLR_INVALID && colour == GetPixel(screen, s.x, s.y);
    }
    ReleaseDC(nullptr, screen);
    ReleaseDC(window, painted);
    return same;
}

bool PumpUntilShown(HWND window, DWORD timeoutMs)
{
    if (!PumpUntil([&] { return NothingLeftToPaint(window); }, timeoutMs)) {
        std::printf("  window %p still waits to be painted after %lu ms\n", (void*)window,
                    (unsigned long)timeoutMs);
        return false;
    }
    if (!PumpUntil([&] { return ScreenShowsWindow(window); }, timeoutMs)) {
        std::printf("  the screen does not show window %p's painting after %lu ms\n", (void*)window,
                    (unsigned long)timeoutMs);
        return false;
    }
    return true;
}

std::vector<std::uint32_t> ClientPixels(HWND window)
{
    RECT rc;
    GetClientRect(window, &rc);
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = rc.right;
    bi.bmiHeader.biHeight = -rc.bottom;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    HDC dc = GetDC(window);
    HDC mem = CreateCompatibleDC(dc);
    void* bits = nullptr;
    HBITMAP bmp = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(mem, bmp);
    BitBlt(mem, 0, 0, rc.right, rc.bottom, dc, 0, 0, SRCCOPY);
    GdiFlush();
    const auto* first = static_cast<const std::uint32_t*>(bits);
    std::vector<std::uint32_t> pixels(first, first + rc.right * rc.bottom);
    SelectObject(mem, old);
    DeleteObject(bmp);
    DeleteDC(mem);
    ReleaseDC(window, dc);
    return pixels;
}

bool SaveBitmapSnapshot(HBITMAP bmp, const std::string& path)
{
    BITMAP info;
    if (!GetObjectA(bmp, sizeof info, &info))
        return false;
    BITMAPINFO bi = Bitmap24Info(info.bmWidth, info.bmHeight);
    std::string bits(RowBytes24(info.bmWidth) * info.bmHeight, '\0');
    HDC screen = GetDC(nullptr);
    GetDIBits(screen, bmp, 0, info.bmHeight, bits.data(), &bi, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    return WriteBmpFile(path, bi.bmiHeader, bits.data(), static_cast<DWORD>(bits.size()));
}

bool SaveWindowSnapshot(HWND window, const std::string& path)
{
    RECT r;
    if (!GetWindowRect(window, &r))
        return false;
    int w = r.right - r.left, h = r.bottom - r.top;
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    BITMAPINFO bi = Bitmap24Info(w, h);
    void* bits = nullptr;
    HBITMAP bmp = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(mem, bmp);
    BitBlt(mem, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
    GdiFlush();
    const bool ok = WriteBmpFile(path, bi.bmiHeader, bits, RowBytes24(w) * static_cast<DWORD>(h));
    SelectObject(mem, old);
    DeleteObject(bmp);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    return ok;
}

void SetSnapshotDir(const std::string& dir)
{
    g_snapshotDir = dir;
}

void Snapshot(HWND window, const std::string& name)
{
    if (!g_snapshotDir.empty())
        SaveWindowSnapshot(window, g_snapshotDir + "/" + name + ".bmp");
}

void SnapshotBitmap(HBITMAP bmp, const std::string& name)
{
    if (!g_snapshotDir.empty())
        SaveBitmapSnapshot(bmp, g_snapshotDir + "/" + name + ".bmp");
}

// ---- files -----------------------------------------------------------------

std::vector<std::uint8_t> ReadWholeFile(const std::string& path)
{
    std::vector<std::uint8_t> bytes;
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                           nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return bytes;
    DWORD size = GetFileSize(h, nullptr), got = 0;
    bytes.resize(size);
    if (size)
        ReadFile(h, bytes.data(), size, &got, nullptr);
    bytes.resize(got);
    CloseHandle(h);
    return bytes;
}
