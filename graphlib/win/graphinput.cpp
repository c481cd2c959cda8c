#include "graphinput.h"

#include "graphdraw.h"
#include "graphlist.h"
#include "graphstate.h"

namespace {

bool InZoomMode(const GraphData* d)
{
    return d->nCursorMode == kCursorModeZoom;
}

// The rubber band is inverted, so drawing it again removes it.
void InvertDragRectangle(HWND hWnd, const RECT& drag)
{
    RECT r = {drag.left < drag.right ? drag.left : drag.right,
              drag.top < drag.bottom ? drag.top : drag.bottom,
              drag.left < drag.right ? drag.right : drag.left,
              drag.top < drag.bottom ? drag.bottom : drag.top};
    HDC dc = GetDC(hWnd);
    InvertRect(dc, &r);
    ReleaseDC(hWnd, dc);
}

void InvalidateWithoutErasing(HWND hWnd)
{
    InvalidateRect(hWnd, nullptr, FALSE);
}

void SetCursorReadouts(HWND hList, const GraphData* d, double previous)
{
    SetReadoutText(hList, kReadoutCursor, klv::FormatTimeHms(d->dCursorTime).c_str());
    double distance = d->dCursorTime - previous;
    SetReadoutText(hList, kReadoutDistance,
                   klv::FormatTimeHms(distance < 0 ? -distance : distance).c_str());
    for (int slot = 0; slot < 4; ++slot) {
        const GraphRecord* g = GraphAt(d, d->nShown[slot] - 1);
        std::string text = g ? klv::FormatReadout(g->pData, g->nSize, g->dTimeBase, d->dCursorTime,
                                                  g->nMaxBit, g->dMinValue, g->dMaxValue, g->szUnit)
                             : std::string("-");
        SetReadoutText(hList, kReadoutSlot0 + slot, text.c_str());
    }
}

// The cursor time is counted from sample 0, as the cursor line and the
// readouts read it.
void PlaceCursor(HWND hWnd, GraphData* d, double t)
{
    double previous = d->dCursorTime;
    d->dCursorTime = t;
    SetCursorReadouts(d->hGraphList, d, previous);
    InvalidateWithoutErasing(hWnd);
}

void StartZoomDrag(HWND hWnd, GraphData* d, int x, int y)
{
    SetCapture(hWnd);
    d->bDragging = 1;
    d->rcDrag = {x, y, x, y};
}

// A click places the cursor on the sample grid of graph 0. A window without
// graphs has no grid: the click does nothing there.
void ClickCursor(HWND hWnd, GraphData* d, int x)
{
    const GraphRecord* g0 = GraphAt(d, 0);
    if (!g0)
        return;
    double fromSampleZero = klv::PlotXToTime(PlotFrameOf(d), x) - d->dTimeMin;
    PlaceCursor(hWnd, d, klv::SnapToSample(fromSampleZero, g0->dTimeBase));
}

bool ShowsFullRanges(const GraphData* d)
{
    return d->dZoomTimeMin == d->dTimeMin && d->dZoomTimeMax == d->dTimeMax &&
           d->nZoomMinBit == d->nMinBit && d->nZoomMaxBit == d->nMaxBit;
}

// The graph takes the lowest free display slot and its colour; with all four
// slots taken the user hears the asterisk and nothing changes.
bool ShowGraph(HWND hList, GraphData* d, const GraphListItem& item)
{
    for (int slot = 0; slot < 4; ++slot) {
        if (d->nShown[slot] == 0) {
            d->nShown[slot] = static_cast<int32_t>(item.data);
            SetItemImage(hList, item.item, kImageSlot0 + slot);
            return true;
        }
    }
    MessageBeep(MB_ICONASTERISK);
    return false;
}

void HideGraph(HWND hList, GraphData* d, const GraphListItem& item)
{
    SetItemImage(hList, item.item, kImageNotShown);
    for (int32_t& slot : d->nShown) {
        if (slot == item.data)
            slot = 0;
    }
}

} // namespace

void OnGraphLButtonDown(HWND hWnd, int x, int y)
{
    GraphData* d = GraphDataOf(hWnd);
    if (!d)
        return;
    // The arrow keys move the cursor of the window last clicked.
    if (GetFocus() != hWnd)
        SetFocus(hWnd);
    if (!klv::PlotContains(PlotFrameOf(d), x, y))
        return;
    if (InZoomMode(d))
        StartZoomDrag(hWnd, d, x, y);
    else
        ClickCursor(hWnd, d, x);
}

bool OnGraphMouseMove(HWND hWnd, int x, int y)
{
    GraphData* d = GraphDataOf(hWnd);
    if (!d || !d->bDragging)
        return false;
    InvertDragRectangle(hWnd, d->rcDrag);
    klv::PlotPoint p = klv::ClampToPlot(PlotFrameOf(d), x, y);
    d->rcDrag.right = p.x;
    d->rcDrag.bottom = p.y;
    InvertDragRectangle(hWnd, d->rcDrag);
    return true;
}

LRESULT OnGraphLButtonUp(HWND hWnd)
{
    GraphData* d = GraphDataOf(hWnd);
    if (!d || !d->bDragging)
        return 1;
    ReleaseCapture();
    d->bDragging = 0;
    InvertDragRectangle(hWnd, d->rcDrag);
    const RECT& r = d->rcDrag;
    if (r.left == r.right || r.top == r.bottom) {
        if (ShowsFullRanges(d))
            return 1;
        d->dZoomTimeMin = d->dTimeMin;
        d->dZoomTimeMax = d->dTimeMax;
        d->nZoomMinBit = d->nMinBit;
        d->nZoomMaxBit = d->nMaxBit;
    } else {
        klv::ZoomRange z = klv::ZoomToRectangle(PlotFrameOf(d), r.left, r.top, r.right, r.bottom);
        d->dZoomTimeMin = z.dZoomTimeMin;
        d->dZoomTimeMax = z.dZoomTimeMax;
        d->nZoomMinBit = static_cast<int16_t>(z.nZoomMinBit);
        d->nZoomMaxBit = static_cast<int16_t>(z.nZoomMaxBit);
    }
    InvalidateGraphWindow(hWnd, d);
    return 0;
}

void OnGraphKeyDown(HWND hWnd, WPARAM key)
{
    GraphData* d = GraphDataOf(hWnd);
    if (!d || InZoomMode(d) || (key != VK_LEFT && key != VK_RIGHT))
        return;
    const GraphRecord* g = GraphAt(d, d->nShown[0] - 1);
    if (!g)
        return;
    double next = 0.0;
    bool moved = key == VK_LEFT ? klv::StepCursorLeft(d->dCursorTime, g->dTimeBase, &next)
                                : klv::StepCursorRight(d->dCursorTime, g->dTimeBase, d->dTimeMin,
                                                       d->dZoomTimeMax, &next);
    if (moved)
        PlaceCursor(hWnd, d, next);
    else
        MessageBeep(MB_OK);
}

void OnGraphListDoubleClick(HWND hWnd)
{
    GraphData* d = GraphDataOf(hWnd);
    GraphListItem item;
    if (!d || !GetSelectedItem(d->hGraphList, &item) || item.data == 0)
        return;
    if (item.image == kImageNotShown) {
        if (!ShowGraph(d->hGraphList, d, item))
            return;
    } else {
        HideGraph(d->hGraphList, d, item);
    }
    InvalidateGraphWindow(hWnd, d);
}
