#pragma once

#include <cstdint>

// The largest square of the random test: the largest power of two below both the display width
// and the height under the status strip, at most 1024; 8 when either is 16 or less. A status
// strip as tall as the display (or taller) counts as no height at all.
int32_t randomTestMaximumSize(uint32_t displayWidth, int32_t displayHeight, int32_t statusHeight);
