// Graph windows as the user sees and drives them: pixels of the painted
// plot read back, zoom drags, the cursor with its readouts and arrow keys,
// showing and hiding graphs in the graph list, the context menu and the
// property view, the text export byte for byte, and printing into a memory
// bitmap and through the printer "PDF".
//   graphlib_graphview_test.exe SNAPSHOT_DIR TEMP_DIR
#include "varnok.h"

#include "wintest.h"

#include <winspool.h>

#include <cmath>
#include <cstring>
#include <vector>

namespace {

constexpr LONG kEtchedStyle = 0x0001;
constexpr LONG kListStyle = 0x0010;
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kGreen = RGB(0, 128, 0);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kGrey = RGB(192, 192, 192);

// A 640 x 420 window without the list: W = 638, H = 418, so the plot is
// 546 x 340 pixels (6 and 10 divisions of 91 and 34) at (60, 30).
constexpr int kLeft = 60, kRight = 606, kTop = 30, kBottom = 370;
// With the list the plot is 396 pixels wide.
constexpr int kRightWithList = 456;
// Raw 2048 of 0..4095 lies at y = 370 - 170.
constexpr int kMidY = 200;

std::string g_tempDir;

void ViewSnapshot(HWND w, const char* name)
{
    Snapshot(w, std::string("graphlib_") + name);
}

HWND CreateGraphWindow(LONG extraStyle, const char* title = "Kraftverlauf")
{
    // A frameless window: its outer size is its client size, as for the
    // graph windows inside the program's documents.
    HWND w = CreateWindowExA(0, "GraphWindow", title, WS_POPUP | WS_VISIBLE | extraStyle, 20, 20,
                             640, 420, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    _SetGraphStyle(w, 8, 6, 10, 0.0, 6.0);
    return w;
}

// A graph of n samples, all of value raw, 10 ms apart, valid throughout.
void AddFlatGraph(HWND w, const char* name, int16_t raw, int n = 600, const char* unit = "N")
{
    _AddGraph(w, name, unit, 0.0, 300.0, 0, 4095, 0.01, n);
    GraphData* d = _GetDataPtr(w);
    int index = d->nGraphs - 1;
    int16_t* p = _GetGraphDataPtr(w, index);
    for (int i = 0; i < n; ++i)
        p[i] = raw;
    _SetGraphBuffEnd(w, n, index);
}

// A full redraw after the block was changed directly.
bool WaitForFullRedraw(HWND w)
{
    GraphData* d = _GetDataPtr(w);
    d->bRedraw = 1;
    InvalidateRect(w, nullptr, TRUE);
    return PumpUntil([d] { return d->bRedraw == 0; }, 5000);
}

struct Pixels {
    HWND w;
    HDC dc;
    explicit Pixels(HWND window) : w(window), dc(GetDC(window)) {}
    ~Pixels() { ReleaseDC(w, dc); }
    COLORREF at(int x, int y) const { return GetPixel(dc, x, y); }
    int CountInRow(int y, int x0, int x1, COLORREF c) const
    {
        int n = 0;
        for (int x = x0; x <= x1; ++x)
            n += at(x, y) == c;
        return n;
    }
    int CountInRect(int x0, int y0, int x1, int y1, COLORREF c) const
    {
        int n = 0;
        for (int y = y0; y <= y1; ++y)
            n += CountInRow(y, x0, x1, c);
        return n;
    }
};

// ---- beeps: the library's MessageBeep import is redirected to a counter ----

int g_asteriskBeeps = 0;
int g_defaultBeeps = 0;

BOOL WINAPI CountBeep(UINT type)
{
    if (type == MB_ICONASTERISK)
        ++g_asteriskBeeps;
    else
        ++g_defaultBeeps;
    return TRUE;
}

// The library's SetCursor import is redirected as well: wait cursors counted.
int g_waitCursors = 0;

HCURSOR WINAPI CountSetCursor(HCURSOR cursor)
{
    if (cursor == LoadCursorA(nullptr, IDC_WAIT))
        ++g_waitCursors;
    return SetCursor(cursor);
}

bool RedirectImport(HMODULE module, const char* dll, const char* function, void* replacement)
{
    BYTE* base = reinterpret_cast<BYTE*>(module);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(
        base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (auto* imp = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress);
         imp->Name; ++imp) {
        if (lstrcmpiA(reinterpret_cast<char*>(base + imp->Name), dll) != 0)
            continue;
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + imp->OriginalFirstThunk);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + imp->FirstThunk);
        for (; names->u1.AddressOfData; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal))
                continue;
            auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (std::strcmp(reinterpret_cast<char*>(byName->Name), function) != 0)
                continue;
            DWORD old;
            VirtualProtect(&slots->u1.Function, sizeof(void*), PAGE_READWRITE, &old);
            slots->u1.Function = reinterpret_cast<ULONG_PTR>(replacement);
            VirtualProtect(&slots->u1.Function, sizeof(void*), old, &old);
            return true;
        }
    }
    return false;
}

// ---- tree items --------------------------------------------------------------

std::string ReadoutText(HWND w, const char* prop)
{
    HWND tree = _GetDataPtr(w)->hGraphList;
    return ReadTreeItem(tree, static_cast<HTREEITEM>(GetPropA(tree, prop))).text;
}

// The whole tree depth first, one line per item: indentation, text, image.
void DumpTree(HWND tree, HTREEITEM item, int depth, std::string& out)
{
    for (; item; item = NextTreeItem(tree, TVGN_NEXT, item)) {
        TreeItem t = ReadTreeItem(tree, item);
        out += std::string(depth * 2, ' ') + t.text + " #" + std::to_string(t.image) + "\n";
        DumpTree(tree, NextTreeItem(tree, TVGN_CHILD, item), depth + 1, out);
    }
}

// A double click on a graph item, as the list reports it to the window.
void DoubleClickItem(HWND w, HTREEITEM item)
{
    HWND tree = _GetDataPtr(w)->hGraphList;
    SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
    NMHDR nm = {tree, 10, static_cast<UINT>(NM_DBLCLK)};
    SendMessageA(w, WM_NOTIFY, 10, reinterpret_cast<LPARAM>(&nm));
}

LRESULT Mouse(HWND w, UINT msg, int x, int y)
{
    return SendMessageA(w, msg, msg == WM_LBUTTONUP ? 0 : MK_LBUTTON,
                        MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y)));
}

// ---- cases -------------------------------------------------------------------

void PaintShowsCurveGridLabelsAndTitle()
{
    HWND w = CreateGraphWindow(kEtchedStyle);
    AddFlatGraph(w, "Kraft", 2048);
    CHECK(WaitForFullRedraw(w));
    GraphData* d = _GetDataPtr(w);
    CHECK_EQ(d->rcPlot.left, kLeft);
    CHECK_EQ(d->rcPlot.right, kRight);
    CHECK_EQ(d->rcPlot.top, kTop);
    CHECK_EQ(d->rcPlot.bottom, kBottom);
    CHECK_STR(d->szAxisLabel, "Time [sec]");
    CHECK(GetPropA(w, "BITMAP") != nullptr); // drawn while it had the focus
    Pixels px(w);
    // The blue curve across the plot at the height of raw 2048.
    CHECK_RANGE(px.CountInRow(kMidY, kLeft + 1, kRight - 1, kBlue), kRight - kLeft - 10,
                kRight - kLeft);
    CHECK_EQ(px.CountInRow(kMidY - 3, kLeft + 1, kRight - 1, kBlue), 0);
    // The frame, solid; a vertical grid line (second division), dotted.
    CHECK_EQ(px.at(kLeft, 100), kBlack);
    CHECK_EQ(px.at(kRight, 100), kBlack);
    int black = 0, other = 0;
    for (int y = kTop + 2; y < kTop + 42; ++y)
        (px.at(kLeft + 91, y) == kBlack ? black : other)++;
    CHECK_RANGE(black, 12, 28);
    CHECK_RANGE(other, 12, 28);
    // Labels on light grey: below the plot (x), left of it (y), the title.
    CHECK(px.CountInRect(kLeft + 91 - 10, kBottom + 7, kLeft + 91 + 10, kBottom + 22, kGrey) > 10);
    CHECK(px.CountInRect(0, kTop - 12, kLeft - 2, kTop + 6, kGrey) > 20);
    CHECK(px.CountInRect(kLeft, kBottom + 25, kRight, kBottom + 40, kGrey) > 20);
    CHECK(px.CountInRect(200, 10, 450, 25, kGrey) > 20);
    // The etched edge of style bit 0x0001.
    CHECK(px.at(1, 250) != px.at(10, 250));
    ViewSnapshot(w, "view_plain");

    // A new window takes the focus: the first one keeps no image any more,
    // and without the etched bit the border stays the window's colour.
    HWND plain = CreateGraphWindow(0);
    CHECK(WaitForFullRedraw(plain));
    CHECK(GetFocus() == plain);
    CHECK(WaitForFullRedraw(w));
    CHECK(GetPropA(w, "BITMAP") == nullptr);
    Pixels plainPixels(plain);
    CHECK_EQ(plainPixels.at(1, 250), plainPixels.at(10, 250));
    DestroyWindow(plain);
    DestroyWindow(w);
}

// A full redraw shows the wait cursor, unless live values came in since
// the last one.
void WaitCursorOnlyWithoutLiveValues()
{
    HWND w = CreateGraphWindow(0);
    AddFlatGraph(w, "Kraft", 2048);
    CHECK(WaitForFullRedraw(w));
    g_waitCursors = 0;
    CHECK(WaitForFullRedraw(w));
    CHECK_EQ(g_waitCursors, 1);
    _AddValue(w, 0, 100); // the full buffer starts again: a redraw follows
    CHECK(PumpUntil([w] { return _GetDataPtr(w)->bRedraw == 0; }, 3000));
    CHECK_EQ(g_waitCursors, 1);
    CHECK(WaitForFullRedraw(w));
    CHECK_EQ(g_waitCursors, 2);
    DestroyWindow(w);
}

// The image strip that cannot be loaded: the library's LoadBitmapA fails and
// its MessageBoxA is captured instead of shown.
std::string g_boxCaption, g_boxText;

HBITMAP WINAPI FailLoadBitmap(HINSTANCE, LPCSTR)
{
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return nullptr;
}

int WINAPI CaptureMessageBox(HWND, LPCSTR text, LPCSTR caption, UINT)
{
    g_boxText = text;
    g_boxCaption = caption;
    return IDOK;
}

void MissingImagesAreReported()
{
    HMODULE lib = GetModuleHandleA("varnok.dll");
    RedirectImport(lib, "user32.dll", "LoadBitmapA", reinterpret_cast<void*>(FailLoadBitmap));
    RedirectImport(lib, "user32.dll", "MessageBoxA", reinterpret_cast<void*>(CaptureMessageBox));
    HWND w = CreateGraphWindow(kListStyle);
    RedirectImport(lib, "user32.dll", "LoadBitmapA", reinterpret_cast<void*>(LoadBitmapA));
    RedirectImport(lib, "user32.dll", "MessageBoxA", reinterpret_cast<void*>(MessageBoxA));
    CHECK_STR(g_boxCaption, "varnok.dll - GetLastError()");
    CHECK_STR(g_boxText.substr(0, 34), "Windows-Errorcode\t\t1814\nhInst\t\t\t0x");
    CHECK(g_boxText.find("\nhwnd\t\t\t0x0") != std::string::npos);
    // The window is built all the same, readouts included.
    CHECK_EQ(SendMessageA(_GetDataPtr(w)->hGraphList, TVM_GETCOUNT, 0, 0), 6);
    DestroyWindow(w);
}

void CollapsedRangeDrawsNothingInThePlot()
{
    HWND w = CreateGraphWindow(0);
    AddFlatGraph(w, "Kraft", 2048);
    GraphData* d = _GetDataPtr(w);
    d->nZoomMinBit = d->nZoomMaxBit = 2048;
    CHECK(WaitForFullRedraw(w));
    Pixels px(w);
    // (the cursor line at time 0 stands on the frame's left edge)
    CHECK_EQ(px.CountInRect(kLeft + 1, kTop, kRight, kBottom, kBlue), 0);
    DestroyWindow(w);
}

// A window too low for the y divisions: the title, but no frame, grid or
// labels, and the plot rectangle of the last layout stays for the mouse.
void ShortPlotKeepsItsRectangle()
{
    HWND w = CreateGraphWindow(0);
    AddFlatGraph(w, "Kraft", 2048);
    CHECK(WaitForFullRedraw(w));
    GraphData* d = _GetDataPtr(w);
    const GraphPlotRect before = d->rcPlot;
    // 75 pixels: H = 73 leaves 3 pixels of plot height for 10 divisions.
    SetWindowPos(w, nullptr, 0, 0, 640, 75, SWP_NOMOVE | SWP_NOZORDER);
    CHECK(WaitForFullRedraw(w));
    CHECK(d->rcPlot.left == before.left && d->rcPlot.right == before.right &&
          d->rcPlot.top == before.top && d->rcPlot.bottom == before.bottom);
    Pixels px(w);
    CHECK(px.CountInRect(200, 10, 450, 25, kGrey) > 20); // the title
    // No black below the title but the gaps of the dotted cursor line, which
    // stands at time 0 on the kept rectangle's left edge.
    CHECK_EQ(px.CountInRect(0, kTop, kLeft - 1, 72, kBlack), 0);
    CHECK_EQ(px.CountInRect(kLeft + 1, kTop, 637, 72, kBlack), 0);
    Snapshot(w, "view_short");
    DestroyWindow(w);
}

void MarkersWhenZoomedIn()
{
    HWND w = CreateGraphWindow(0);
    AddFlatGraph(w, "Kraft", 2048);
    GraphData* d = _GetDataPtr(w);
    CHECK(WaitForFullRedraw(w));
    {
        Pixels px(w);
        CHECK_EQ(px.CountInRow(kMidY - 2, kLeft + 1, kRight, kBlue), 0); // 0.9 pixels a step
    }
    d->dZoomTimeMin = 0.0;
    d->dZoomTimeMax = 0.6; // 9.1 pixels a step: a square at each sample
    CHECK(WaitForFullRedraw(w));
    Pixels px(w);
    int squares = px.CountInRow(kMidY - 2, kLeft, kRight, kBlue);
    CHECK_RANGE(squares, 60 * 3, 61 * 5);
    CHECK_EQ(px.at(kLeft + 91, kMidY - 2), kBlue); // sample 10
    CHECK(px.at(kLeft + 91 + 5, kMidY - 2) != kBlue);
    ViewSnapshot(w, "view_markers");
    DestroyWindow(w);
}

void ZoomDragsClampAndReset()
{
    HWND w = CreateGraphWindow(0);
    AddFlatGraph(w, "Kraft", 2048);
    GraphData* d = _GetDataPtr(w);
    CHECK(WaitForFullRedraw(w));

    // Left to right, top to bottom: 1 s to 2 s, raw 3251 down to 2047.
    CHECK_EQ(Mouse(w, WM_LBUTTONDOWN, kLeft + 91, 100), 0);
    CHECK_EQ(d->bDragging, 1);
    CHECK(GetCapture() == w);
    CHECK_EQ(Mouse(w, WM_MOUSEMOVE, kLeft + 182, kMidY), 0);
    {
        Pixels px(w); // the inverted rubber band: white became black
        CHECK_EQ(px.at(kLeft + 120, 150), kBlack);
        CHECK_EQ(px.at(kLeft + 200, 150), kWhite);
    }
    ViewSnapshot(w, "view_zoom_drag");
    CHECK_EQ(Mouse(w, WM_LBUTTONUP, kLeft + 182, kMidY), 0);
    CHECK_EQ(d->bDragging, 0);
    CHECK(GetCapture() == nullptr);
    CHECK_NEAR(d->dZoomTimeMin, 1.0, 1e-12);
    CHECK_NEAR(d->dZoomTimeMax, 2.0, 1e-12);
    CHECK_EQ(d->nZoomMaxBit, 3251);
    CHECK_EQ(d->nZoomMinBit, 2047);
    CHECK(WaitForFullRedraw(w));
    {
        Pixels px(w); // the band is gone
        CHECK_EQ(px.at(kLeft + 120, 150), kWhite);
    }
    ViewSnapshot(w, "view_zoomed");

    // A click restores the full ranges; a second one changes nothing.
    Mouse(w, WM_LBUTTONDOWN, 300, 300);
    CHECK_EQ(Mouse(w, WM_LBUTTONUP, 300, 300), 0);
    CHECK(d->dZoomTimeMin == 0.0 && d->dZoomTimeMax == 6.0);
    CHECK(d->nZoomMinBit == 0 && d->nZoomMaxBit == 4095);
    CHECK(WaitForFullRedraw(w));
    Mouse(w, WM_LBUTTONDOWN, 300, 300);
    CHECK_EQ(Mouse(w, WM_LBUTTONUP, 300, 300), 1);
    CHECK_EQ(d->bRedraw, 0);
    CHECK_EQ(Mouse(w, WM_LBUTTONUP, 300, 300), 1); // nothing dragged

    // Right to left, bottom to top gives the same range.
    Mouse(w, WM_LBUTTONDOWN, kLeft + 182, kMidY);
    Mouse(w, WM_MOUSEMOVE, kLeft + 91, 100);
    Mouse(w, WM_LBUTTONUP, kLeft + 91, 100);
    CHECK_NEAR(d->dZoomTimeMin, 1.0, 1e-12);
    CHECK_NEAR(d->dZoomTimeMax, 2.0, 1e-12);
    CHECK_EQ(d->nZoomMaxBit, 3251);
    CHECK_EQ(d->nZoomMinBit, 2047);
    CHECK(WaitForFullRedraw(w));
    Mouse(w, WM_LBUTTONDOWN, 300, 300);
    Mouse(w, WM_LBUTTONUP, 300, 300);

    // A drag out of the window (negative coordinates) stops at the plot's edge.
    Mouse(w, WM_LBUTTONDOWN, kLeft + 91, kMidY);
    Mouse(w, WM_MOUSEMOVE, -50, 900);
    CHECK_EQ(d->rcDrag.right, kLeft);
    CHECK_EQ(d->rcDrag.bottom, kBottom);
    Mouse(w, WM_LBUTTONUP, -50, 900);
    CHECK_NEAR(d->dZoomTimeMin, 0.0, 1e-12);
    CHECK_NEAR(d->dZoomTimeMax, 1.0, 1e-12);
    CHECK_EQ(d->nZoomMinBit, 0);
    CHECK_EQ(d->nZoomMaxBit, 2047);

    // Outside the plot a press starts nothing.
    CHECK(WaitForFullRedraw(w));
    Mouse(w, WM_LBUTTONDOWN, 20, 20);
    CHECK_EQ(d->bDragging, 0);
    DestroyWindow(w);
}

void CursorClicksReadoutsAndArrowKeys()
{
    HWND w = CreateGraphWindow(kListStyle);
    AddFlatGraph(w, "Kraft", 2048);
    GraphData* d = _GetDataPtr(w);
    CHECK(WaitForFullRedraw(w));
    _SetCursorMode(w, 2);

    // One second is 66 pixels with the list shown (396 / 6).
    Mouse(w, WM_LBUTTONDOWN, kLeft + 66, 150);
    CHECK_NEAR(d->dCursorTime, 1.0, 1e-9);
    CHECK_STR(ReadoutText(w, "Cursor"), "00:00:01");
    CHECK_STR(ReadoutText(w, "Dist"), "00:00:01");
    CHECK_STR(ReadoutText(w, "Curs1"), "150.037 N");
    CHECK_STR(ReadoutText(w, "Curs2"), "-");
    CHECK(PumpUntil(
        [&] {
            Pixels px(w); // the dotted blue cursor line with black gaps
            return px.CountInRect(kLeft + 66, kTop + 1, kLeft + 66, kBottom - 1, kBlue) > 100;
        },
        3000));
    {
        Pixels px(w);
        CHECK(px.CountInRect(kLeft + 66, kTop + 1, kLeft + 66, kMidY - 2, kBlack) > 50);
    }
    CHECK_EQ(d->bRedraw, 0); // a cursor move repaints from the cached image
    ViewSnapshot(w, "view_cursor");
    Mouse(w, WM_LBUTTONDOWN, kLeft + 66, 150);
    CHECK_STR(ReadoutText(w, "Dist"), "00:00:00");

    // The arrows step one sample of graph 0; they beep at time 0 and beyond the end.
    g_defaultBeeps = 0;
    Mouse(w, WM_LBUTTONDOWN, kLeft, 150);
    CHECK_NEAR(d->dCursorTime, 0.0, 1e-12);
    SendMessageA(w, WM_KEYDOWN, VK_LEFT, 0);
    CHECK_EQ(g_defaultBeeps, 1);
    SendMessageA(w, WM_KEYDOWN, VK_RIGHT, 0);
    CHECK_NEAR(d->dCursorTime, 0.01, 1e-12);
    CHECK_STR(ReadoutText(w, "Cursor"), "00:00:00.010");
    SendMessageA(w, WM_KEYDOWN, VK_LEFT, 0);
    CHECK_NEAR(d->dCursorTime, 0.0, 1e-12);
    Mouse(w, WM_LBUTTONDOWN, kRightWithList - 1, 150); // 5.98 s
    CHECK_NEAR(d->dCursorTime, 5.98, 1e-9);
    SendMessageA(w, WM_KEYDOWN, VK_RIGHT, 0);
    SendMessageA(w, WM_KEYDOWN, VK_RIGHT, 0);
    CHECK_NEAR(d->dCursorTime, 6.0, 1e-9);
    CHECK_EQ(g_defaultBeeps, 1);
    SendMessageA(w, WM_KEYDOWN, VK_RIGHT, 0);
    CHECK_EQ(g_defaultBeeps, 2);
    CHECK_NEAR(d->dCursorTime, 6.0, 1e-9);

    // In zoom mode the arrows do nothing.
    _SetCursorMode(w, 1);
    SendMessageA(w, WM_KEYDOWN, VK_LEFT, 0);
    CHECK_NEAR(d->dCursorTime, 6.0, 1e-9);
    CHECK_EQ(g_defaultBeeps, 2);
    DestroyWindow(w);

    // Without graphs a click in cursor mode has no sample grid to snap to.
    w = CreateGraphWindow(kListStyle);
    CHECK(WaitForFullRedraw(w));
    _SetCursorMode(w, 2);
    Mouse(w, WM_LBUTTONDOWN, kLeft + 66, 150);
    CHECK_NEAR(_GetDataPtr(w)->dCursorTime, 0.0, 0.0);
    DestroyWindow(w);
}

void DoubleClicksShowAndHideGraphs()
{
    HWND w = CreateGraphWindow(kListStyle);
    const char* names[] = {"G1", "G2", "G3", "G4", "G5"};
    const int16_t raws[] = {2048, 1000, 3000, 500, 3500};
    for (int i = 0; i < 5; ++i)
        AddFlatGraph(w, names[i], raws[i]);
    GraphData* d = _GetDataPtr(w);
    HWND tree = d->hGraphList;
    for (int i = 1; i <= 3; ++i)
        DoubleClickItem(w, d->pGraphs[i]->hItem);
    CHECK(d->nShown[0] == 1 && d->nShown[1] == 2 && d->nShown[2] == 3 && d->nShown[3] == 4);
    CHECK_EQ(ReadTreeItem(tree, d->pGraphs[3]->hItem).image, 3);

    g_asteriskBeeps = 0;
    CHECK(WaitForFullRedraw(w));
    DoubleClickItem(w, d->pGraphs[4]->hItem); // a fifth: refused
    CHECK_EQ(g_asteriskBeeps, 1);
    CHECK_EQ(ReadTreeItem(tree, d->pGraphs[4]->hItem).image, 4);
    CHECK_EQ(d->bRedraw, 0);

    DoubleClickItem(w, d->pGraphs[1]->hItem); // hide G2: slot 1 is free
    CHECK_EQ(d->nShown[1], 0);
    CHECK_EQ(ReadTreeItem(tree, d->pGraphs[1]->hItem).image, 4);
    DoubleClickItem(w, d->pGraphs[4]->hItem); // G5 takes it, in green
    CHECK_EQ(d->nShown[1], 5);
    CHECK_EQ(ReadTreeItem(tree, d->pGraphs[4]->hItem).image, 1);
    CHECK(WaitForFullRedraw(w));
    {
        Pixels px(w); // raw 3500 at y = 370 - 290, raw 1000 (hidden) at 287
        CHECK(px.CountInRow(kBottom - 290, kLeft + 1, kRightWithList - 1, kGreen) > 300);
        CHECK_EQ(px.CountInRow(kBottom - 83, kLeft + 1, kRightWithList - 1, kGreen), 0);
    }
    // Items without graph data (the readouts) are not toggled.
    DoubleClickItem(w, static_cast<HTREEITEM>(GetPropA(tree, "Curs1")));
    CHECK_EQ(ReadTreeItem(tree, static_cast<HTREEITEM>(GetPropA(tree, "Curs1"))).image, 9);
    ViewSnapshot(w, "view_four_graphs");
    DestroyWindow(w);
}

void ToggleButtonWidensThePlot()
{
    HWND w = CreateGraphWindow(kListStyle);
    AddFlatGraph(w, "Kraft", 2048);
    GraphData* d = _GetDataPtr(w);
    CHECK(WaitForFullRedraw(w));
    CHECK_EQ(d->rcPlot.right, kRightWithList);
    HWND button = GetDlgItem(w, 100);
    SendMessageA(button, BM_CLICK, 0, 0);
    char text[8] = "";
    GetWindowTextA(button, text, sizeof text);
    CHECK_STR(text, "<");
    CHECK(!IsWindowVisible(d->hGraphList));
    CHECK(PumpUntil([d] { return d->bRedraw == 0; }, 3000));
    CHECK_EQ(d->rcPlot.right, kRight);
    ViewSnapshot(w, "view_list_hidden");
    SendMessageA(button, BM_CLICK, 0, 0);
    CHECK(PumpUntil([d] { return d->bRedraw == 0; }, 3000));
    CHECK_EQ(d->rcPlot.right, kRightWithList);
    DestroyWindow(w);
}

// The graph added without an item gets its text at the list's top level.
void InfoTextOfAGraphWithoutItem()
{
    HWND w = CreateGraphWindow(0);
    AddFlatGraph(w, "Kraft", 2048);
    HWND tree = _GetDataPtr(w)->hGraphList;
    CHECK_EQ(_AddInfoString(w, "Fmax 150 N", 0, 1), 1);
    HTREEITEM last = NextTreeItem(tree, TVGN_ROOT, nullptr);
    while (HTREEITEM n = NextTreeItem(tree, TVGN_NEXT, last))
        last = n;
    TreeItem t = ReadTreeItem(tree, last);
    CHECK_STR(t.text, "Fmax 150 N");
    CHECK_EQ(t.image, 5);
    DestroyWindow(w);
}

// ---- context menu and property view, driven from a timer inside their loops --

struct ModalCapture {
    std::string text;
    bool seen = false;
    int ticks = 0;
};
ModalCapture g_menu;
ModalCapture g_prop;

void CALLBACK CloseContextMenu(HWND, UINT, UINT_PTR id, DWORD)
{
    HWND menu = FindWindowA("#32768", nullptr);
    if (!menu && ++g_menu.ticks < 200)
        return;
    KillTimer(nullptr, id);
    g_menu.seen = menu && IsWindowVisible(menu);
    if (menu)
        Snapshot(menu, "graphlib_context_menu");
    EndMenu();
}

void CALLBACK ReadPropertyView(HWND, UINT, UINT_PTR id, DWORD)
{
    HWND dlg = FindWindowA("#32770", nullptr);
    if (!dlg && ++g_prop.ticks < 200)
        return;
    KillTimer(nullptr, id);
    if (!dlg)
        return;
    g_prop.seen = true;
    char title[80] = "";
    GetWindowTextA(dlg, title, sizeof title);
    HWND tree = GetDlgItem(dlg, 101);
    g_prop.text = std::string(title) + "\n";
    DumpTree(tree, NextTreeItem(tree, TVGN_ROOT, nullptr), 0, g_prop.text);
    g_prop.text += IsWindowEnabled(GetDlgItem(dlg, 102)) ? "edit enabled\n" : "edit disabled\n";
    char apply[40] = "";
    GetDlgItemTextA(dlg, 103, apply, sizeof apply);
    g_prop.text +=
        std::string(apply) + (IsWindowEnabled(GetDlgItem(dlg, 103)) ? " enabled\n" : " disabled\n");
    Snapshot(dlg, "graphlib_property_view");
    PostMessageA(dlg, WM_COMMAND, IDCANCEL, 0);
}

void ContextMenuCommandsAndPropertyView()
{
    HWND w = CreateGraphWindow(kListStyle, "Messung 1");
    AddFlatGraph(w, "Kraft", 2048);
    _AddGraph(w, "Weg", "mm", -5.0, 5.0, 0, 1000, 0.0016, 3750);
    GraphData* d = _GetDataPtr(w);
    CHECK(WaitForFullRedraw(w));

    g_menu = ModalCapture{};
    SetTimer(nullptr, 0, 30, CloseContextMenu);
    CHECK_EQ(SendMessageA(w, WM_RBUTTONUP, 0, MAKELPARAM(200, 150)), 0);
    CHECK(g_menu.seen);

    SendMessageA(w, WM_COMMAND, 1002, 0);
    CHECK_EQ(_GetCursorMode(w), 2);
    CHECK(GetMenuState(d->hPopupMenu, 1002, MF_BYCOMMAND) & MF_CHECKED);
    SendMessageA(w, WM_COMMAND, 1001, 0);
    CHECK_EQ(_GetCursorMode(w), 1);
    CHECK(GetMenuState(d->hPopupMenu, 1001, MF_BYCOMMAND) & MF_CHECKED);

    g_prop = ModalCapture{};
    SetTimer(nullptr, 0, 30, ReadPropertyView);
    CHECK_EQ(SendMessageA(w, WM_COMMAND, 1003, 0), 0);
    CHECK(g_prop.seen);
    CHECK_STR(g_prop.text, "Graph Werte \xE4ndern\n"
                           "Messung 1 #8\n"
                           "  Kraft #8\n"
                           "    Unit: N #4\n"
                           "    Time Base: 0.01000 sec #4\n"
                           "    Size: 1200 Byte #4\n"
                           "    Skalierung #4\n"
                           "      Min Value: 0.000 #4\n"
                           "      Max Value: 300.000 #4\n"
                           "  Weg #8\n"
                           "    Unit: mm #4\n"
                           "    Time Base: 0.00160 sec #4\n"
                           "    Size: 7500 Byte #4\n"
                           "    Skalierung #4\n"
                           "      Min Value: -5.000 #4\n"
                           "      Max Value: 5.000 #4\n"
                           "  Koordinaten #7\n"
                           "    X Linien: 6 #4\n"
                           "    Y Linien: 10 #4\n"
                           "    nTimeFormat: 1 #4\n"
                           "edit disabled\n"
                           "&\xDC"
                           "bernehmen disabled\n");
    DestroyWindow(w);
}

// A document-like window: three closings of a door from one second before
// the trigger, shown in their colours, the cursor on the first peak.
void MeasurementWindowAsTheUserSeesIt()
{
    HWND w = CreateGraphWindow(kListStyle | kEtchedStyle, "Messung 2 - Tuer vorne links");
    _SetGraphStyle(w, 8, 6, 10, -1.0, 5.0);
    const char* names[] = {"Messung 1", "Messung 2", "Messung 3"};
    for (int g = 0; g < 3; ++g) {
        _AddGraph(w, names[g], "N", 0.0, 300.0, 0, 4095, 0.0016, 3750);
        int16_t* p = _GetGraphDataPtr(w, g);
        for (int i = 0; i < 3750; ++i) {
            double t = (i - 625 - 40 * g) * 0.0016; // seconds after the trigger
            double pulse = t < 0 ? 0.0 : (t / 0.08) * std::exp(1.0 - t / 0.08);
            p[i] = static_cast<int16_t>(60 + (2600 - 300 * g) * pulse);
        }
        _SetGraphBuffEnd(w, 3750, g);
    }
    GraphData* d = _GetDataPtr(w);
    for (int g = 1; g < 3; ++g)
        DoubleClickItem(w, d->pGraphs[g]->hItem);
    _AddInfoString(w, "Fmax 190.5 N", 0, 1);
    CHECK(WaitForFullRedraw(w));
    _SetCursorMode(w, 2);
    // Near the peak of graph 1, 0.08 s after the trigger (1.08 s from sample 0).
    Mouse(w, WM_LBUTTONDOWN, kLeft + static_cast<int>(1.08 * 66), 100);
    CHECK_STR(ReadoutText(w, "Cursor"), "00:00:01.075");
    CHECK_STR(ReadoutText(w, "Curs4"), "-");
    CHECK(PumpUntilShown(w, 5000));
    ViewSnapshot(w, "view_measurement");
    DestroyWindow(w);
}

// ---- export --------------------------------------------------------------------

std::string ExportToFile(HWND w, const char* name)
{
    std::string path = g_tempDir + "\\" + name;
    HANDLE f = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written;
    WriteFile(f, "vorher", 6, &written, nullptr); // the export is appended
    CHECK_EQ(_ASCIIExport(w, f), 1);
    SetFilePointer(f, 0, nullptr, FILE_BEGIN);
    std::string content(GetFileSize(f, nullptr), '\0');
    DWORD got = 0;
    ReadFile(f, content.data(), static_cast<DWORD>(content.size()), &got, nullptr);
    CloseHandle(f);
    return content;
}

void ExportFilesByteForByte()
{
    HWND w = CreateGraphWindow(kListStyle);
    _AddGraph(w, "Kraft", "N", 0.0, 300.0, 0, 4095, 0.0016, 3);
    _AddGraph(w, "Weg", "mm", -5.0, 5.0, 0, 1000, 0.5, 2);
    int16_t* a = _GetGraphDataPtr(w, 0);
    a[0] = 0;
    a[1] = 2048;
    a[2] = 4095;
    int16_t* b = _GetGraphDataPtr(w, 1);
    b[0] = 1000; // nBuffEnd stays 0: the whole capacity is exported all the same
    CHECK_STR(ExportToFile(w, "export_a.txt"),
              "vorherSpalte 1: Zeit [s]\r\nSpalte 2: Kraft [N]\r\nSpalte 3: Weg [mm]\r\n"
              "\r\n\r\n----------------------------------\r\n"
              "0.0000\t0.000\t5.000\t\r\n"
              "0.0016\t150.037\t-5.000\t\r\n"
              "0.0032\t300.000\t\t\r\n");
    DestroyWindow(w);

    // Graph 0's capacity decides the rows.
    w = CreateGraphWindow(0);
    _AddGraph(w, "Kraft", "N", 0.0, 300.0, 0, 4095, 0.0016, 3750);
    _AddGraph(w, "Mittel", "N", 0.0, 300.0, 0, 4095, 0.0016, 6250);
    std::string text = ExportToFile(w, "export_b.txt");
    size_t rows = 0;
    for (size_t p = text.find("-\r\n") + 2; (p = text.find("\r\n", p + 1)) != std::string::npos;)
        ++rows;
    CHECK_EQ(rows, 3750u);
    CHECK(text.find("\r\n5.9984\t") != std::string::npos);
    CHECK(text.find("\r\n6.0000\t") == std::string::npos);
    DestroyWindow(w);

    w = CreateGraphWindow(0);
    CHECK_STR(ExportToFile(w, "export_c.txt"),
              "vorherSpalte 1: Zeit [s]\r\n\r\n\r\n----------------------------------\r\n");
    DestroyWindow(w);
}

// ---- printing --------------------------------------------------------------------

struct PrintBitmap {
    HDC dc;
    HBITMAP bmp;
    HGDIOBJ old;
    PrintBitmap(int width, int height)
    {
        dc = CreateCompatibleDC(nullptr);
        BITMAPINFO bi = {};
        bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
        bi.bmiHeader.biWidth = width;
        bi.bmiHeader.biHeight = -height;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 24;
        void* bits = nullptr;
        bmp = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
        old = SelectObject(dc, bmp);
        RECT all = {0, 0, width, height};
        FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    }
    void Save(const char* name) const { SnapshotBitmap(bmp, std::string("graphlib_") + name); }
    ~PrintBitmap()
    {
        SelectObject(dc, old);
        DeleteObject(bmp);
        DeleteDC(dc);
    }
    int Count(int x0, int y0, int x1, int y1, COLORREF c) const
    {
        int n = 0;
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x)
                n += GetPixel(dc, x, y) == c;
        return n;
    }
    // The longest run of colour c in row y.
    int LongestRun(int y, int width, COLORREF c) const
    {
        int best = 0, run = 0;
        for (int x = 0; x < width; ++x) {
            run = GetPixel(dc, x, y) == c ? run + 1 : 0;
            best = run > best ? run : best;
        }
        return best;
    }
};

void PrintGraphIntoAMemoryBitmap()
{
    HWND w = CreateGraphWindow(kListStyle, "Messung 1");
    AddFlatGraph(w, "Kraft", 2048);
    AddFlatGraph(w, "Weg", 1000);
    GraphData* d = _GetDataPtr(w);
    d->nShown[0] = 2; // the screen shows graph 2; paper always shows graph 0
    CHECK(WaitForFullRedraw(w));
    GraphPlotRect before = d->rcPlot;

    constexpr int kW = 900, kH = 600;
    PrintBitmap page(kW, kH);
    CHECK_EQ(_PrintGraph(w, page.dc, 80, 20, 800, 560), 1);
    CHECK(d->rcPlot.left == before.left && d->rcPlot.right == before.right &&
          d->rcPlot.top == before.top && d->rcPlot.bottom == before.bottom);
    CHECK_EQ(page.Count(0, 0, kW - 1, kH - 1, kBlue), 0);
    CHECK_EQ(page.Count(0, 0, kW - 1, kH - 1, kGrey), 0); // white text background
    // Solid black rows: the frame's top, graph 0 (raw 2048) half way down
    // (graph 1, raw 1000, would lie lower), the frame's bottom.
    std::vector<int> solidRows;
    for (int y = 0; y < kH; ++y) {
        if (page.LongestRun(y, kW, kBlack) > 400)
            solidRows.push_back(y);
    }
    CHECK_EQ(solidRows.size(), 3u);
    if (solidRows.size() == 3)
        CHECK_RANGE(solidRows[1], (solidRows[0] + solidRows[2]) / 2 - 1,
                    (solidRows[0] + solidRows[2]) / 2 + 1);
    page.Save("print_memory");

    // Too little height for the divisions: title and curve, but no axes.
    // The curve follows the plot rectangle of the last layout, the
    // window's: graph 0 (raw 2048) across it at kMidY.
    PrintBitmap strip(kW, 400);
    _PrintGraph(w, strip.dc, 20, 20, 860, 40);
    CHECK(strip.Count(0, 0, kW - 1, 40, kBlack) > 20); // the title
    int frameRows = 0;
    for (int y = 0; y < 400; ++y)
        frameRows += strip.LongestRun(y, kW, kBlack) > 700;
    CHECK_EQ(frameRows, 0);
    CHECK_RANGE(strip.LongestRun(kMidY, kW, kBlack), kRightWithList - kLeft - 10,
                kRightWithList - kLeft + 1);
    CHECK_EQ(strip.Count(kLeft, kMidY - 3, kRightWithList, kMidY - 3, kBlack), 0);
    DestroyWindow(w);
}

// A real print job to the printer "PDF"; the wrapper checks the page.
void PrintGraphThroughThePrinter()
{
    char printer[256] = "";
    DWORD size = sizeof printer;
    CHECK(GetDefaultPrinterA(printer, &size));
    HDC dc = CreateDCA(nullptr, printer, nullptr, nullptr);
    CHECK(dc != nullptr);
    if (!dc)
        return;
    HWND w = CreateGraphWindow(kListStyle, "Messung Drucker");
    AddFlatGraph(w, "Kraft", 2048);
    DOCINFOA doc = {};
    doc.cbSize = sizeof doc;
    doc.lpszDocName = "graphlib_print";
    CHECK(StartDocA(dc, &doc) > 0);
    CHECK(StartPage(dc) > 0);
    int width = GetDeviceCaps(dc, HORZRES), height = GetDeviceCaps(dc, VERTRES);
    CHECK_EQ(_PrintGraph(w, dc, width / 10, height / 10, width * 8 / 10, height / 3), 1);
    CHECK(EndPage(dc) > 0);
    CHECK(EndDoc(dc) > 0);
    DeleteDC(dc);
    DestroyWindow(w);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 1)
        SetSnapshotDir(argv[1]);
    g_tempDir = argc > 2 ? argv[2] : ".";
    LoadLibraryA("varnok.dll");
    CHECK(RedirectImport(GetModuleHandleA("varnok.dll"), "user32.dll", "MessageBeep",
                         reinterpret_cast<void*>(CountBeep)));
    CHECK(RedirectImport(GetModuleHandleA("varnok.dll"), "user32.dll", "SetCursor",
                         reinterpret_cast<void*>(CountSetCursor)));
    RunCase("PaintShowsCurveGridLabelsAndTitle", PaintShowsCurveGridLabelsAndTitle);
    RunCase("WaitCursorOnlyWithoutLiveValues", WaitCursorOnlyWithoutLiveValues);
    RunCase("MissingImagesAreReported", MissingImagesAreReported);
    RunCase("CollapsedRangeDrawsNothingInThePlot", CollapsedRangeDrawsNothingInThePlot);
    RunCase("ShortPlotKeepsItsRectangle", ShortPlotKeepsItsRectangle);
    RunCase("MarkersWhenZoomedIn", MarkersWhenZoomedIn);
    RunCase("ZoomDragsClampAndReset", ZoomDragsClampAndReset);
    RunCase("CursorClicksReadoutsAndArrowKeys", CursorClicksReadoutsAndArrowKeys);
    RunCase("DoubleClicksShowAndHideGraphs", DoubleClicksShowAndHideGraphs);
    RunCase("ToggleButtonWidensThePlot", ToggleButtonWidensThePlot);
    RunCase("InfoTextOfAGraphWithoutItem", InfoTextOfAGraphWithoutItem);
    RunCase("ContextMenuCommandsAndPropertyView", ContextMenuCommandsAndPropertyView);
    RunCase("MeasurementWindowAsTheUserSeesIt", MeasurementWindowAsTheUserSeesIt);
    RunCase("ExportFilesByteForByte", ExportFilesByteForByte);
    RunCase("PrintGraphIntoAMemoryBitmap", PrintGraphIntoAMemoryBitmap);
    RunCase("PrintGraphThroughThePrinter", PrintGraphThroughThePrinter);
    return Summary();
}
