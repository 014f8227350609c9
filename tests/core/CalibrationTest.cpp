// Growth of the operation count after a run that came out too short.

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "core/CountCalibration.h"

namespace {

const int32_t kLargest = std::numeric_limits<int32_t>::max();

TEST(CalibrationTest, ZeroSecondsScalesByTheMinimumInMicroseconds) {
    EXPECT_EQ(nextCalibrationCount(10000, 0.0, 1000), 11000000);
    EXPECT_EQ(nextCalibrationCount(20000, 0.0, 1080), 23760000);
}

TEST(CalibrationTest, EstimateWhoseLow32BitsAreNegativeGrowsByHalf) {
    // 10000 * 1000000 * 1.1 = 1.1e10: low 32 bits 0x8FA6AE00, negative.
    EXPECT_EQ(nextCalibrationCount(10000, 0.0, 1000000), 15000);
    // 80000 * 1000000 * 1.1 = 8.8e10: the low 32 bits are positive and larger, so they stand.
    EXPECT_EQ(nextCalibrationCount(80000, 0.0, 1000000), 2100654080);
}

TEST(CalibrationTest, EstimateWhoseLow32BitsAreSmallerGrowsByHalf) {
    // An estimate of 2^32 + 100.5 keeps its low 32 bits: 100.
    const double estimate = 4294967296.0 + 100.5;
    EXPECT_EQ(nextCalibrationCount(1000, 1100.0 / estimate, 1000000), 1500);
    EXPECT_EQ(nextCalibrationCount(50, 55.0 / estimate, 1000000), 100);
}

TEST(CalibrationTest, EstimateAboveTheCountIsTruncated) {
    EXPECT_EQ(nextCalibrationCount(10000, 0.5, 1000000), 22000);
    EXPECT_EQ(nextCalibrationCount(10000, 0.0007, 1000), 15714);  // 15714.28...
    // Not larger than the count: grow by half instead.
    EXPECT_EQ(nextCalibrationCount(10000, 0.99, 1000000), 11111);
    EXPECT_EQ(nextCalibrationCount(10000, 1.1, 1000000) , 15000);
}

TEST(CalibrationTest, EstimateBeyond64BitsIsNotConverted) {
    // 1e-300 s: the estimate is about 1e304, far outside any integer type.
    EXPECT_EQ(nextCalibrationCount(10000, 1e-300, 1000000), 15000);
    EXPECT_EQ(nextCalibrationCount(10000, 0.0, std::numeric_limits<uint64_t>::max()), 15000);
}

TEST(CalibrationTest, GrowingByHalfStopsAtTheLargestCount) {
    // 2e9 * 1.5 = 3e9 would wrap to a negative count.
    EXPECT_EQ(nextCalibrationCount(2000000000, 0.0, 1000000), kLargest);
    EXPECT_EQ(nextCalibrationCount(kLargest, 0.0, 1000000), kLargest);
    EXPECT_EQ(nextCalibrationCount(1431655764, 0.0, 1000000), 2147483646);
}

}  // namespace
