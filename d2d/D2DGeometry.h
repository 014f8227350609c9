#pragma once

#include <cstdint>

// The arithmetic of the Direct2D test's random placement and colours, kept
// free of the platform so that its edge cases can be checked with chosen random values. Every
// function here takes the random values it needs as arguments: the callers draw them from the
// program's generator in the documented order, one draw per value, also where a range turns
// out to be empty.

// random mod range; 0 where the range is empty (a rectangle as wide or as tall as the space
// it is placed in).
uint32_t offsetInRange(int random, int64_t range);

// A colour with components from 0 to 1.
struct D2DColourValue {
    float red;
    float green;
    float blue;
    float alpha;
};

// The colour counter's colour: red, green and blue from bits 16-23, 8-15 and 0-7.
D2DColourValue colourForCounter(uint32_t counter, float alpha);
// Alpha of rectangle number i of a translucent pattern: (255 - (17 i mod 256)) / 255.
float translucentAlpha(uint32_t index);
// Step of the colour counter per rectangle, and the counter value that ends a pattern
// (200 rectangles).
constexpr uint32_t COLOUR_COUNTER_STEP = 65601;
constexpr uint32_t PATTERN_COUNTER_END = 200 * COLOUR_COUNTER_STEP;

// One rectangle of a pattern: its width and height come from the size (random mod size, halved,
// plus 1) and its position from the area left beside it.
struct PatternRectangle {
    uint32_t x;
    uint32_t y;
    uint32_t width;
    uint32_t height;
};
// randomWidth, randomHeight, randomX, randomY: four consecutive draws in that order.
PatternRectangle patternRectangle(int randomWidth, int randomHeight, int randomX, int randomY,
                                  uint32_t sizeWidth, uint32_t sizeHeight,
                                  uint32_t areaWidth, uint32_t areaHeight);

// One coordinate of the next position of an overlapped copy: the previous coordinate moved by
// (random mod 2(size - 1)) - (size - 1), then limited to [lower, upper] as signed values. So
// the copy moves by less than its size and overlaps its source.
int32_t overlapCandidate(int random, uint32_t size, int32_t previous, int32_t lower,
                         int32_t upper);
// Whether a coordinate can take another value at all; a copy as wide (or tall) as its whole
// range, or one pixel wide, cannot move along that axis, and nothing may wait for it to.
bool overlapAxisCanMove(uint32_t size, int32_t lower, int32_t upper);
