// graphstate.cpp - the graph window's shared names and block access.
#include "graphstate.h"

#include <cstddef>

const char kGraphClassName[] = "GraphWindow";
const char kPropGraphData[] = "GraphData";
const char kPropDirty[] = "Dirty";
const char kPropBitmap[] = "BITMAP";

HINSTANCE g_hLibInstance;
bool g_bWaitCursorArmed;

#if !defined(_WIN64)
// The 32-bit records are the byte images of graph files.
static_assert(sizeof(GraphRecord) == 84 && offsetof(GraphRecord, dTimeBase) == 8 &&
              offsetof(GraphRecord, nMinBit) == 32 && offsetof(GraphRecord, szUnit) == 36 &&
              offsetof(GraphRecord, szName) == 46 && offsetof(GraphRecord, pData) == 76 &&
              offsetof(GraphRecord, hItem) == 80);
static_assert(sizeof(GraphData) == 5284 && offsetof(GraphData, rcPlot) == 8 &&
              offsetof(GraphData, dTimeMin) == 16 && offsetof(GraphData, nXLines) == 72 &&
              offsetof(GraphData, szAxisLabel) == 80 && offsetof(GraphData, bDragging) == 100 &&
              offsetof(GraphData, rcDrag) == 120 && offsetof(GraphData, hPopupMenu) == 136 &&
              offsetof(GraphData, hGraphList) == 140 && offsetof(GraphData, nTimeFormat) == 144 &&
              offsetof(GraphData, nGraphs) == 148 && offsetof(GraphData, nShown) == 152 &&
              offsetof(GraphData, nStyle) == 172 && offsetof(GraphData, szNotes) == 176 &&
              offsetof(GraphData, nCursorMode) == 1176 &&
              offsetof(GraphData, dCursorTime) == 1180 && offsetof(GraphData, pGraphs) == 1188);
#endif

namespace {

// The live curve looks its window's block up for every block of samples; the
// last window found is remembered per thread (graph calls run on the thread
// that owns the window, which is also the one that destroys it).
thread_local HWND t_lastGraphWnd;
thread_local GraphData* t_lastGraphData;

} // namespace

GraphData* GraphDataOf(HWND hGraphWnd)
{
    if (hGraphWnd && hGraphWnd == t_lastGraphWnd)
        return t_lastGraphData;
    GraphData* d = static_cast<GraphData*>(GetPropA(hGraphWnd, kPropGraphData));
    if (d) {
        t_lastGraphWnd = hGraphWnd;
        t_lastGraphData = d;
    }
    return d;
}

void ForgetGraphData(HWND hGraphWnd)
{
    if (hGraphWnd == t_lastGraphWnd) {
        t_lastGraphWnd = nullptr;
        t_lastGraphData = nullptr;
    }
}

GraphRecord* GraphAt(const GraphData* pData, int index)
{
    if (!pData || index < 0 || index >= pData->nGraphs || index >= GRAPH_MAX_GRAPHS)
        return nullptr;
    return pData->pGraphs[index];
}

void InvalidateGraphWindow(HWND hGraphWnd, GraphData* pData)
{
    if (pData)
        pData->bRedraw = 1;
    InvalidateRect(hGraphWnd, nullptr, TRUE);
}

void SetDirtyFlag(HWND hGraphWnd, INT_PTR value)
{
    SetPropA(hGraphWnd, kPropDirty, reinterpret_cast<HANDLE>(value));
}

INT_PTR GetDirtyFlag(HWND hGraphWnd)
{
    return reinterpret_cast<INT_PTR>(GetPropA(hGraphWnd, kPropDirty));
}

void CheckCursorModeMenu(HMENU hMenu, int mode)
{
    if (!hMenu)
        return;
    bool zoom = mode == kCursorModeZoom;
    CheckMenuItem(hMenu, kCmdZoom, MF_BYCOMMAND | (zoom ? MF_CHECKED : MF_UNCHECKED));
    CheckMenuItem(hMenu, kCmdCursor, MF_BYCOMMAND | (zoom ? MF_UNCHECKED : MF_CHECKED));
}
