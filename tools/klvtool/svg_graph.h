// svg_graph.h - one graph window as the printed page draws it (title, axes,
// graph 0), as SVG in page pixels, from the same axis, label and curve code
// as the graph windows and their printout (graphlib/core/plotmodel).
#ifndef KLVTOOL_SVG_GRAPH_H
#define KLVTOOL_SVG_GRAPH_H

#include <string>

#include "graphrecord.h"

// The text metrics the printed graph's layout takes from its two fonts, in
// page pixels: line height of the 9-point title font, line height and
// widest character of the 7-point label font.
struct GraphTextMetrics {
    int titleLine;
    int labelLine;
    int labelMaxCharWidth;
};

// The graph's rectangle on the page (as handed to the graph printing) and
// the part of the page the <svg> element shows: from x = 0, so that the y
// labels left of the plot stay visible, to the right edge of the rectangle.
struct GraphBox {
    int x, y, width, height;
    int id; // makes the element's clip path unique on the page (1..4)
};

// A complete <svg> element, positioned by the caller. Its curve is one
// <polyline class="curve"> holding the per-column reduced points; a window
// without a graph, or a box too small for axes, keeps its title only.
std::string GraphWindowSvg(const GraphWindowImage& window, const GraphBox& box,
                           const GraphTextMetrics& metrics);

#endif
