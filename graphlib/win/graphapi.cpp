// The exported graph calls: the data model of a graph window and its graphs.
#include "graphdraw.h"
#include "globalmem.h"
#include "graphlist.h"
#include "graphstate.h"

#include <cstring>

namespace {

constexpr size_t kNameChars = sizeof(GraphRecord::szName) - 1;
constexpr size_t kUnitChars = sizeof(GraphRecord::szUnit) - 1;

// Copies at most maxChars characters and terminates.
void CopyText(char* dst, const char* src, size_t maxChars)
{
    size_t n = 0;
    if (src) {
        while (n < maxChars && src[n] != '\0')
            ++n;
        std::memcpy(dst, src, n);
    }
    dst[n] = '\0';
}

// The live segment goes straight onto the window; it is not part of the
// cached image.
void DrawLiveSegmentOnWindow(HWND hWnd, const GraphData* d, const GraphRecord* g, uint32_t end)
{
    HDC dc = GetDC(hWnd);
    if (!dc)
        return;
    DrawLiveSegment(dc, d, g, end);
    ReleaseDC(hWnd, dc);
}

void TakeWindowScaling(GraphData* d, const GraphRecord* g)
{
    d->dMinValue = g->dMinValue;
    d->dMaxValue = g->dMaxValue;
    d->nMaxBit = g->nMaxBit;
    d->nMinBit = g->nMinBit;
    d->nShown[0] = 1;
}

} // namespace

extern "C" {

VARNOK_API GraphData* _GetDataPtr(HWND hGraphWnd)
{
    return GraphDataOf(hGraphWnd);
}

VARNOK_API int16_t* _GetGraphDataPtr(HWND hGraphWnd, int nIndex)
{
    GraphRecord* g = GraphAt(GraphDataOf(hGraphWnd), nIndex);
    return g ? g->pData : nullptr;
}

VARNOK_API int _AddGraph(HWND hGraphWnd, LPCSTR szName, LPCSTR szUnit, double dMinValue,
                         double dMaxValue, int16_t nMinBit, int16_t nMaxBit, double dTimeBase,
                         int32_t nSize)
{
    SetDirtyFlag(hGraphWnd, 1);
    GraphData* d = GraphDataOf(hGraphWnd);
    if (!d || d->nGraphs >= GRAPH_MAX_GRAPHS || nSize < 0)
        return 0;
    GraphRecord* g = static_cast<GraphRecord*>(AllocLocked(sizeof(GraphRecord)));
    if (!g)
        return 0;
    // A zero capacity still gets a buffer, so pData is never null.
    g->pData = static_cast<int16_t*>(AllocLocked(nSize > 0 ? static_cast<size_t>(nSize) * 2 : 2));
    if (!g->pData) {
        FreeLocked(g);
        return 0;
    }
    g->nBuffEnd = 0;
    CopyText(g->szName, szName, kNameChars);
    CopyText(g->szUnit, szUnit, kUnitChars);
    g->dMinValue = dMinValue;
    g->dMaxValue = dMaxValue;
    g->nMinBit = nMinBit;
    g->nMaxBit = nMaxBit;
    g->dTimeBase = dTimeBase;
    g->nSize = nSize;

    bool first = d->nGraphs == 0;
    if (first)
        TakeWindowScaling(d, g);
    if (GetWindowLongPtrA(hGraphWnd, GWL_STYLE) & kGraphStyleGraphList)
        g->hItem = InsertGraphItem(d->hGraphList, g->szName, first ? kImageSlot0 : kImageNotShown,
                                   d->nGraphs + 1);
    d->pGraphs[d->nGraphs] = g;
    d->nGraphs++;
    return 1;
}

VARNOK_API int _AddValue(HWND hGraphWnd, int nIndex, int16_t nValue)
{
    g_bWaitCursorArmed = false;
    GraphData* d = GraphDataOf(hGraphWnd);
    GraphRecord* g = GraphAt(d, nIndex);
    if (!g || g->nSize <= 0)
        return 1;
    if (g->nBuffEnd >= static_cast<uint32_t>(g->nSize)) { // full: start again at the left
        g->nBuffEnd = 0;
        InvalidateGraphWindow(hGraphWnd, d);
    }
    uint32_t end = g->nBuffEnd;
    g->pData[end] = nValue;
    if (end != 0)
        DrawLiveSegmentOnWindow(hGraphWnd, d, g, end);
    g->nBuffEnd = end + 1;
    return 1;
}

VARNOK_API int _SetGraphBuffEnd(HWND hGraphWnd, uint32_t nBuffEnd, int nIndex)
{
    GraphData* d = GraphDataOf(hGraphWnd);
    GraphRecord* g = GraphAt(d, nIndex);
    if (!g || g->nSize < 0 || nBuffEnd > static_cast<uint32_t>(g->nSize))
        return 0;
    g->nBuffEnd = nBuffEnd;
    InvalidateGraphWindow(hGraphWnd, d);
    return 1;
}

VARNOK_API void _SetGraphStyle(HWND hGraphWnd, int nStyle, uint32_t nXLines, uint32_t nYLines,
                               double dStart, double dEnd)
{
    GraphData* d = GraphDataOf(hGraphWnd);
    if (!d)
        return;
    d->nStyle = nStyle;
    d->nXLines = nXLines;
    d->nYLines = nYLines;
    d->dTimeMin = d->dZoomTimeMin = dStart;
    d->dTimeMax = d->dZoomTimeMax = dEnd;
}

VARNOK_API int _AddInfoString(HWND hGraphWnd, LPCSTR szText, int nIndex, int bExpand)
{
    GraphData* d = GraphDataOf(hGraphWnd);
    GraphRecord* g = GraphAt(d, nIndex);
    if (!g)
        return 0;
    const char* text = szText ? szText : "";
    // A graph added while the list was hidden has no item: its text goes in
    // at the list's top level.
    if (g->hItem)
        InsertInfoItem(d->hGraphList, g->hItem, text, bExpand != 0);
    else
        InsertTopLevelInfoItem(d->hGraphList, text);
    return 1;
}

VARNOK_API void _SetCursorMode(HWND hGraphWnd, int nMode)
{
    GraphData* d = GraphDataOf(hGraphWnd);
    if (!d)
        return;
    d->nCursorMode = nMode;
    CheckCursorModeMenu(d->hPopupMenu, nMode);
}

VARNOK_API int _GetCursorMode(HWND hGraphWnd)
{
    GraphData* d = GraphDataOf(hGraphWnd);
    return d ? d->nCursorMode : 0;
}

} // extern "C"
