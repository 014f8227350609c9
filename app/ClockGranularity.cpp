#include "app/ClockGranularity.h"

#include "core/MicrosecondClock.h"

uint64_t measureClockGranularity(const std::function<uint64_t()>& readClock)
{
    constexpr uint64_t kSteps = 100;
    uint64_t sum = 0;
    for (uint64_t i = 0; i < kSteps; ++i) {
        const uint64_t t0 = readClock();
        uint64_t t1 = readClock();
        while (t1 == t0)
            t1 = readClock();
        sum += t1 - t0;
    }
    return sum / kSteps;
}

uint64_t measureClockGranularity()
{
    return measureClockGranularity([] { return readMicrosecondClock(); });
}
