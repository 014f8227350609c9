// The process-wide clock reads the multimedia timer.

#include <gtest/gtest.h>

#include <windows.h>
#include <mmsystem.h>

#include "core/MicrosecondClock.h"

namespace {

TEST(MicrosecondClockWinTest, ReadsTimeGetTimeInMicroseconds) {
    timeBeginPeriod(1);
    // Never a wrap here: the process clock's offset is still 0 unless the machine has been up
    // for 49.7 days, in which case the comparison below would not hold.
    const uint64_t before = static_cast<uint64_t>(timeGetTime()) * 1000u;
    const uint64_t reading = readMicrosecondClock();
    const uint64_t after = static_cast<uint64_t>(timeGetTime()) * 1000u;
    timeEndPeriod(1);
    if (after < before) {
        GTEST_SKIP() << "the millisecond timer wrapped during the test";
    }
    EXPECT_GE(reading, before);
    EXPECT_LE(reading, after);
    EXPECT_EQ(reading % 1000, 0u);
}

TEST(MicrosecondClockWinTest, PlatformTimerIsTheMultimediaTimer) {
    const uint32_t before = timeGetTime();
    const uint32_t reading = platformMillisecondTimer().readMilliseconds();
    const uint32_t after = timeGetTime();
    EXPECT_LE(reading - before, after - before);
}

}  // namespace
