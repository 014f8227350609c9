#include "core/CountCalibration.h"

#include <cmath>
#include <limits>

namespace {

// An estimate truncated toward zero to 64 bits, of which the low 32 bits are the count. Values
// outside the 64-bit range (or not a number) have no truncation at all; they give 0, which is
// never larger than a count, so the caller falls back to growing by half.
int32_t truncateToCount(double estimate) {
    const double limit = 9223372036854775808.0;  // 2^63
    if (!(estimate > -limit && estimate < limit)) {
        return 0;
    }
    const auto truncated = static_cast<int64_t>(estimate);
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(truncated)));
}

}  // namespace

int32_t nextCalibrationCount(int32_t count, double seconds, uint64_t minimumMicroseconds) {
    const double minimumSeconds = static_cast<double>(minimumMicroseconds) / 1000000.0;
    double estimate;
    if (seconds == 0.0) {
        // Nothing measurable: scale by the minimum in microseconds, as if one run took 1 us.
        estimate = static_cast<double>(count) * static_cast<double>(minimumMicroseconds) * 1.1;
    } else {
        estimate = minimumSeconds * 1.1 / seconds * static_cast<double>(count);
    }
    int32_t next = truncateToCount(estimate);
    if (next <= count) {
        // Growing by half must not wrap into a negative count: stay at the largest count.
        const double grown = static_cast<double>(count) * 1.5;
        const double largest = static_cast<double>(std::numeric_limits<int32_t>::max());
        next = grown >= largest ? std::numeric_limits<int32_t>::max() : truncateToCount(grown);
    }
    return next;
}
