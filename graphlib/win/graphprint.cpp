// _PrintGraph: title, axes and graph 0 of a window into a rectangle of a
// printer's device context, with the screen's drawing routine.
#include "drawobjects.h"
#include "graphdraw.h"
#include "graphstate.h"

#include <string>

namespace {

constexpr int kTitlePoints = 9;
constexpr int kLabelPoints = 7;

HFONT CreatePrinterFont(HDC dc, int points)
{
    int height = -MulDiv(points, GetDeviceCaps(dc, LOGPIXELSY), 72);
    return CreateFontA(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       DEFAULT_PITCH | FF_SWISS, "Arial");
}

int LineHeight(const TEXTMETRICA& tm)
{
    return tm.tmHeight + tm.tmExternalLeading;
}

// On paper the unit is graph 0's, whatever the display slots hold.
std::string PrintedUnitLabel(const GraphData* d)
{
    const GraphRecord* g = GraphAt(d, 0);
    if (!g)
        return std::string();
    return "[" + std::string(g->szUnit, strnlen(g->szUnit, sizeof g->szUnit)) + "]";
}

void PrintTitle(HDC dc, const GraphData* d, const char* title, int y)
{
    SetTextAlign(dc, TA_CENTER | TA_TOP);
    SetBkColor(dc, RGB(255, 255, 255));
    int x = d->rcPlot.left + (d->rcPlot.right - d->rcPlot.left) / 2;
    TextOutA(dc, x, y, title, lstrlenA(title));
}

} // namespace

extern "C" VARNOK_API int _PrintGraph(HWND hGraphWnd, HDC hDC, int x, int y, int cx, int cy)
{
    GraphData* d = GraphDataOf(hGraphWnd);
    if (!d || !hDC)
        return 0;
    HFONT titleFont = CreatePrinterFont(hDC, kTitlePoints);
    HFONT labelFont = CreatePrinterFont(hDC, kLabelPoints);
    int saved = SaveDC(hDC);
    char title[80] = "";
    GetWindowTextA(hGraphWnd, title, sizeof title);

    TEXTMETRICA titleMetrics, labelMetrics;
    SelectObject(hDC, titleFont);
    GetTextMetricsA(hDC, &titleMetrics);
    SelectObject(hDC, labelFont);
    GetTextMetricsA(hDC, &labelMetrics);
    int h = LineHeight(titleMetrics);
    int m = labelMetrics.tmMaxCharWidth;

    // The mappings read the plot rectangle from the block; the window's own
    // comes back afterwards, so its mouse handling and cached image stay right.
    GraphPlotRect windowPlot = d->rcPlot;
    AxisDrawStyle style = {labelFont, RGB(255, 255, 255), 1, LineHeight(labelMetrics),
                           PrintedUnitLabel(d)};
    DrawGraphAxes(hDC, d, x, y + h + h / 2, cx - 5 * m, cy - 3 * h, style);
    SelectObject(hDC, titleFont);
    PrintTitle(hDC, d, title, y + h / 2);
    if (const GraphRecord* g = GraphAt(d, 0))
        DrawGraphCurve(hDC, d, g, g_drawObjects.hSlotPens[3], g_drawObjects.hSlotBrushes[3]);
    d->rcPlot = windowPlot;

    RestoreDC(hDC, saved);
    DeleteObject(titleFont);
    DeleteObject(labelFont);
    return 1;
}
