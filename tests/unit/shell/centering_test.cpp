// Dialogs centred over a window and kept on a 1280 x 1024 screen.
#include <gtest/gtest.h>

#include "centering.h"

namespace {

TEST(CenteredPosition, CentresAndKeepsTheDialogOnTheScreen)
{
    const struct {
        const char* what;
        int w, h, left, top, right, bottom;
        int x, y;
    } cases[] = {
        {"centred", 200, 100, 100, 100, 501, 401, 200, 200}, // halves round toward zero
        {"near the right edge", 400, 100, 1000, 100, 1280, 300, 880, 150},
        {"past the bottom edge", 200, 300, 0, 900, 400, 1100, 100, 724},
        {"left of the screen", 400, 100, -300, 0, 100, 100, 0, 0},
        {"negative half", 201, 101, -10, -10, 0, 0, 0, 0},
    };
    for (const auto& c : cases) {
        const ScreenPoint p =
            CenteredPosition(c.w, c.h, c.left, c.top, c.right, c.bottom, 1280, 1024);
        EXPECT_EQ(p.x, c.x) << c.what;
        EXPECT_EQ(p.y, c.y) << c.what;
    }
}

} // namespace
