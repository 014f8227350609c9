// The largest square the random test draws.

#include <gtest/gtest.h>

#include "core/RandomTestMaximumSize.h"

namespace {

TEST(RandomTestMaximumSizeTest, LargestPowerOfTwoBelowWidthAndDrawingHeight) {
    EXPECT_EQ(randomTestMaximumSize(1280, 1024, 20), 512);
    EXPECT_EQ(randomTestMaximumSize(1024, 768, 20), 512);
    EXPECT_EQ(randomTestMaximumSize(1920, 1080, 20), 1024);
    EXPECT_EQ(randomTestMaximumSize(640, 480, 20), 256);
    EXPECT_EQ(randomTestMaximumSize(320, 240, 20), 128);
    EXPECT_EQ(randomTestMaximumSize(1280, 500, 20), 256);  // 512 would not fit in 480 rows
    // Strictly below: a width of exactly 256 gives 128.
    EXPECT_EQ(randomTestMaximumSize(256, 1000, 20), 128);
    EXPECT_EQ(randomTestMaximumSize(257, 1000, 20), 256);
    EXPECT_EQ(randomTestMaximumSize(1000, 276, 20), 128);
    EXPECT_EQ(randomTestMaximumSize(1000, 277, 20), 256);
}

TEST(RandomTestMaximumSizeTest, LimitedTo1024) {
    EXPECT_EQ(randomTestMaximumSize(7680, 4320, 20), 1024);
    EXPECT_EQ(randomTestMaximumSize(4294967295u, 2147483647, 0), 1024);
}

TEST(RandomTestMaximumSizeTest, TinyAreasGive8) {
    EXPECT_EQ(randomTestMaximumSize(16, 1000, 20), 8);
    EXPECT_EQ(randomTestMaximumSize(0, 1000, 20), 8);
    EXPECT_EQ(randomTestMaximumSize(1000, 36, 20), 8);
    EXPECT_EQ(randomTestMaximumSize(1000, 37, 20), 16);
    // No room below the strip at all.
    EXPECT_EQ(randomTestMaximumSize(1000, 10, 20), 8);
    EXPECT_EQ(randomTestMaximumSize(1000, -2147483647 - 1, 2147483647), 8);
}

}  // namespace
