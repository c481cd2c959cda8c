// svg_graph.cpp - a graph window as SVG, laid out as the graph printout lays
// it out (see svg_graph.h).
#include "svg_graph.h"

#include <algorithm>

#include "cp1252.h"
#include "html_text.h"
#include "plotmodel.h"

namespace {

std::string Px(int v)
{
    return std::to_string(v);
}

void AppendTextElement(std::string& out, const char* cls, int x, int y, const char* anchor,
                       const char* baseline, const std::string& cp1252)
{
    out += "<text class=\"" + std::string(cls) + "\" x=\"" + Px(x) + "\" y=\"" + Px(y) +
           "\" text-anchor=\"" + anchor + "\" dominant-baseline=\"" + baseline + "\">";
    AppendHtmlText(out, Cp1252ToUtf8(cp1252));
    out += "</text>";
}

void AppendLine(std::string& out, int x1, int y1, int x2, int y2)
{
    out += "<line x1=\"" + Px(x1) + "\" y1=\"" + Px(y1) + "\" x2=\"" + Px(x2) + "\" y2=\"" +
           Px(y2) + "\"/>";
}

klv::PlotFrame FrameOf(const GraphBlockImage& b, const klv::AxisLayout& a)
{
    return {a.left,         a.right,        a.bottom,      a.top,        b.dTimeMin,
            b.dZoomTimeMin, b.dZoomTimeMax, b.nZoomMinBit, b.nZoomMaxBit};
}

// The x grid: inner lines, a label under every line, the axis title under
// the labels. A label flag of nStyle chooses the title, as on screen.
void AppendXGrid(std::string& out, const GraphBlockImage& b, const klv::AxisLayout& a,
                 const GraphTextMetrics& m)
{
    std::string axisTitle = TerminatedText(b.szAxisLabel, sizeof b.szAxisLabel);
    std::string labels = "<g class=\"xlabels\">";
    out += "<g class=\"grid\">";
    for (unsigned k = 0;; ++k) {
        const int x = a.left + static_cast<int>(k) * a.xStep;
        if (x > a.right)
            break;
        if (x != a.left && x != a.right)
            AppendLine(out, x, a.top, x, a.bottom - 1);
        klv::XLabel label = klv::FormatXLabel(
            b.nStyle, klv::XGridTime(b.dZoomTimeMin, b.dZoomTimeMax, b.nXLines, k));
        if (label.title)
            axisTitle = label.title;
        AppendTextElement(labels, "xlabel", x, a.bottom + 1, "middle", "hanging", label.text);
    }
    out += "</g>" + labels + "</g>";
    AppendTextElement(out, "axistitle", a.left + (a.right - a.left) / 2, a.bottom + m.labelLine,
                      "middle", "hanging", axisTitle);
}

// The y grid from the top line down; the unit label stands on the top line.
void AppendYGrid(std::string& out, const GraphWindowImage& w, const klv::AxisLayout& a)
{
    const GraphBlockImage& b = w.block;
    const std::string unit =
        w.graphs.empty()
            ? std::string()
            : "[" + TerminatedText(w.graphs[0].szUnit, sizeof w.graphs[0].szUnit) + "]";
    const double bottomValue =
        klv::RawToPhysical(b.nZoomMinBit, b.nMaxBit, b.dMinValue, b.dMaxValue);
    const double topValue = klv::RawToPhysical(b.nZoomMaxBit, b.nMaxBit, b.dMinValue, b.dMaxValue);
    std::string labels = "<g class=\"ylabels\">";
    out += "<g class=\"grid\">";
    for (unsigned k = b.nYLines + 1; k-- > 0;) {
        const int y = a.top + static_cast<int>(b.nYLines - k) * a.yStep;
        if (y != a.top && y != a.bottom)
            AppendLine(out, a.left, y, a.right - 1, y);
        const double v = klv::YGridValue(bottomValue, topValue, b.nYLines, k);
        AppendTextElement(labels, "ylabel", a.left - 2, y + 5, "end", "alphabetic",
                          klv::FormatYLabel(v, k == b.nYLines ? &unit : nullptr));
    }
    out += "</g>" + labels + "</g>";
}

void AppendCurve(std::string& out, const GraphWindowImage& w, const klv::AxisLayout& a, int id)
{
    if (w.graphs.empty())
        return;
    const GraphImage& g = w.graphs[0];
    const std::uint32_t drawable =
        std::min<std::uint32_t>(g.nBuffEnd, static_cast<std::uint32_t>(g.samples.size()));
    klv::Curve curve;
    klv::BuildCurve(FrameOf(w.block, a), g.samples.data(), drawable, g.dTimeBase, curve);
    out += "<g clip-path=\"url(#plot" + Px(id) + ")\"><polyline class=\"curve\" data-samples=\"" +
           std::to_string(drawable) + "\" points=\"";
    for (std::size_t i = 0; i < curve.line.size(); ++i) {
        if (i)
            out += ' ';
        out += Px(curve.line[i].x) + "," + Px(curve.line[i].y);
    }
    out += "\"/>";
    for (const klv::PlotPoint& p : curve.markerPoints)
        out += "<rect class=\"marker\" x=\"" + Px(p.x - 2) + "\" y=\"" + Px(p.y - 2) +
               "\" width=\"4\" height=\"4\"/>";
    out += "</g>";
}

} // namespace

std::string GraphWindowSvg(const GraphWindowImage& w, const GraphBox& box,
                           const GraphTextMetrics& m)
{
    const int viewWidth = box.x + box.width;
    std::string out = "<svg class=\"graph\" xmlns=\"http://www.w3.org/2000/svg\" width=\"" +
                      Px(viewWidth) + "\" height=\"" + Px(box.height) + "\" viewBox=\"0 " +
                      Px(box.y) + " " + Px(viewWidth) + " " + Px(box.height) + "\">";
    const int h = m.titleLine;
    const klv::AxisLayout a =
        klv::LayoutAxes(box.x, box.y + h + h / 2, box.width - 5 * m.labelMaxCharWidth,
                        box.height - 3 * h, w.block.nXLines, w.block.nYLines);
    // Without axes the title is centred over the whole rectangle.
    const int titleX = a.valid ? a.left + (a.right - a.left) / 2 : box.x + box.width / 2;
    AppendTextElement(out, "title", titleX, box.y + h / 2, "middle", "hanging",
                      TerminatedText(w.szTitle, sizeof w.szTitle));
    if (a.valid) {
        out += "<clipPath id=\"plot" + Px(box.id) + "\"><rect x=\"" + Px(a.left) + "\" y=\"" +
               Px(a.top) + "\" width=\"" + Px(a.right - a.left) + "\" height=\"" +
               Px(a.bottom - a.top + 1) + "\"/></clipPath>";
        out += "<rect class=\"frame\" x=\"" + Px(a.left) + "\" y=\"" + Px(a.top) + "\" width=\"" +
               Px(a.right - a.left) + "\" height=\"" + Px(a.bottom - a.top) + "\"/>";
        AppendXGrid(out, w.block, a, m);
        AppendYGrid(out, w, a);
        AppendCurve(out, w, a, box.id);
    }
    out += "</svg>";
    return out;
}
