#include "gdi/DrawingPlacement.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Scripted draws: returns the queued values in order, then keeps returning the last one.
std::vector<int> scripted;
size_t nextScripted = 0;
int drawsTaken = 0;

int scriptedDraw()
{
    ++drawsTaken;
    int value = scripted.empty() ? 0 : scripted[nextScripted < scripted.size() ? nextScripted : scripted.size() - 1];
    ++nextScripted;
    return value;
}

void script(std::vector<int> values)
{
    scripted = std::move(values);
    nextScripted = 0;
    drawsTaken = 0;
}

} // namespace

TEST(DrawingPlacement, PositionIsTheRemainderOfTheDraw)
{
    EXPECT_EQ(positionInRange(32767, 1000), 767);
    EXPECT_EQ(positionInRange(5, 1), 0);
    EXPECT_EQ(positionInRange(999, 1000), 999);
}

TEST(DrawingPlacement, NoRangeMeansPositionZero)
{
    // A 1024 square on a display 1024 pixels wide: xRange 0, no division.
    EXPECT_EQ(positionInRange(12345, 1024 - 1024), 0);
    EXPECT_EQ(positionInRange(12345, -3), 0);
}

TEST(DrawingPlacement, OverlappedDestinationFollowsTheDrawsInOrder)
{
    // w = h = 16: offsets are draw % 30 - 15 around the source; x is drawn before y.
    script({20, 3});
    int dx = 100, dy = 50;
    chooseOverlappedDestination(100, 50, dx, dy, 16, 16, 300, 200, scriptedDraw);
    EXPECT_EQ(dx, 100 + 20 - 15);
    EXPECT_EQ(dy, 50 + 3 - 15);
    EXPECT_EQ(drawsTaken, 2);
}

TEST(DrawingPlacement, OverlappedDestinationRetriesUntilBothAxesDiffer)
{
    // First round: x lands on the source (15 - 15 = 0 offset); second round differs on both.
    script({15, 0, 16, 0});
    int dx = 40, dy = 40;
    chooseOverlappedDestination(40, 40, dx, dy, 16, 16, 300, 200, scriptedDraw);
    EXPECT_EQ(dx, 41);
    EXPECT_EQ(dy, 25);
    EXPECT_EQ(drawsTaken, 4);
}

TEST(DrawingPlacement, OverlappedDestinationIsClampedToTheArea)
{
    script({0, 29});
    int dx = 3, dy = 195;
    chooseOverlappedDestination(3, 195, dx, dy, 16, 16, 300, 200, scriptedDraw);
    EXPECT_EQ(dx, 0);   // 3 - 15 below 0
    EXPECT_EQ(dy, 200); // 195 + 14 beyond yRange
}

TEST(DrawingPlacement, OverlappedSearchEndsWhenAnAxisHasNoRoom)
{
    // A square as wide as the display: x has no room, stays 0; only y has to move.
    script({7, 15, 7, 20});
    int dx = 0, dy = 60;
    chooseOverlappedDestination(0, 60, dx, dy, 1024, 16, 0, 200, scriptedDraw);
    EXPECT_EQ(dx, 0);
    EXPECT_EQ(dy, 65);
    EXPECT_EQ(drawsTaken, 4);

    // No room on either axis: nothing to search for, no draw taken.
    script({1});
    dx = 0;
    dy = 0;
    chooseOverlappedDestination(0, 0, dx, dy, 1024, 1004, 0, 0, scriptedDraw);
    EXPECT_EQ(dx, 0);
    EXPECT_EQ(dy, 0);
    EXPECT_EQ(drawsTaken, 0);
}

TEST(DrawingPlacement, OverlappedSearchTerminatesForTinySizes)
{
    // Sizes 1 and 2 cannot reach a different coordinate from 0: they do not search (and size 1
    // would divide by zero).
    script({0, 0});
    int dx = 0, dy = 0;
    chooseOverlappedDestination(0, 0, dx, dy, 1, 2, 10, 10, scriptedDraw);
    EXPECT_EQ(dx, 0);
    EXPECT_EQ(dy, 0);
    EXPECT_EQ(drawsTaken, 0);
}
