#include "plotmap.h"

namespace klv {

int PlotTimeToX(const PlotFrame &f, double t)
{
    double span = f.dZoomTimeMax - f.dZoomTimeMin;
    double x = f.left + (t + f.dTimeMin - f.dZoomTimeMin) * (f.right - f.left) / span;
    // Out-of-range values (empty span, far-off times) are pinned rather than
    // converted with undefined behaviour.
    if (!(x > -1.0e9))
        return -1000000000;
    if (x > 1.0e9)
        return 1000000000;
    return static_cast<int>(x);
}

int PlotRawToY(const PlotFrame &f, int raw)
{
    if (f.nZoomMaxBit == f.nZoomMinBit)
        return -1;
    return f.bottom - (raw - f.nZoomMinBit) * (f.bottom - f.top) / (f.nZoomMaxBit - f.nZoomMinBit);
}

}  // namespace klv
