#pragma once

#include <cstdint>

// Where the GDI operations put their rectangles. Kept free of the platform so the edge cases
// (no room on an axis, tiny sizes) are tested natively.
//
// A rectangle exactly as wide as the display, or exactly as tall as the drawing area, has no
// free range on that axis: it sits at 0 there. The random draw is still taken, so every
// operation consumes the same number of draws whatever its size.

// The value a draw gives for a position in 0 .. range - 1; 0 when range is not positive.
int positionInRange(int draw, int range);

// The destination of an overlapped copy, relative to the top of its area: starting from
// (dx, dy), draw new coordinates within less than one size of the source (sx, sy), clamped to
// 0..xRange and 0..yRange, until the destination differs from the source on every axis where
// it can. An axis can move only when it has room (range > 0) and the size is at least 3 (so
// that the offsets reach both -1 and +1); the search ends once every movable axis differs.
// Each round takes two draws from `draw`: x first, then y.
void chooseOverlappedDestination(int sx, int sy, int& dx, int& dy, int width, int height,
                                 int xRange, int yRange, int (*draw)());
