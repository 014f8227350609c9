#include "app/ClockGranularity.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// A clock that holds each value for `readsPerTick` readings and then steps by `step`.
struct SteppingClock {
    uint64_t start;
    uint64_t step;
    uint64_t readsPerTick;
    uint64_t reads = 0;
    uint64_t operator()()
    {
        return start + (reads++ / readsPerTick) * step;
    }
};

TEST(ClockGranularity, MillisecondTimerGivesOneThousand)
{
    SteppingClock clock{5000000, 1000, 37};
    EXPECT_EQ(measureClockGranularity(std::ref(clock)), 1000u);
    // It spins until the reading changes: 100 steps, each starting on a fresh tick or mid-tick.
    EXPECT_GE(clock.reads, 200u);
}

TEST(ClockGranularity, ClockChangingAtEveryReadGivesOne)
{
    SteppingClock clock{0, 1, 1};
    EXPECT_EQ(measureClockGranularity(std::ref(clock)), 1u);
    EXPECT_EQ(clock.reads, 200u);
}

TEST(ClockGranularity, AverageIsTruncated)
{
    // Steps alternate 1 and 2 microseconds: 150 in total over 100 steps.
    std::vector<uint64_t> readings;
    uint64_t t = 0;
    for (int i = 0; i < 100; ++i) {
        readings.push_back(t);
        t += (i % 2 == 0) ? 1 : 2;
        readings.push_back(t);
    }
    size_t next = 0;
    EXPECT_EQ(measureClockGranularity([&] { return readings.at(next++); }), 1u);

    readings.clear();
    t = 0;
    for (int i = 0; i < 100; ++i) {
        readings.push_back(t);
        t += (i < 99) ? 1000 : 1099;  // 100 099 in total
        readings.push_back(t);
    }
    next = 0;
    EXPECT_EQ(measureClockGranularity([&] { return readings.at(next++); }), 1000u);
}

TEST(ClockGranularity, ProcessClockStepsForward)
{
    const uint64_t g = measureClockGranularity();
    EXPECT_GE(g, 1u);
    EXPECT_LT(g, 100000u);  // far above any real timer step
}

} // namespace
