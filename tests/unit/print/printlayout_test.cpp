// The page arithmetic of the printed inspection report.
#include "printlayout.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// The reference page: 4800 x 6600 pixels, a 7-point line of 40 pixels and an
// 8-point line of 45.
PageLayout ReferencePage()
{
    return ComputePageLayout(4800, 6600, 40, 45);
}

TEST(PrintLayout, ReferencePageHeaderAndFooter)
{
    const PageLayout page = ReferencePage();
    EXPECT_EQ(page.margin, 480);
    EXPECT_EQ(page.usableHeight, 6520);
    EXPECT_EQ(page.footer.top, 6560);
    EXPECT_EQ(page.footer.bottom, 6600);
    EXPECT_EQ(page.footer.right, 4800);
    EXPECT_EQ(page.headerBox.left, 480);
    EXPECT_EQ(page.headerBox.right, 480 + 2160);
    EXPECT_EQ(page.headerBox.bottom, 1304);
    EXPECT_EQ(page.headerText.left, 480 + 108);
    EXPECT_EQ(page.headerText.right, page.headerBox.right);
    EXPECT_EQ(page.headerText.bottom, 1304);
    EXPECT_EQ(page.logoLeft, 480 + 2160 + 216);
    EXPECT_EQ(page.logoWidth, 4800 - 2856);
}

TEST(PrintLayout, ReferencePageBands)
{
    const PageLayout page = ReferencePage();
    const int tops[kPrintBandCount] = {1304, 2608, 3912, 5216};
    for (int k = 0; k < kPrintBandCount; ++k) {
        SCOPED_TRACE(k + 1);
        const PrintBand& band = page.bands[k];
        EXPECT_EQ(band.graphX, 480);
        EXPECT_EQ(band.graphY, tops[k]);
        EXPECT_EQ(band.graphWidth, 3120);
        EXPECT_EQ(band.graphHeight, 1304);
        EXPECT_EQ(band.text.left, 3600);
        EXPECT_EQ(band.text.top, tops[k] + 45);
        EXPECT_EQ(band.text.right, 4800);
        EXPECT_EQ(band.text.bottom, tops[k] + 1304);
    }
    // The last band ends where the free line above the footer begins.
    EXPECT_EQ(page.bands[3].text.bottom, page.usableHeight);
}

// An A4 page at 300 dpi as Wine's PDF printer reports it: the band edges
// follow from the whole, so the bands touch even where G / 4 is rounded.
TEST(PrintLayout, BandsTouchWhenTheHeightDoesNotDivide)
{
    const PageLayout page = ComputePageLayout(2479, 3508, 33, 38);
    EXPECT_EQ(page.usableHeight, 3442);
    EXPECT_EQ(page.headerBox.bottom, 688);
    const int graphs = 4 * 3442 / 5; // 2753, not a multiple of 4
    for (int k = 1; k < kPrintBandCount; ++k)
        EXPECT_EQ(page.bands[k].graphY, page.bands[k - 1].text.bottom);
    EXPECT_EQ(page.bands[3].text.bottom, 688 + graphs);
    EXPECT_EQ(page.bands[1].graphY, 688 + 688);
    EXPECT_EQ(page.bands[2].graphY, 688 + 1376);
    EXPECT_EQ(page.bands[0].graphHeight, 688);
}

TEST(PrintLayout, LogoKeepsTheBitmapProportions)
{
    struct Case {
        int logoWidth, bitmapWidth, bitmapHeight, expected;
    } cases[] = {
        {1944, 200, 100, 972},  // wider than high
        {1944, 100, 300, 5832}, // taller than wide
        {1000, 3, 1, 333},      // truncated, not rounded
        {1944, 200, -100, 972}, // a top-down bitmap
        {1944, 0, 100, 0},      // no width: no logo
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bitmapWidth);
        EXPECT_EQ(LogoHeight(c.logoWidth, c.bitmapWidth, c.bitmapHeight), c.expected);
    }
}

// The reference page's logo area is 1944 pixels wide and the header 1304 high.
TEST(PrintLayout, LogoStaysInTheHeader)
{
    const PageLayout page = ReferencePage();
    struct Case {
        int bitmapWidth, bitmapHeight, width, height;
    } cases[] = {
        {400, 100, 1944, 486},    // a banner: the whole width
        {1944, 1304, 1944, 1304}, // exactly the header
        {28, 26, 1404, 1304},     // nearly square: scaled down to the header
        {100, -300, 434, 1304},   // tall and top-down
        {0, 100, 1944, 0},        // no width: nothing drawn
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bitmapWidth);
        const LogoSize logo = FitLogo(page, c.bitmapWidth, c.bitmapHeight);
        EXPECT_EQ(logo.width, c.width);
        EXPECT_EQ(logo.height, c.height);
    }
}

// A verdict block of five lines takes six lines from the bands, below the
// mean band; the header, the footer and the page stay where they were.
TEST(PrintLayout, VerdictBlockUnderTheMeanBand)
{
    const PageLayout plain = ReferencePage();
    EXPECT_EQ(plain.verdict.bottom, 0);
    const PageLayout page = ComputePageLayout(4800, 6600, 40, 45, 5);
    EXPECT_EQ(page.headerBox.bottom, plain.headerBox.bottom);
    EXPECT_EQ(page.footer.top, plain.footer.top);
    const int graphs = 5216 - 6 * 45; // four fifths of the usable height, less six lines
    EXPECT_EQ(page.bands[0].graphY, 1304);
    EXPECT_EQ(page.bands[3].graphY, 1304 + 3 * graphs / 4);
    EXPECT_EQ(page.bands[3].text.bottom, 1304 + graphs);
    EXPECT_EQ(page.verdict.top, page.bands[3].text.bottom + 45);
    EXPECT_EQ(page.verdict.bottom, page.verdict.top + 5 * 45);
    EXPECT_LE(page.verdict.bottom, page.usableHeight);
    EXPECT_EQ(page.verdict.left, 480);
    EXPECT_EQ(page.verdict.right, 4800);
}

TEST(PrintLayout, ValueTextTabsPrintAsSingleSpaces)
{
    std::string text = "Forza effettiva:\t\t*12.5 N\r\nK-fattore:\t1.20\t";
    ReplaceTabsBySpaces(text.data());
    EXPECT_EQ(text, "Forza effettiva:  *12.5 N\r\nK-fattore: 1.20 ");
}

} // namespace
