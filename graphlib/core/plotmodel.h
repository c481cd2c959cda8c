// The plot of a graph window without the window: pixel mappings both ways,
// the x-label texts of every label flag and the y labels, the axis layout,
// the curve of a graph as line segments after the per-column reduction, the
// zoom rectangle and the cursor steps. The screen, the cached image, the live
// segments and the printer all draw from this, so they cannot drift apart.
// Portable.
#ifndef PLOTMODEL_H
#define PLOTMODEL_H

#include <cstdint>
#include <string>
#include <vector>

namespace klv {

// The displayed ranges and the plot rectangle a mapping needs.
struct PlotFrame {
    int left, right, bottom, top;      // plot rectangle in pixels
    double dTimeMin;                   // time of sample 0
    double dZoomTimeMin, dZoomTimeMax; // displayed x range
    int nZoomMinBit, nZoomMaxBit;      // displayed y range (raw)
};

// ---- mappings ---------------------------------------------------------------

// x pixel of a time t measured from sample 0, truncated toward zero.
int PlotTimeToX(const PlotFrame& f, double t);

// y pixel of a raw value; -1 when the displayed y range has collapsed to one
// raw value. 32-bit integer arithmetic, truncated toward zero.
int PlotRawToY(const PlotFrame& f, int raw);

// Absolute time of an x pixel (zoom and cursor).
double PlotXToTime(const PlotFrame& f, int x);

// Raw value of a y pixel, 32-bit integer arithmetic.
int PlotYToRaw(const PlotFrame& f, int y);

// Physical value of a raw value: raw / nMaxBit * (dMaxValue - dMinValue) + dMinValue.
double RawToPhysical(int raw, int nMaxBit, double dMinValue, double dMaxValue);

// ---- label texts ------------------------------------------------------------

// x-label flags of nStyle, in the order they are tested (the last one set wins).
constexpr int kLabelHertz = 0x20;
constexpr int kLabelKiloHertz = 0x40;
constexpr int kLabelSeconds = 0x08;
constexpr int kLabelMinutes = 0x04;
constexpr int kLabelHms = 0x02;

// Hours, minutes, seconds and milliseconds of a time, each truncated toward zero.
struct TimeParts {
    int hours, minutes, seconds, milliseconds;
};
TimeParts SplitTime(double t);

// "%02d:%02d:%02d.%03d", or "%02d:%02d:%02d" when the millisecond part is 0:
// the hours-minutes-seconds labels and the cursor readouts.
std::string FormatTimeHms(double t);

// The x label of time t for the flags of nStyle, and the axis title. With no
// flag set the label is empty and the title is left as it was.
struct XLabel {
    std::string text;
    const char* title; // nullptr when no flag chose one
};
XLabel FormatXLabel(int nStyle, double t);

// A y label value: "%0.3f" with a fractional part, "%0.0f" without; on the
// top line the unit label comes first, two spaces before the value.
std::string FormatYLabel(double v, const std::string* unitLabelOnTop);

// The y unit label of the shown graphs: empty with none, "[unit]" when all
// share unit and range, else "%".
struct ShownScale {
    std::string unit;
    double dMinValue, dMaxValue;
};
std::string UnitLabelOf(const std::vector<ShownScale>& shown);

// ---- axes -------------------------------------------------------------------

// The plot of an axis area: width and height reduced to multiples of the
// divisions. valid is false (no axes, the previous plot rectangle stays)
// when the height or the width comes to nothing or a division count is 0.
struct AxisLayout {
    bool valid;
    int left, right, bottom, top;
    int xStep, yStep; // pixels per division
};
AxisLayout LayoutAxes(int left, int top, int width, int height, unsigned nXLines, unsigned nYLines);

// Time of x grid line k and y value of y grid line k (k = 0 at the bottom).
double XGridTime(double dZoomTimeMin, double dZoomTimeMax, unsigned nXLines, unsigned k);
double YGridValue(double bottomValue, double topValue, unsigned nYLines, unsigned k);

// ---- curves -----------------------------------------------------------------

struct PlotPoint {
    int x, y;
};

// One graph's curve in the plot: a polyline (the first point is where the
// pen starts) reduced per pixel column to the lines that reach the column's
// new highest and lowest pixel, and the sample markers when one step is wider
// than 5 pixels.
struct Curve {
    std::vector<PlotPoint> line;
    bool markers = false;
    std::vector<PlotPoint> markerPoints;
};

// The samples a curve visits: from one before the displayed range to two
// beyond it, within the valid part. first == end: nothing to draw.
struct SampleSpan {
    std::uint32_t first, end;
};
SampleSpan VisibleSamples(const PlotFrame& f, double dTimeBase, std::uint32_t nBuffEnd);

// Builds the curve of samples[0 .. nBuffEnd) into out (its storage is reused).
void BuildCurve(const PlotFrame& f, const std::int16_t* samples, std::uint32_t nBuffEnd,
                double dTimeBase, Curve& out);

// ---- zoom and cursor --------------------------------------------------------

bool PlotContains(const PlotFrame& f, int x, int y);
PlotPoint ClampToPlot(const PlotFrame& f, int x, int y);

struct ZoomRange {
    double dZoomTimeMin, dZoomTimeMax;
    int nZoomMinBit, nZoomMaxBit;
};
// The displayed ranges of a dragged rectangle, whatever corner it started at.
ZoomRange ZoomToRectangle(const PlotFrame& f, int x0, int y0, int x1, int y1);

// A time snapped down to the sample grid of a time base.
double SnapToSample(double t, double dTimeBase);

// The cursor one sample to the left (refused below time 0) or to the right
// (refused beyond the displayed end, absolute time = t + dTimeMin).
// True and *next set when the step is allowed.
bool StepCursorLeft(double dCursorTime, double dTimeBase, double* next);
bool StepCursorRight(double dCursorTime, double dTimeBase, double dTimeMin, double dZoomTimeMax,
                     double* next);

// The readout of a graph at cursor time t: "%0.3f %s" of the physical value
// of sample trunc(t / dTimeBase); 0.000 beyond the buffer.
std::string FormatReadout(const std::int16_t* samples, std::int32_t nSize, double dTimeBase,
                          double t, int nMaxBit, double dMinValue, double dMaxValue,
                          const char* unit);

} // namespace klv

#endif
