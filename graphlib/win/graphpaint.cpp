// Painting a graph window: the full redraw into an off-screen image that is
// kept as "BITMAP" while the window has the focus, and the fast path that
// copies that image and draws only the cursor line anew.
#include "graphpaint.h"

#include "drawobjects.h"
#include "graphdraw.h"
#include "graphstate.h"

namespace {

// Layout of the screen plot: the axis area starts at (60, 30); the labels
// take 90 pixels of the width (240 with the graph list) and 70 of the height.
constexpr int kAxisLeft = 60;
constexpr int kAxisTop = 30;
constexpr int kWidthTakenWithList = 240;
constexpr int kWidthTaken = 90;
constexpr int kHeightTaken = 70;
constexpr int kTitleY = 10;
constexpr int kXLabelOffset = 7;
constexpr int kAxisTitleOffset = 25;

bool HasStyle(HWND hWnd, LONG_PTR bit)
{
    return (GetWindowLongPtrA(hWnd, GWL_STYLE) & bit) != 0;
}

// The parent draws around its children, never over them.
void ClipOutChildren(HWND hWnd, HDC dc)
{
    for (HWND child = GetWindow(hWnd, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (!IsWindowVisible(child))
            continue;
        RECT r;
        GetWindowRect(child, &r);
        MapWindowPoints(nullptr, hWnd, reinterpret_cast<POINT*>(&r), 2);
        ExcludeClipRect(dc, r.left, r.top, r.right, r.bottom);
    }
}

void CopyImageToWindow(HWND hWnd, HDC windowDc, HDC imageDc, int width, int height)
{
    int saved = SaveDC(windowDc);
    ClipOutChildren(hWnd, windowDc);
    BitBlt(windowDc, 0, 0, width, height, imageDc, 0, 0, SRCCOPY);
    RestoreDC(windowDc, saved);
}

void DrawTitle(HDC dc, HWND hWnd, int width, bool withList)
{
    char title[80] = "";
    int n = GetWindowTextA(hWnd, title, sizeof title);
    int saved = SaveDC(dc);
    SelectObject(dc, g_drawObjects.hLabelFont);
    SetTextAlign(dc, TA_CENTER | TA_TOP);
    SetBkMode(dc, OPAQUE);
    SetBkColor(dc, kScreenTextBackground);
    int x = (width - (withList ? kWidthTakenWithList : kWidthTaken)) / 2 + kAxisLeft;
    TextOutA(dc, x, kTitleY, title, n);
    RestoreDC(dc, saved);
}

// Everything but the cursor line, onto dc. False when the window is hidden
// (only the title is drawn then).
bool DrawGraphWindow(HWND hWnd, HDC dc, GraphData* d)
{
    RECT outer;
    GetWindowRect(hWnd, &outer);
    int width = outer.right - outer.left - 2;
    int height = outer.bottom - outer.top - 2;
    bool withList = HasStyle(hWnd, kGraphStyleGraphList);
    DrawTitle(dc, hWnd, width, withList);
    if (!IsWindowVisible(hWnd))
        return false;
    if (HasStyle(hWnd, kGraphStyleEtchedFrame)) {
        RECT edge = {1, 1, width, height};
        DrawEdge(dc, &edge, EDGE_ETCHED, BF_RECT);
    }
    AxisDrawStyle style = {g_drawObjects.hLabelFont, kScreenTextBackground, kXLabelOffset,
                           kAxisTitleOffset, ShownUnitLabel(d)};
    DrawGraphAxes(dc, d, kAxisLeft, kAxisTop,
                  width - (withList ? kWidthTakenWithList : kWidthTaken), height - kHeightTaken,
                  style);
    DrawShownCurves(dc, d);
    return true;
}

// The image a full redraw draws into: the previous one when it has the
// client's size (it is replaced anyway), else a new one.
HBITMAP TakeImageForRedraw(HWND hWnd, HDC dc, int width, int height)
{
    HBITMAP old = static_cast<HBITMAP>(RemovePropA(hWnd, kPropBitmap));
    BITMAP info;
    if (old && GetObjectA(old, sizeof info, &info) && info.bmWidth == width &&
        info.bmHeight == height)
        return old;
    if (old)
        DeleteObject(old);
    return CreateCompatibleBitmap(dc, width, height);
}

// The full redraw: drawn off screen, copied to the window, and kept as the
// cached image only while the window has the keyboard focus.
void RedrawGraphWindow(HWND hWnd, HDC dc, GraphData* d)
{
    if (g_bWaitCursorArmed)
        SetCursor(LoadCursor(nullptr, IDC_WAIT));
    g_bWaitCursorArmed = true;

    RECT client;
    GetClientRect(hWnd, &client);
    HDC imageDc = CreateCompatibleDC(dc);
    HBITMAP image = TakeImageForRedraw(hWnd, dc, client.right, client.bottom);
    HGDIOBJ oldImage = SelectObject(imageDc, image);
    FillRect(imageDc, &client, GetSysColorBrush(COLOR_WINDOW));
    bool visible = DrawGraphWindow(hWnd, imageDc, d);
    CopyImageToWindow(hWnd, dc, imageDc, client.right, client.bottom);
    SelectObject(imageDc, oldImage);
    DeleteDC(imageDc);
    if (!visible) {
        DeleteObject(image);
        return;
    }
    if (GetFocus() == hWnd)
        SetPropA(hWnd, kPropBitmap, image);
    else
        DeleteObject(image);
    SetCursor(LoadCursor(nullptr, IDC_ARROW));
    DrawCursorLine(dc, d);
    d->bRedraw = 0;
}

void CopyCachedImage(HWND hWnd, HDC dc, HBITMAP image)
{
    RECT client;
    GetClientRect(hWnd, &client);
    HDC imageDc = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(imageDc, image);
    CopyImageToWindow(hWnd, dc, imageDc, client.right, client.bottom);
    SelectObject(imageDc, old);
    DeleteDC(imageDc);
}

} // namespace

LRESULT PaintGraphWindow(HWND hWnd)
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hWnd, &ps);
    GraphData* d = GraphDataOf(hWnd);
    if (!d || !d->bPaintEnabled) {
        EndPaint(hWnd, &ps);
        return 0;
    }
    HBITMAP image = static_cast<HBITMAP>(GetPropA(hWnd, kPropBitmap));
    if (image && !d->bRedraw) {
        CopyCachedImage(hWnd, dc, image);
        EndPaint(hWnd, &ps);
        HDC own = GetDC(hWnd);
        DrawCursorLine(own, d);
        ReleaseDC(hWnd, own);
        return 0;
    }
    RedrawGraphWindow(hWnd, dc, d);
    EndPaint(hWnd, &ps);
    return 0;
}
