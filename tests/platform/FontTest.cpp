#include "platform/Font.h"

#include <gtest/gtest.h>

TEST(Font, PointSizeAndPixelHeightFollowEachOther) {
    TFont f("Arial", 10);
    EXPECT_EQ(f.height(), -13);
    EXPECT_EQ(f.size(), 10);
    f.setHeight(-16);
    EXPECT_EQ(f.size(), 12);
    f.setSize(8);
    EXPECT_EQ(f.height(), -11);
    f.setSize(1);
    EXPECT_EQ(f.height(), -1);
    EXPECT_EQ(f.size(), 1);
}

TEST(Font, MulDivRoundsHalfAwayFromZero) {
    EXPECT_EQ(mulDiv(10, 96, 72), 13);
    EXPECT_EQ(mulDiv(-13, 72, 96), -10);
    EXPECT_EQ(mulDiv(3, 1, 2), 2);
    EXPECT_EQ(mulDiv(-3, 1, 2), -2);
    EXPECT_EQ(mulDiv(1, 1, 0), -1);
}
