#pragma once

#include <cstdint>

// How the runner grows the operation count of a timed run that came out shorter than the
// minimum duration (0 <= seconds < minimum): aim at 1.1 times the minimum, and grow by half
// when that estimate does not come out larger than the current count.
int32_t nextCalibrationCount(int32_t count, double seconds, uint64_t minimumMicroseconds);
