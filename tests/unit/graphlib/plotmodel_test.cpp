// Pixel mappings used by the live drawing of appended samples.
#include "plotmodel.h"

#include <gtest/gtest.h>

namespace {

klv::PlotFrame Frame()
{
    klv::PlotFrame f{};
    f.left = 60;
    f.right = 660;
    f.bottom = 330;
    f.top = 30;
    f.dTimeMin = -1.0;
    f.dZoomTimeMin = -1.0;
    f.dZoomTimeMax = 5.0;
    f.nZoomMinBit = 0;
    f.nZoomMaxBit = 4095;
    return f;
}

TEST(PlotMapTest, TimeFromSampleZeroMapsAcrossTheDisplayedRange)
{
    klv::PlotFrame f = Frame();
    EXPECT_EQ(klv::PlotTimeToX(f, 0.0), 60);
    EXPECT_EQ(klv::PlotTimeToX(f, 6.0), 660);
    EXPECT_EQ(klv::PlotTimeToX(f, 1.0), 160);
    EXPECT_EQ(klv::PlotTimeToX(f, 0.0016), 60) << "truncated toward zero";
    f.dZoomTimeMin = 0.0;  // zoomed: sample 0 lies left of the plot
    EXPECT_EQ(klv::PlotTimeToX(f, 0.5), 60 + static_cast<int>(-0.5 * 600 / 5.0));
}

TEST(PlotMapTest, RawMapsBottomToTopInIntegerArithmetic)
{
    klv::PlotFrame f = Frame();
    EXPECT_EQ(klv::PlotRawToY(f, 0), 330);
    EXPECT_EQ(klv::PlotRawToY(f, 4095), 30);
    EXPECT_EQ(klv::PlotRawToY(f, 2048), 330 - 2048 * 300 / 4095);
    EXPECT_EQ(klv::PlotRawToY(f, -100), 330 + 100 * 300 / 4095);
}

TEST(PlotMapTest, CollapsedRangeMapsToMinusOne)
{
    klv::PlotFrame f = Frame();
    f.nZoomMinBit = f.nZoomMaxBit = 1000;
    EXPECT_EQ(klv::PlotRawToY(f, 1000), -1);
    EXPECT_EQ(klv::PlotRawToY(f, 0), -1);
}

}  // namespace
