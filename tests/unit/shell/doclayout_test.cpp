// Where the document window puts its controls.
#include <gtest/gtest.h>

#include "doclayout.h"

namespace {

void ExpectRect(const LayoutRect& r, int x, int y, int w, int h, const char* what)
{
    EXPECT_EQ(r.x, x) << what;
    EXPECT_EQ(r.y, y) << what;
    EXPECT_EQ(r.width, w) << what;
    EXPECT_EQ(r.height, h) << what;
}

TEST(DocumentLayout, PlacesEveryControlForTheClientSize)
{
    const DocumentLayout l = ComputeDocumentLayout(800, 600, 0, 0);
    ExpectRect(l.tabControl, 0, 0, 800, 600, "tab control");
    ExpectRect(l.graph, 10, 30, 620, 560, "graph");
    ExpectRect(l.valueText, 620, 60, 170, 520, "value text");
    ExpectRect(l.page, 10, 30, 780, 560, "description page");
    ExpectRect(l.remarksLabel, 10, 430, 760, 20, "remarks label");
    ExpectRect(l.remarks, 10, 450, 760, 100, "remarks");
    ExpectRect(l.logo, 0, 0, 0, 0, "no logo");
    // a page with a verdict: the value text's lines, the verdict below them
    ExpectRect(l.valueTextAboveVerdict, 620, 60, 170, 100, "value text above a verdict");
    ExpectRect(l.verdict, 620, 160, 170, 420, "verdict");
}

TEST(DocumentLayout, LogoTakesTheRightHalfAtItsAspectRatio)
{
    const struct {
        int w, logoW, logoH;
        int x, width, height;
    } cases[] = {
        {400, 100, 50, 200, 160, 80},
        {401, 100, 50, 200, 160, 80}, // integer halving
        {800, 3, 1, 400, 360, 120},   // 1/3 in single precision, truncated
        {1000, 7, 3, 500, 460, 197},  // 460 * 0.42857143f = 197.14
    };
    for (const auto& c : cases) {
        const DocumentLayout l = ComputeDocumentLayout(c.w, 500, c.logoW, c.logoH);
        ExpectRect(l.logo, c.x, 10, c.width, c.height, "logo");
    }
}

} // namespace
