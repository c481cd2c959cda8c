// The rescaling as the 32-bit build computes it: this program's copy of the
// decoding code is compiled for the x87 unit, whose registers carry extended
// precision, and must agree with double arithmetic on every device count.
#include <gtest/gtest.h>

#include "devicestream.h"

namespace {

// Each quotient in double (this file is compiled for SSE), rounded once to float.
int RescaleInDouble(int k, int fullScale)
{
    const double range = fullScale == 500 ? 550.0 : 330.0;
    const float a = static_cast<float>(k * range / 4095.0);
    const float b = static_cast<float>(a * 4095.0 / fullScale);
    return static_cast<int>(b);
}

TEST(RescaleOnX87, KnownCounts)
{
    const int cases[][2] = {{10, 11}, {75, 82}, {589, 647}, {621, 683}, {3723, 4095}, {4095, 4504}};
    for (const auto& c : cases) {
        EXPECT_EQ(RescaleCount(c[0], 300), c[1]) << c[0];
        EXPECT_EQ(RescaleCount(c[0], 500), c[1]) << c[0];
    }
}

TEST(RescaleOnX87, EveryCountAgreesWithDoubleArithmetic)
{
    for (int fullScale : {300, 500}) {
        for (int k = 0; k <= 4095; ++k)
            ASSERT_EQ(RescaleCount(k, fullScale), RescaleInDouble(k, fullScale))
                << k << " " << fullScale;
    }
}

} // namespace
