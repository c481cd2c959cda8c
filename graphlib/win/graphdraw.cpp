#include "graphdraw.h"

#include "drawobjects.h"
#include "graphstate.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

void TextAt(HDC dc, int x, int y, const std::string& text)
{
    TextOutA(dc, x, y, text.c_str(), static_cast<int>(text.size()));
}

// The curve may not leave the plot; its bottom line belongs to it.
void ClipToPlot(HDC dc, const GraphData* d)
{
    IntersectClipRect(dc, d->rcPlot.left, d->rcPlot.top, d->rcPlot.right, d->rcPlot.bottom + 1);
}

// Only the samples a graph holds are drawn, whatever its fill level says.
uint32_t DrawableSamples(const GraphRecord* g)
{
    uint32_t size = g->nSize > 0 ? static_cast<uint32_t>(g->nSize) : 0;
    return g->nBuffEnd < size ? g->nBuffEnd : size;
}

void StoreAxisTitle(GraphData* d, const char* title)
{
    if (!title)
        return;
    std::strncpy(d->szAxisLabel, title, sizeof d->szAxisLabel - 1);
    d->szAxisLabel[sizeof d->szAxisLabel - 1] = '\0';
}

void DrawXGrid(HDC dc, GraphData* d, const klv::AxisLayout& a, const AxisDrawStyle& style)
{
    SetTextAlign(dc, TA_CENTER | TA_TOP);
    for (unsigned k = 0;; ++k) {
        int x = a.left + static_cast<int>(k) * a.xStep;
        if (x > a.right)
            break;
        if (x != a.left && x != a.right) {
            MoveToEx(dc, x, a.top, nullptr);
            LineTo(dc, x, a.bottom - 1);
        }
        klv::XLabel label = klv::FormatXLabel(
            d->nStyle, klv::XGridTime(d->dZoomTimeMin, d->dZoomTimeMax, d->nXLines, k));
        StoreAxisTitle(d, label.title);
        TextAt(dc, x, a.bottom + style.xLabelOffset, label.text);
    }
    TextAt(dc, a.left + (a.right - a.left) / 2, a.bottom + style.axisTitleOffset, d->szAxisLabel);
}

void DrawYGrid(HDC dc, const GraphData* d, const klv::AxisLayout& a, const AxisDrawStyle& style)
{
    SetTextAlign(dc, TA_RIGHT | TA_BASELINE);
    double bottomValue = klv::RawToPhysical(d->nZoomMinBit, d->nMaxBit, d->dMinValue, d->dMaxValue);
    double topValue = klv::RawToPhysical(d->nZoomMaxBit, d->nMaxBit, d->dMinValue, d->dMaxValue);
    for (unsigned k = d->nYLines + 1; k-- > 0;) {
        int y = a.top + static_cast<int>(d->nYLines - k) * a.yStep;
        if (y != a.top && y != a.bottom) {
            MoveToEx(dc, a.left, y, nullptr);
            LineTo(dc, a.right - 1, y);
        }
        double v = klv::YGridValue(bottomValue, topValue, d->nYLines, k);
        bool topLine = k == d->nYLines;
        TextAt(dc, a.left - 2, y + 5, klv::FormatYLabel(v, topLine ? &style.unitLabel : nullptr));
    }
}

} // namespace

klv::PlotFrame PlotFrameOf(const GraphData* d)
{
    klv::PlotFrame f;
    f.left = d->rcPlot.left;
    f.right = d->rcPlot.right;
    f.bottom = d->rcPlot.bottom;
    f.top = d->rcPlot.top;
    f.dTimeMin = d->dTimeMin;
    f.dZoomTimeMin = d->dZoomTimeMin;
    f.dZoomTimeMax = d->dZoomTimeMax;
    f.nZoomMinBit = d->nZoomMinBit;
    f.nZoomMaxBit = d->nZoomMaxBit;
    return f;
}

std::string ShownUnitLabel(const GraphData* d)
{
    std::vector<klv::ShownScale> shown;
    for (int slot = 0; slot < 4; ++slot) {
        const GraphRecord* g = GraphAt(d, d->nShown[slot] - 1);
        if (g)
            shown.push_back({std::string(g->szUnit, strnlen(g->szUnit, sizeof g->szUnit)),
                             g->dMinValue, g->dMaxValue});
    }
    return klv::UnitLabelOf(shown);
}

bool DrawGraphAxes(HDC dc, GraphData* d, int left, int top, int width, int height,
                   const AxisDrawStyle& style)
{
    klv::AxisLayout a = klv::LayoutAxes(left, top, width, height, d->nXLines, d->nYLines);
    if (!a.valid)
        return false;
    d->rcPlot.left = static_cast<int16_t>(a.left);
    d->rcPlot.right = static_cast<int16_t>(a.right);
    d->rcPlot.bottom = static_cast<int16_t>(a.bottom);
    d->rcPlot.top = static_cast<int16_t>(a.top);

    int saved = SaveDC(dc);
    SelectObject(dc, g_drawObjects.hFramePen);
    SelectObject(dc, GetStockObject(WHITE_BRUSH));
    Rectangle(dc, a.left, a.top, a.right + 1, a.bottom + 1);

    SelectObject(dc, g_drawObjects.hGridPen);
    SelectObject(dc, style.hLabelFont);
    SetBkMode(dc, OPAQUE);
    SetBkColor(dc, style.textBackground);
    DrawXGrid(dc, d, a, style);
    DrawYGrid(dc, d, a, style);
    RestoreDC(dc, saved);
    return true;
}

void DrawGraphCurve(HDC dc, const GraphData* d, const GraphRecord* g, HPEN pen, HBRUSH brush)
{
    klv::Curve curve;
    klv::BuildCurve(PlotFrameOf(d), g->pData, DrawableSamples(g), g->dTimeBase, curve);
    if (curve.line.empty())
        return;
    int saved = SaveDC(dc);
    ClipToPlot(dc, d);
    SelectObject(dc, pen);
    SelectObject(dc, brush);
    static_assert(sizeof(klv::PlotPoint) == sizeof(POINT));
    Polyline(dc, reinterpret_cast<const POINT*>(curve.line.data()),
             static_cast<int>(curve.line.size()));
    for (const klv::PlotPoint& p : curve.markerPoints)
        Rectangle(dc, p.x - 2, p.y - 2, p.x + 2, p.y + 2);
    RestoreDC(dc, saved);
}

void DrawShownCurves(HDC dc, const GraphData* d)
{
    for (int slot = 0; slot < 4; ++slot) {
        const GraphRecord* g = GraphAt(d, d->nShown[slot] - 1);
        if (g)
            DrawGraphCurve(dc, d, g, g_drawObjects.hSlotPens[slot],
                           g_drawObjects.hSlotBrushes[slot]);
    }
}

void DrawCursorLine(HDC dc, const GraphData* d)
{
    int saved = SaveDC(dc);
    ClipToPlot(dc, d);
    SelectObject(dc, g_drawObjects.hCursorPen);
    // The gaps of the dotted line come out black.
    SetBkMode(dc, OPAQUE);
    SetBkColor(dc, RGB(0, 0, 0));
    int x = klv::PlotTimeToX(PlotFrameOf(d), d->dCursorTime);
    MoveToEx(dc, x, d->rcPlot.top, nullptr);
    LineTo(dc, x, d->rcPlot.bottom);
    RestoreDC(dc, saved);
}

namespace {

// The live curve draws on the window's own DC between paints, once per block
// of samples: the pen and the clip region it changes are put back by hand.
// (Saving and restoring the whole DC would do the same, but a restore also
// re-selects the DC's font, which costs more than the lines themselves.)
class LiveDrawScope {
public:
    LiveDrawScope(HDC dc, const GraphData* d)
        : dc_(dc), clip_(CreateRectRgn(0, 0, 0, 0)), hadClip_(clip_ && GetClipRgn(dc, clip_) == 1),
          pen_(SelectObject(dc, g_drawObjects.hSlotPens[0]))
    {
        ClipToPlot(dc, d);
    }
    ~LiveDrawScope()
    {
        SelectObject(dc_, pen_);
        SelectClipRgn(dc_, hadClip_ ? clip_ : nullptr);
        if (clip_)
            DeleteObject(clip_);
    }
    LiveDrawScope(const LiveDrawScope&) = delete;
    LiveDrawScope& operator=(const LiveDrawScope&) = delete;

private:
    HDC dc_;
    HRGN clip_;
    bool hadClip_;
    HGDIOBJ pen_;
};

} // namespace

void DrawLiveSegment(HDC dc, const GraphData* d, const GraphRecord* g, uint32_t end)
{
    LiveDrawScope scope(dc, d);
    klv::PlotFrame f = PlotFrameOf(d);
    POINT position;
    MoveToEx(dc, klv::PlotTimeToX(f, (end - 1) * g->dTimeBase),
             klv::PlotRawToY(f, g->pData[end - 1]), &position);
    LineTo(dc, klv::PlotTimeToX(f, end * g->dTimeBase), klv::PlotRawToY(f, g->pData[end]));
    MoveToEx(dc, position.x, position.y, nullptr);
}

void DrawLiveRun(HDC dc, const GraphData* d, const GraphRecord* g, uint32_t first, uint32_t last)
{
    // Points go to the polyline a chunk at a time, each chunk starting where
    // the last one ended.
    constexpr uint32_t kChunkPoints = 128;
    POINT points[kChunkPoints];
    LiveDrawScope scope(dc, d);
    const klv::PlotFrame f = PlotFrameOf(d);
    for (uint32_t from = first; from < last; from += kChunkPoints - 1) {
        const uint32_t count = std::min(kChunkPoints, last - from + 1);
        for (uint32_t c = 0; c < count; ++c) {
            const uint32_t i = from + c;
            points[c] = {klv::PlotTimeToX(f, i * g->dTimeBase), klv::PlotRawToY(f, g->pData[i])};
        }
        Polyline(dc, points, static_cast<int>(count));
    }
}
