#include <gtest/gtest.h>

#include <cstdint>

#include "d2d/D2DGeometry.h"

TEST(D2DGeometryTest, OffsetIsRandomModuloRangeAndZeroForAnEmptyRange) {
    EXPECT_EQ(6u, offsetInRange(20, 7));
    EXPECT_EQ(127u, offsetInRange(32767, 320));
    EXPECT_EQ(0u, offsetInRange(32767, 1));  // w = W - 1: always x = 0
    // A rectangle as wide as the space it is placed in: no remainder by zero, placed at 0.
    EXPECT_EQ(0u, offsetInRange(12345, 0));
    EXPECT_EQ(0u, offsetInRange(12345, -16));
}

TEST(D2DGeometryTest, CounterColourTakesItsThreeBytes) {
    const D2DColourValue fifth = colourForCounter(5 * 65601, 1.0f);  // 0x050145
    EXPECT_FLOAT_EQ(5.0f / 255.0f, fifth.red);
    EXPECT_FLOAT_EQ(1.0f / 255.0f, fifth.green);
    EXPECT_FLOAT_EQ(69.0f / 255.0f, fifth.blue);
    EXPECT_FLOAT_EQ(1.0f, fifth.alpha);
    const D2DColourValue last = colourForCounter(199 * 65601, 1.0f);  // 0xC73287
    EXPECT_FLOAT_EQ(199.0f / 255.0f, last.red);
    EXPECT_FLOAT_EQ(50.0f / 255.0f, last.green);
    EXPECT_FLOAT_EQ(135.0f / 255.0f, last.blue);
    EXPECT_FLOAT_EQ(0.5f, colourForCounter(0, 0.5f).alpha);
    // A random value is below 32768: red is always 0 and green at most 127/255.
    const D2DColourValue fromRandom = colourForCounter(32767, 1.0f);
    EXPECT_FLOAT_EQ(0.0f, fromRandom.red);
    EXPECT_FLOAT_EQ(127.0f / 255.0f, fromRandom.green);
    EXPECT_FLOAT_EQ(1.0f, fromRandom.blue);
    EXPECT_EQ(13120200u, PATTERN_COUNTER_END);
}

TEST(D2DGeometryTest, TranslucentAlphaFallsBy17AndWraps) {
    EXPECT_FLOAT_EQ(1.0f, translucentAlpha(0));
    EXPECT_FLOAT_EQ(238.0f / 255.0f, translucentAlpha(1));
    EXPECT_FLOAT_EQ(0.0f, translucentAlpha(15));
    EXPECT_FLOAT_EQ(239.0f / 255.0f, translucentAlpha(16));  // 272 mod 256 = 16
    EXPECT_FLOAT_EQ(200.0f / 255.0f, translucentAlpha(199));  // 3383 mod 256 = 55
}

TEST(D2DGeometryTest, PatternRectangleHalvesItsSizeAndStaysInside) {
    const PatternRectangle r = patternRectangle(57, 77, 1000, 5, 100, 50, 100, 50);
    EXPECT_EQ(29u, r.width);   // 57 / 2 + 1
    EXPECT_EQ(14u, r.height);  // 27 / 2 + 1
    EXPECT_EQ(6u, r.x);        // 1000 mod 71
    EXPECT_EQ(5u, r.y);        // 5 mod 36
    // The overlapped test's screen pattern: sizes from the copy, places from the screen.
    const PatternRectangle s = patternRectangle(31, 31, 32767, 32767, 32, 32, 320, 240);
    EXPECT_EQ(16u, s.width);
    EXPECT_EQ(16u, s.height);
    EXPECT_EQ(32767u % 304u, s.x);
    EXPECT_EQ(32767u % 224u, s.y);
    // A one-pixel pattern: the rectangle fills it and the empty ranges place it at 0.
    const PatternRectangle one = patternRectangle(32767, 32767, 32767, 32767, 1, 1, 1, 1);
    EXPECT_EQ(1u, one.width);
    EXPECT_EQ(0u, one.x);
    EXPECT_EQ(0u, one.y);
}

TEST(D2DGeometryTest, OverlapCandidateMovesLessThanTheSizeAndClampsToTheNearEdge) {
    EXPECT_EQ(85, overlapCandidate(0, 16, 100, 0, 300));   // 0 - 15
    EXPECT_EQ(114, overlapCandidate(29, 16, 100, 0, 300)); // 29 - 15
    EXPECT_EQ(114, overlapCandidate(59, 16, 100, 0, 300)); // 59 mod 30 = 29
    // Left of 0 becomes 0, never the far edge.
    EXPECT_EQ(0, overlapCandidate(0, 16, 3, 0, 300));
    // Above the drawing area becomes its top.
    EXPECT_EQ(20, overlapCandidate(0, 16, 22, 20, 300));
    EXPECT_EQ(105, overlapCandidate(29, 16, 100, 0, 105));
    // A one-pixel copy cannot move: no remainder by zero.
    EXPECT_EQ(40, overlapCandidate(12345, 1, 40, 0, 300));
    EXPECT_FALSE(overlapAxisCanMove(1, 0, 300));
    EXPECT_FALSE(overlapAxisCanMove(320, 0, 0));   // as wide as the screen
    EXPECT_FALSE(overlapAxisCanMove(16, 20, 20));
    EXPECT_TRUE(overlapAxisCanMove(16, 0, 1));
    EXPECT_TRUE(overlapAxisCanMove(2, 20, 21));
}
