// The one drawing routine of a graph window: axes with grid and labels, the
// curves, the cursor line and the live segments, on any device context. The
// screen (and its cached image) and the printer differ only in the fonts,
// the text background and where the x labels and the axis title stand.
#ifndef GRAPHDRAW_H
#define GRAPHDRAW_H

#include "varnok.h"

#include "plotmodel.h"

#include <string>

// What differs between drawing on the screen and on the printer.
struct AxisDrawStyle {
    HFONT hLabelFont;
    COLORREF textBackground;
    int xLabelOffset;    // x labels this far below the plot's bottom
    int axisTitleOffset; // x-axis title this far below the plot's bottom
    std::string unitLabel;
};

// The light grey behind the screen's texts.
constexpr COLORREF kScreenTextBackground = RGB(192, 192, 192);

// The window's plot rectangle and displayed ranges.
klv::PlotFrame PlotFrameOf(const GraphData* d);

// The y unit label of the graphs in the display slots.
std::string ShownUnitLabel(const GraphData* d);

// Frame, grid and labels in the area; sets rcPlot. False (nothing drawn,
// rcPlot kept) when the area is too small for the divisions.
bool DrawGraphAxes(HDC dc, GraphData* d, int left, int top, int width, int height,
                   const AxisDrawStyle& style);

// The curve of graph g with pen and marker brush, clipped to rcPlot (its
// bottom line included).
void DrawGraphCurve(HDC dc, const GraphData* d, const GraphRecord* g, HPEN pen, HBRUSH brush);

// The curves of the four display slots in their colours.
void DrawShownCurves(HDC dc, const GraphData* d);

// The dotted measuring cursor at dCursorTime, top to bottom of the plot.
void DrawCursorLine(HDC dc, const GraphData* d);

// The line from sample end - 1 to sample end of graph g in slot 0's colour.
void DrawLiveSegment(HDC dc, const GraphData* d, const GraphRecord* g, uint32_t end);

// The lines joining samples first .. last of graph g in slot 0's colour, as
// one polyline: the same pixels as DrawLiveSegment for each of them.
void DrawLiveRun(HDC dc, const GraphData* d, const GraphRecord* g, uint32_t first, uint32_t last);

#endif
