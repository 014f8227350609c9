#include "core/RandomTestMaximumSize.h"

#include "measuring/MeasuringPlan.h"

int32_t randomTestMaximumSize(uint32_t displayWidth, int32_t displayHeight, int32_t statusHeight) {
    const int64_t drawingHeight = static_cast<int64_t>(displayHeight) - statusHeight;
    const uint64_t heightLimit = drawingHeight > 0 ? static_cast<uint64_t>(drawingHeight) : 0;
    uint64_t f = measuring::kSmallestSquare;
    if (displayWidth > measuring::kSmallestSquare) {
        for (;;) {
            if (f >= heightLimit) break;
            f *= 2;
            if (f >= displayWidth) break;
        }
    }
    const uint64_t maximum = f / 2;
    return static_cast<int32_t>(maximum > measuring::kLargestSquare ? measuring::kLargestSquare : maximum);
}
