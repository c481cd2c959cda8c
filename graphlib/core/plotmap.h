// Pixel mappings of a graph window's plot rectangle, shared by the live
// drawing of appended samples and the full redraw. Portable.
#pragma once

#include <cstdint>

namespace klv {

// The displayed ranges and the plot rectangle a mapping needs.
struct PlotFrame {
    int left, right, bottom, top;        // plot rectangle in pixels
    double dTimeMin;                     // time of sample 0
    double dZoomTimeMin, dZoomTimeMax;   // displayed x range
    int nZoomMinBit, nZoomMaxBit;        // displayed y range (raw)
};

// x pixel of a time t measured from sample 0, truncated toward zero.
int PlotTimeToX(const PlotFrame &f, double t);

// y pixel of a raw value; -1 when the displayed y range has collapsed to one
// raw value. 32-bit integer arithmetic, truncated toward zero.
int PlotRawToY(const PlotFrame &f, int raw);

}  // namespace klv
