#include <gtest/gtest.h>

#include "browser/meter_layout.h"

TEST(MeterLayout, ZeroRangePaintsZeroPercentWithoutBlue) {
    MeterLayout m = ComputeMeterLayout(0, 40, 200);
    EXPECT_EQ(m.percent, 0);
    EXPECT_EQ(m.split, 0);
    EXPECT_EQ(MeterText(m), "0%");
}

TEST(MeterLayout, TwelveOfTwentyFiveIsFortyEightPercent) {
    MeterLayout m = ComputeMeterLayout(25, 12, 200);
    EXPECT_EQ(m.percent, 48);
    EXPECT_EQ(m.split, 96);
    EXPECT_EQ(MeterText(m), "48%");
}

TEST(MeterLayout, FullRangeIsAllBlue) {
    MeterLayout m = ComputeMeterLayout(25, 25, 201);
    EXPECT_EQ(m.percent, 100);
    EXPECT_EQ(m.split, 201);
}

TEST(MeterLayout, LargeValuesDoNotOverflow) {
    MeterLayout m = ComputeMeterLayout(4000000000u, 2000000000u, 300);
    EXPECT_EQ(m.percent, 50);
    EXPECT_EQ(m.split, 150);
}

TEST(MeterLayout, PositionBeyondTheRangeStaysInsideTheControl) {
    MeterLayout m = ComputeMeterLayout(25, 50, 200);
    EXPECT_EQ(m.percent, 100);
    EXPECT_EQ(m.split, 200);
}
