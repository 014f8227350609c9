#pragma once

#include <cstdint>
#include <random>

#include "core/GfxTest.h"

struct VideoControllerInfo;

// A graphics back end that draws nothing: it describes its card and display as a real back end
// does, and its timed operations return made-up times, so that the benchmark runner records
// every field a full run records, with plausible values. With Direct2D it reports the blending
// modes Direct2D uses, without it those of GDI.
class SyntheticGfxTest : public GfxTest {
public:
    SyntheticGfxTest(BenchmarkClient& client, OutputPair& output, const VideoControllerInfo& card, bool direct2D,
                     std::mt19937_64& random);

    int32_t runPixelArrayTests(int32_t firstTest, int32_t totalTests, uint64_t minimumMicroseconds,
                               bool& failed) override;
    int32_t pixelArrayTestCount() override { return 2; }
    double fillRectTest(int32_t width, int32_t height, int32_t count) override;
    double bltBitMapTest(int32_t width, int32_t height, int32_t count) override;
    double overlappedBltBitMapTest(int32_t width, int32_t height, int32_t count) override;
    double compositeTest(int32_t width, int32_t height, int32_t count, bool& premultipliedAlpha) override;
    double compositeSrcMaskTest(int32_t width, int32_t height, int32_t count, bool& premultipliedAlpha,
                                bool& combinedAlphas) override;
    double randomTest(int32_t count, uint64_t& pixelCount) override;
    void setStatusMessage(const std::string&) override {}

private:
    // Seconds for count operations on squares of the given side, at a rate that falls with
    // the area and varies from call to call.
    double seconds(double pixelsPerSecond, int32_t width, int32_t height, int32_t count);

    bool direct2D_;
    std::mt19937_64& random_;
};
