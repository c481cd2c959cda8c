// The plot model of a graph window: mappings, label texts, axis layout, the
// reduced curve, zoom and cursor steps, and the export table's text.
#include "asciiexport.h"
#include "plotmodel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

// A 600 x 300 plot at (60, 30) showing -1 .. 5 s and the raw range 0 .. 4095.
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

TEST(PlotModelTest, MappingsBothWays)
{
    klv::PlotFrame f = Frame();
    struct {
        double t;
        int x;
    } times[] = {{0.0, 60}, {1.0, 160}, {6.0, 660}, {0.0016, 60}, {2.9999, 359}};
    for (auto c : times)
        EXPECT_EQ(klv::PlotTimeToX(f, c.t), c.x) << c.t;
    struct {
        int raw, y;
    } raws[] = {{0, 330}, {4095, 30}, {2048, 180}, {-100, 337}, {4094, 31}};
    for (auto c : raws)
        EXPECT_EQ(klv::PlotRawToY(f, c.raw), c.y) << c.raw;
    EXPECT_DOUBLE_EQ(klv::PlotXToTime(f, 60), -1.0);
    EXPECT_DOUBLE_EQ(klv::PlotXToTime(f, 360), 2.0);
    EXPECT_EQ(klv::PlotYToRaw(f, 330), 0);
    EXPECT_EQ(klv::PlotYToRaw(f, 30), 4095);
    EXPECT_EQ(klv::PlotYToRaw(f, 180), 2047);

    f.dZoomTimeMin = 0.0; // zoomed: sample 0 lies left of the plot
    EXPECT_EQ(klv::PlotTimeToX(f, 0.5), 0);
}

TEST(PlotModelTest, CollapsedRangeMapsToMinusOne)
{
    klv::PlotFrame f = Frame();
    f.nZoomMinBit = f.nZoomMaxBit = 1000;
    EXPECT_EQ(klv::PlotRawToY(f, 1000), -1);
    EXPECT_EQ(klv::PlotRawToY(f, 0), -1);
}

TEST(PlotModelTest, XLabelOfEveryFlag)
{
    struct {
        int style;
        double t;
        const char *text, *title;
    } cases[] = {
        {0x08, -1.0, "-1", "Time [sec]"},
        {0x08, 0.5, "0.500", "Time [sec]"},
        {0x02, 3725.25, "01:02:05.250", "Time [hh:mm:ss]"},
        {0x02, 3725.0, "01:02:05", "Time [hh:mm:ss]"},
        {0x0A, 3725.0, "01:02:05", "Time [hh:mm:ss]"},
        {0x20, 12.5, "12.500", "Frequenz [Hz]"},
        {0x40, 1500.0, "1.500", "Frequenz [kHz]"},
        {0x60, 1500.0, "1.500", "Frequenz [kHz]"},
        {0x28, 2.0, "2", "Time [sec]"},
        {0x04, 90.0, "1.500", "Time [min]"},
        {0x04, 120.0, "2", "Time [min]"},
        {0x04, 60.5, "1", "Time [min]"}, // the seconds part decides, not the milliseconds
    };
    for (auto c : cases) {
        klv::XLabel label = klv::FormatXLabel(c.style, c.t);
        EXPECT_EQ(label.text, c.text) << c.style << " " << c.t;
        ASSERT_NE(label.title, nullptr);
        EXPECT_STREQ(label.title, c.title);
    }
    klv::XLabel none = klv::FormatXLabel(0x01, 3.0);
    EXPECT_EQ(none.text, "");
    EXPECT_EQ(none.title, nullptr);
}

TEST(PlotModelTest, SecondsAxisOfTheDocumentGraphs)
{
    std::string labels;
    for (unsigned k = 0; k <= 6; ++k)
        labels += klv::FormatXLabel(0x08, klv::XGridTime(-1.0, 5.0, 6, k)).text + " ";
    EXPECT_EQ(labels, "-1 0 1 2 3 4 5 ");
}

TEST(PlotModelTest, TimeTextsOfTheReadouts)
{
    EXPECT_EQ(klv::FormatTimeHms(0.0), "00:00:00");
    EXPECT_EQ(klv::FormatTimeHms(1.0), "00:00:01");
    EXPECT_EQ(klv::FormatTimeHms(61.25), "00:01:01.250");
}

TEST(PlotModelTest, YLabelsAndUnitLabel)
{
    std::string unit = "[N]";
    EXPECT_EQ(klv::FormatYLabel(300.0, &unit), "[N]  300");
    EXPECT_EQ(klv::FormatYLabel(22.5, &unit), "[N]  22.500");
    EXPECT_EQ(klv::FormatYLabel(150.5, nullptr), "150.500");
    EXPECT_EQ(klv::FormatYLabel(-30.0, nullptr), "-30");

    using S = klv::ShownScale;
    EXPECT_EQ(klv::UnitLabelOf({}), "");
    EXPECT_EQ(klv::UnitLabelOf({S{"N", 0, 300}, S{"N", 0, 300}}), "[N]");
    EXPECT_EQ(klv::UnitLabelOf({S{"N", 0, 300}, S{"kN", 0, 300}}), "%");
    EXPECT_EQ(klv::UnitLabelOf({S{"N", 0, 300}, S{"N", 0, 500}}), "%");
}

TEST(PlotModelTest, AxisLayoutReducesToWholeDivisions)
{
    klv::AxisLayout a = klv::LayoutAxes(60, 30, 548, 348, 6, 10);
    ASSERT_TRUE(a.valid);
    EXPECT_EQ(a.right, 606);
    EXPECT_EQ(a.bottom, 370);
    EXPECT_EQ(a.xStep, 91);
    EXPECT_EQ(a.yStep, 34);
    EXPECT_FALSE(klv::LayoutAxes(60, 30, 548, 9, 6, 10).valid) << "height below the divisions";
    EXPECT_FALSE(klv::LayoutAxes(60, 30, 548, -20, 6, 10).valid);
    EXPECT_FALSE(klv::LayoutAxes(60, 30, 548, 348, 0, 10).valid);
}

TEST(PlotModelTest, CurveVisitsOneSampleBeforeAndTwoBeyondTheRange)
{
    klv::PlotFrame f = Frame();
    f.dTimeMin = 0.0;
    f.dZoomTimeMin = 1.0;
    f.dZoomTimeMax = 2.0;
    klv::SampleSpan s = klv::VisibleSamples(f, 0.01, 1000);
    EXPECT_EQ(s.first, 99u);
    EXPECT_EQ(s.end, 202u);
    EXPECT_EQ(klv::VisibleSamples(f, 0.01, 150).end, 150u) << "only the valid samples";
    f.dZoomTimeMin = 0.0;
    EXPECT_EQ(klv::VisibleSamples(f, 0.01, 1000).first, 0u);
    EXPECT_EQ(klv::VisibleSamples(f, 0.0, 1000).end, 0u) << "no time base, nothing drawn";
}

// A force-like curve of 20000 samples over 600 columns costs about two
// segments per column, and its peak and its lowest point are still drawn.
TEST(PlotModelTest, DenseCurveIsReducedPerColumn)
{
    klv::PlotFrame f = Frame();
    f.dTimeMin = 0.0;
    f.dZoomTimeMin = 0.0;
    f.dZoomTimeMax = 6.0;
    std::vector<int16_t> samples(20000);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<int16_t>(2048 + 1000 * std::sin(i * 2 * M_PI / 20000));
    samples[12345] = 4095; // a spike one sample wide
    klv::Curve curve;
    klv::BuildCurve(f, samples.data(), 20000, 0.0003, curve);
    EXPECT_FALSE(curve.markers);
    double perColumn = (curve.line.size() - 1) / 600.0;
    EXPECT_GT(perColumn, 1.0);
    EXPECT_LT(perColumn, 3.0);
    auto [lowest, highest] = std::minmax_element(
        curve.line.begin(), curve.line.end(),
        [](const klv::PlotPoint& a, const klv::PlotPoint& b) { return a.y < b.y; });
    EXPECT_EQ(lowest->y, 30) << "the spike reaches the top";
    EXPECT_EQ(highest->y, klv::PlotRawToY(f, *std::min_element(samples.begin(), samples.end())));
}

TEST(PlotModelTest, MarkersWhenAStepIsWiderThanFivePixels)
{
    klv::PlotFrame f = Frame();
    f.dTimeMin = 0.0;
    f.dZoomTimeMin = 0.0;
    f.dZoomTimeMax = 6.0; // 100 pixels per second
    std::vector<int16_t> samples(100, 2048);
    klv::Curve curve;
    klv::BuildCurve(f, samples.data(), 100, 0.06, curve); // 6 pixels per step
    EXPECT_TRUE(curve.markers);
    EXPECT_EQ(curve.markerPoints.size(), 100u);
    EXPECT_EQ(curve.markerPoints[1].x, 66);
    klv::BuildCurve(f, samples.data(), 100, 0.05, curve); // 5 pixels per step
    EXPECT_FALSE(curve.markers);
    EXPECT_TRUE(curve.markerPoints.empty());
}

TEST(PlotModelTest, ZoomRectangleOfEitherDirection)
{
    klv::PlotFrame f = Frame();
    klv::ZoomRange a = klv::ZoomToRectangle(f, 160, 80, 360, 180);
    klv::ZoomRange b = klv::ZoomToRectangle(f, 360, 180, 160, 80);
    EXPECT_DOUBLE_EQ(a.dZoomTimeMin, 0.0);
    EXPECT_DOUBLE_EQ(a.dZoomTimeMax, 2.0);
    EXPECT_EQ(a.nZoomMaxBit, 3412);
    EXPECT_EQ(a.nZoomMinBit, 2047);
    EXPECT_EQ(b.dZoomTimeMin, a.dZoomTimeMin);
    EXPECT_EQ(b.dZoomTimeMax, a.dZoomTimeMax);
    EXPECT_EQ(b.nZoomMaxBit, a.nZoomMaxBit);
    EXPECT_EQ(b.nZoomMinBit, a.nZoomMinBit);

    klv::PlotPoint outside = klv::ClampToPlot(f, -40, 900);
    EXPECT_EQ(outside.x, 60);
    EXPECT_EQ(outside.y, 330);
    EXPECT_TRUE(klv::PlotContains(f, 660, 330));
    EXPECT_FALSE(klv::PlotContains(f, 661, 330));
}

TEST(PlotModelTest, CursorStepsAndTheirLimits)
{
    double next = -1.0;
    EXPECT_FALSE(klv::StepCursorLeft(0.0, 0.01, &next));
    EXPECT_TRUE(klv::StepCursorLeft(0.01, 0.01, &next));
    EXPECT_DOUBLE_EQ(next, 0.0);
    double t = klv::SnapToSample(5.989, 0.01);
    EXPECT_NEAR(t, 5.98, 1e-12);
    ASSERT_TRUE(klv::StepCursorRight(t, 0.01, 0.0, 6.0, &t));
    ASSERT_TRUE(klv::StepCursorRight(t, 0.01, 0.0, 6.0, &t)) << "onto the displayed end";
    EXPECT_FALSE(klv::StepCursorRight(t, 0.01, 0.0, 6.0, &t)) << "beyond it";
    // With sample 0 at -1 s the displayed end 5 s is 6 s from sample 0.
    EXPECT_TRUE(klv::StepCursorRight(5.5, 0.5, -1.0, 5.0, &next));
    EXPECT_FALSE(klv::StepCursorRight(6.0, 0.5, -1.0, 5.0, &next));
}

TEST(PlotModelTest, ReadoutOfAGraphAtTheCursor)
{
    int16_t samples[3] = {0, 2048, 4095};
    EXPECT_EQ(klv::FormatReadout(samples, 3, 0.5, 0.75, 4095, 0, 300, "N"), "150.037 N");
    EXPECT_EQ(klv::FormatReadout(samples, 3, 0.5, 1.0, 4095, 0, 300, "N"), "300.000 N");
    EXPECT_EQ(klv::FormatReadout(samples, 3, 0.5, 1.5, 4095, 10, 300, "N"), "0.000 N")
        << "beyond the buffer";
}

TEST(PlotModelTest, ExportHeaderAndRowsWithEmptyCells)
{
    int16_t force[3] = {0, 2048, 4095};
    int16_t weg[2] = {100, -100};
    std::vector<klv::ExportColumn> columns = {{"Kraft", "N", 3, force, 4095, 0.0, 300.0},
                                              {"Weg", "mm", 2, weg, 1000, -5.0, 5.0}};
    EXPECT_EQ(klv::AsciiExportHeader(columns),
              "Spalte 1: Zeit [s]\r\nSpalte 2: Kraft [N]\r\nSpalte 3: Weg [mm]\r\n"
              "\r\n\r\n----------------------------------\r\n");
    std::string row;
    klv::FormatAsciiExportRow(1, 0.0016, columns, row);
    EXPECT_EQ(row, "0.0016\t150.037\t-6.000\t\r\n");
    klv::FormatAsciiExportRow(2, 0.0016, columns, row);
    EXPECT_EQ(row, "0.0032\t300.000\t\t\r\n");
}

} // namespace
