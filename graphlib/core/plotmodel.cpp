#include "plotmodel.h"

#include <cmath>
#include <cstdio>

namespace klv {

namespace {

// Pixel values beyond this are pinned: an empty span or a far-off time must
// not be converted with undefined behaviour.
constexpr double kPixelLimit = 1.0e9;

int PinToPixel(double v)
{
    if (!(v > -kPixelLimit))
        return -static_cast<int>(kPixelLimit);
    if (v > kPixelLimit)
        return static_cast<int>(kPixelLimit);
    return static_cast<int>(v);
}

template <class... Args> std::string Format(const char* format, Args... args)
{
    char text[128];
    std::snprintf(text, sizeof text, format, args...);
    return text;
}

// Sample markers are drawn when one step is wider than this many pixels.
constexpr int kMarkerMinStep = 5;

// The column reduction starts each column with these bounds: any pixel is
// above the lowest and below the highest.
constexpr int kColumnLowStart = 10000;
constexpr int kColumnHighStart = 0;

} // namespace

int PlotTimeToX(const PlotFrame& f, double t)
{
    double span = f.dZoomTimeMax - f.dZoomTimeMin;
    return PinToPixel(f.left + (t + f.dTimeMin - f.dZoomTimeMin) * (f.right - f.left) / span);
}

int PlotRawToY(const PlotFrame& f, int raw)
{
    if (f.nZoomMaxBit == f.nZoomMinBit)
        return -1;
    return f.bottom - (raw - f.nZoomMinBit) * (f.bottom - f.top) / (f.nZoomMaxBit - f.nZoomMinBit);
}

double PlotXToTime(const PlotFrame& f, int x)
{
    if (f.right == f.left)
        return f.dZoomTimeMin;
    return (x - f.left) * (f.dZoomTimeMax - f.dZoomTimeMin) / (f.right - f.left) + f.dZoomTimeMin;
}

int PlotYToRaw(const PlotFrame& f, int y)
{
    if (f.bottom == f.top)
        return f.nZoomMinBit;
    return (f.nZoomMaxBit - f.nZoomMinBit) * (f.bottom - y) / (f.bottom - f.top) + f.nZoomMinBit;
}

double RawToPhysical(int raw, int nMaxBit, double dMinValue, double dMaxValue)
{
    return static_cast<double>(raw) / nMaxBit * (dMaxValue - dMinValue) + dMinValue;
}

namespace {

// Each value is rounded to double precision before it is truncated, also
// where the compiler would keep it in a wider register (x87 in the 32-bit
// build), so that both builds split a time alike.
double TruncDouble(double v)
{
    volatile double rounded = v;
    return std::trunc(rounded);
}

} // namespace

TimeParts SplitTime(double t)
{
    double h = TruncDouble(t * (1.0 / 3600.0));
    double m = TruncDouble((t - 3600.0 * h) * (1.0 / 60.0));
    double s = TruncDouble(t - 3600.0 * h - 60.0 * m);
    double ms = TruncDouble((t - 3600.0 * h - 60.0 * m - s) * 1000.0);
    return {static_cast<int>(h), static_cast<int>(m), static_cast<int>(s), static_cast<int>(ms)};
}

std::string FormatTimeHms(double t)
{
    TimeParts p = SplitTime(t);
    if (p.milliseconds != 0)
        return Format("%02d:%02d:%02d.%03d", p.hours, p.minutes, p.seconds, p.milliseconds);
    return Format("%02d:%02d:%02d", p.hours, p.minutes, p.seconds);
}

XLabel FormatXLabel(int nStyle, double t)
{
    XLabel label{std::string(), nullptr};
    if (nStyle & kLabelHertz) {
        label.text = Format("%0.3f", t);
        label.title = "Frequenz [Hz]";
    }
    if (nStyle & kLabelKiloHertz) {
        label.text = Format("%0.3f", t * 0.001);
        label.title = "Frequenz [kHz]";
    }
    if (nStyle & kLabelSeconds) {
        label.text = Format(SplitTime(t).milliseconds != 0 ? "%0.3f" : "%0.0f", t);
        label.title = "Time [sec]";
    }
    if (nStyle & kLabelMinutes) {
        label.text = Format(SplitTime(t).seconds != 0 ? "%0.3f" : "%0.0f", t / 60.0);
        label.title = "Time [min]";
    }
    if (nStyle & kLabelHms) {
        label.text = FormatTimeHms(t);
        label.title = "Time [hh:mm:ss]";
    }
    return label;
}

std::string FormatYLabel(double v, const std::string* unitLabelOnTop)
{
    bool fraction = std::trunc(v) != v;
    if (unitLabelOnTop)
        return Format(fraction ? "%s  %0.3f" : "%s  %0.0f", unitLabelOnTop->c_str(), v);
    return Format(fraction ? "%0.3f" : "%0.0f", v);
}

std::string UnitLabelOf(const std::vector<ShownScale>& shown)
{
    if (shown.empty())
        return std::string();
    const ShownScale& first = shown.front();
    for (const ShownScale& s : shown) {
        if (s.unit != first.unit || s.dMinValue != first.dMinValue ||
            s.dMaxValue != first.dMaxValue)
            return "%";
    }
    return "[" + first.unit + "]";
}

AxisLayout LayoutAxes(int left, int top, int width, int height, unsigned nXLines, unsigned nYLines)
{
    AxisLayout a{false, 0, 0, 0, 0, 0, 0};
    if (nXLines == 0 || nYLines == 0 || width <= 0 || height <= 0)
        return a;
    int w = width - static_cast<int>(static_cast<unsigned>(width) % nXLines);
    int h = height - static_cast<int>(static_cast<unsigned>(height) % nYLines);
    if (w <= 0 || h <= 0)
        return a;
    a.valid = true;
    a.left = left;
    a.right = left + w;
    a.bottom = top + h;
    a.top = top;
    a.xStep = w / static_cast<int>(nXLines);
    a.yStep = h / static_cast<int>(nYLines);
    return a;
}

double XGridTime(double dZoomTimeMin, double dZoomTimeMax, unsigned nXLines, unsigned k)
{
    return dZoomTimeMin + (dZoomTimeMax - dZoomTimeMin) / nXLines * k;
}

double YGridValue(double bottomValue, double topValue, unsigned nYLines, unsigned k)
{
    return bottomValue + (topValue - bottomValue) / nYLines * k;
}

SampleSpan VisibleSamples(const PlotFrame& f, double dTimeBase, std::uint32_t nBuffEnd)
{
    SampleSpan span{0, 0};
    if (!(dTimeBase > 0.0))
        return span;
    double a = std::trunc((f.dZoomTimeMin - f.dTimeMin) / dTimeBase);
    double e = std::trunc((f.dZoomTimeMax - f.dTimeMin) / dTimeBase) + 2.0;
    a = a > 0.0 ? a - 1.0 : 0.0;
    if (!(e < nBuffEnd)) // also when e is not a number
        e = nBuffEnd;
    if (!(a < e))
        return span;
    span.first = static_cast<std::uint32_t>(a);
    span.end = static_cast<std::uint32_t>(e);
    return span;
}

void BuildCurve(const PlotFrame& f, const std::int16_t* samples, std::uint32_t nBuffEnd,
                double dTimeBase, Curve& out)
{
    out.line.clear();
    out.markerPoints.clear();
    SampleSpan span = VisibleSamples(f, dTimeBase, nBuffEnd);
    if (span.first == span.end)
        return;
    out.markers = PlotTimeToX(f, 2 * dTimeBase) - PlotTimeToX(f, dTimeBase) > kMarkerMinStep;
    out.line.push_back(
        {PlotTimeToX(f, span.first * dTimeBase), PlotRawToY(f, samples[span.first])});
    int lo = kColumnLowStart, hi = kColumnHighStart, px = 0;
    for (std::uint32_t i = span.first; i < span.end; ++i) {
        PlotPoint p{PlotTimeToX(f, i * dTimeBase), PlotRawToY(f, samples[i])};
        if (p.y < lo) {
            out.line.push_back(p);
            lo = p.y;
        } else if (p.y > hi) {
            out.line.push_back(p);
            hi = p.y;
        }
        if (p.x != px) {
            px = p.x;
            lo = kColumnLowStart;
            hi = kColumnHighStart;
        }
        if (out.markers)
            out.markerPoints.push_back(p);
    }
}

bool PlotContains(const PlotFrame& f, int x, int y)
{
    return f.left <= x && x <= f.right && f.top <= y && y <= f.bottom;
}

PlotPoint ClampToPlot(const PlotFrame& f, int x, int y)
{
    PlotPoint p{x, y};
    if (p.x < f.left)
        p.x = f.left;
    if (p.x > f.right)
        p.x = f.right;
    if (p.y < f.top)
        p.y = f.top;
    if (p.y > f.bottom)
        p.y = f.bottom;
    return p;
}

ZoomRange ZoomToRectangle(const PlotFrame& f, int x0, int y0, int x1, int y1)
{
    int left = x0 < x1 ? x0 : x1;
    int right = x0 < x1 ? x1 : x0;
    int top = y0 < y1 ? y0 : y1;
    int bottom = y0 < y1 ? y1 : y0;
    return {PlotXToTime(f, left), PlotXToTime(f, right), PlotYToRaw(f, bottom), PlotYToRaw(f, top)};
}

double SnapToSample(double t, double dTimeBase)
{
    if (!(dTimeBase > 0.0))
        return t;
    return std::trunc(t / dTimeBase) * dTimeBase;
}

bool StepCursorLeft(double dCursorTime, double dTimeBase, double* next)
{
    double t = dCursorTime - dTimeBase;
    if (!(t >= 0.0))
        return false;
    *next = t;
    return true;
}

bool StepCursorRight(double dCursorTime, double dTimeBase, double dTimeMin, double dZoomTimeMax,
                     double* next)
{
    double t = dCursorTime + dTimeBase;
    // A step that lands on the displayed end only by rounding is still allowed.
    double slack = std::fabs(dTimeBase) * 1e-6;
    if (!(t + dTimeMin <= dZoomTimeMax + slack))
        return false;
    *next = t;
    return true;
}

std::string FormatReadout(const std::int16_t* samples, std::int32_t nSize, double dTimeBase,
                          double t, int nMaxBit, double dMinValue, double dMaxValue,
                          const char* unit)
{
    double value = 0.0;
    double index = dTimeBase > 0.0 ? std::trunc(t / dTimeBase) : -1.0;
    if (samples && index >= 0.0 && index < nSize)
        value =
            RawToPhysical(samples[static_cast<std::int32_t>(index)], nMaxBit, dMinValue, dMaxValue);
    return Format("%0.3f %s", value, unit ? unit : "");
}

} // namespace klv
