#pragma once

#include <cstdint>

// Bits of GfxTest::testFlags: which test groups run.
constexpr uint32_t TEST_GROUP_PIXEL_ARRAYS = 0x01;  // copy to/from VRAM: runPixelArrayTests
constexpr uint32_t TEST_GROUP_FILL = 0x02;          // fillRectTest
constexpr uint32_t TEST_GROUP_BLIT = 0x04;          // bltBitMapTest, overlappedBltBitMapTest
constexpr uint32_t TEST_GROUP_COMPOSITE = 0x08;     // compositeTest, compositeSrcMaskTest
constexpr uint32_t TEST_GROUP_RANDOM = 0x10;        // randomTest
constexpr uint32_t TEST_GROUP_ALL = 0x1F;
