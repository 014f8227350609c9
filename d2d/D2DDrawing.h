#pragma once

#include <d2d1.h>

#include <cstdint>

#include "core/RandomGenerator.h"
#include "d2d/D2DGeometry.h"

// Small conversions every Direct2D drawing operation uses.

inline D2D1_RECT_F rectF(int64_t left, int64_t top, int64_t right, int64_t bottom) {
    return D2D1_RECT_F{static_cast<float>(left), static_cast<float>(top),
                       static_cast<float>(right), static_cast<float>(bottom)};
}

inline D2D1_COLOR_F colourF(const D2DColourValue& colour) {
    return D2D1_COLOR_F{colour.red, colour.green, colour.blue, colour.alpha};
}

inline D2D1_MATRIX_3X2_F translation(float x, float y) {
    return D2D1_MATRIX_3X2_F{1.0f, 0.0f, 0.0f, 1.0f, x, y};
}

// One draw of the program's generator, as an offset into [0, range); 0 where the range is
// empty (the draw is taken all the same, so the sequence stays the same).
inline uint32_t randomOffset(int64_t range) {
    const int random = nextRandom();
    return offsetInRange(random, range);
}
