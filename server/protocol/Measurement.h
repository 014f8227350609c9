#pragma once

#include <cstdint>
#include <string>

// One measurement of a result, split from its field name: "FillRect_256x256_Ops_s" is the test
// "FillRect" at 256x256 in "Ops_s"; "Random_MP_s" and "WritePixelArray_MiB_s" have no size (0x0).
struct Measurement {
    std::string test;
    int32_t width = 0;
    int32_t height = 0;
    std::string unit;  // "Ops_s", "MP_s" or "MiB_s"
    double value = 0.0;
};
