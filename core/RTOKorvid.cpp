#include "core/RTOKorvid.h"

#include "core/RandomGenerator.h"
#include "measuring/MeasuringPlan.h"

RTOKorvid::RTOKorvid(int32_t maximumSize)
    : pixelCount(0), minimumSize(measuring::kSmallestSquare), maximumSize(maximumSize) {}

void RTOKorvid::prepare() {
    clearPixelCount();
}

void RTOKorvid::execute() {
    const int value = nextRandom();
    int32_t size;
    if (maximumSize >= minimumSize) {
        size = minimumSize + value % (maximumSize - minimumSize + 1);
    } else {
        // A drawing area smaller than the minimum square: never draw beyond it (and never take
        // a remainder by zero or a negative range). The random draw is still consumed, so the
        // sequence stays the same for everything that follows.
        size = maximumSize > 0 ? maximumSize : 0;
    }
    draw(static_cast<uint32_t>(size), static_cast<uint32_t>(size));
}

void RTOKorvid::clearPixelCount() {
    pixelCount = 0;
}
