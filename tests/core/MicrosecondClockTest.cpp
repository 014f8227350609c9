// The microsecond clock over scripted millisecond readings, and the process-wide clock.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <thread>
#include <vector>

#include "core/MicrosecondClock.h"

namespace {

class ScriptedTimer : public MillisecondTimer {
public:
    explicit ScriptedTimer(std::vector<uint32_t> readings) : readings_(std::move(readings)) {}
    uint32_t readMilliseconds() override { return readings_.at(next_++); }

private:
    std::vector<uint32_t> readings_;
    size_t next_ = 0;
};

TEST(MicrosecondClockTest, MultipliesMillisecondsBy1000In64Bits) {
    ScriptedTimer timer({0, 1, 4294967, 4294968});
    MicrosecondClock clock(timer);
    EXPECT_EQ(clock.read(), 0u);
    EXPECT_EQ(clock.read(), 1000u);
    EXPECT_EQ(clock.read(), 4294967000ull);
    // Past 2^32 microseconds: the product must not wrap at 32 bits.
    EXPECT_EQ(clock.read(), 4294968000ull);
}

TEST(MicrosecondClockTest, StaysMonotonicAcrossTheMillisecondWrap) {
    ScriptedTimer timer({0xFFFFFFFEu, 0xFFFFFFFFu, 0u, 5u, 0xFFFFFFF0u, 3u});
    MicrosecondClock clock(timer);
    const uint64_t wrap = 4294967296000ull;  // 2^32 ms in microseconds
    EXPECT_EQ(clock.read(), 4294967294000ull);
    EXPECT_EQ(clock.read(), 4294967295000ull);
    const uint64_t afterWrap = clock.read();
    EXPECT_EQ(afterWrap, wrap);
    EXPECT_GT(afterWrap, 4294967295000ull);
    EXPECT_EQ(clock.read(), wrap + 5000u);
    EXPECT_EQ(clock.read(), wrap + 4294967280000ull);
    // A second wrap adds a second offset.
    EXPECT_EQ(clock.read(), 2 * wrap + 3000u);
}

TEST(MicrosecondClockTest, EqualReadingsAreNoWrap) {
    ScriptedTimer timer({7u, 7u, 7u});
    MicrosecondClock clock(timer);
    EXPECT_EQ(clock.read(), 7000u);
    EXPECT_EQ(clock.read(), 7000u);
    EXPECT_EQ(clock.read(), 7000u);
}

TEST(MicrosecondClockTest, ProcessClockAdvancesWithRealTime) {
    const uint64_t before = readMicrosecondClock();
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    const uint64_t after = readMicrosecondClock();
    ASSERT_GE(after, before);
    // Millisecond steps, at worst a coarse timer: well over half the sleep shows up.
    EXPECT_GE(after - before, 30000u);
    EXPECT_EQ(after % 1000, 0u);
}

}  // namespace
