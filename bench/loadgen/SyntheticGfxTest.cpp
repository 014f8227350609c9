#include "bench/loadgen/SyntheticGfxTest.h"

#include "BuildConfig.h"

#include "core/TransferReport.h"
#include "base/VideoControllerInfo.h"

namespace {

const uint32_t kWidth = 1920;
const uint32_t kHeight = 1080;
// Room for the 1024-pixel squares below the strip.
const int32_t kStatusStrip = 20;

}  // namespace

SyntheticGfxTest::SyntheticGfxTest(BenchmarkClient& client, OutputPair& output, const VideoControllerInfo& card,
                                   bool direct2D, std::mt19937_64& random)
    : GfxTest(client, "Korvid " KORVID_VERSION ". ", output, 0x1F), direct2D_(direct2D), random_(random)
{
    setDisplayMode(kWidth, kHeight, 60, 32);
    statusHeight = kStatusStrip;
    describeCard(card);
}

double SyntheticGfxTest::seconds(double pixelsPerSecond, int32_t width, int32_t height, int32_t count)
{
    std::uniform_real_distribution<double> spread(0.6, 1.4);
    // Small squares cost their set-up more than their pixels.
    const double pixels = static_cast<double>(width) * height + 4000.0;
    return static_cast<double>(count) * pixels / (pixelsPerSecond * spread(random_));
}

int32_t SyntheticGfxTest::runPixelArrayTests(int32_t firstTest, int32_t, uint64_t, bool& failed)
{
    std::uniform_real_distribution<double> spread(0.6, 1.4);
    const double frameBytes = static_cast<double>(kWidth) * (kHeight - kStatusStrip) * 4.0;
    const char* const names[] = {"WritePixelArray", "ReadPixelArray"};
    const double rates[] = {1800.0, 240.0};  // MiB/s
    for (int i = 0; i < 2; ++i) {
        TransferMeasurement measurement{};
        measurement.split = TransferSplit{8, kHeight - kStatusStrip};
        measurement.bytes = static_cast<uint64_t>(frameBytes * 8.0);
        measurement.mibPerSecond = rates[i] * spread(random_);
        measurement.elapsedSeconds = static_cast<double>(measurement.bytes) / 1048576.0 / measurement.mibPerSecond;
        measurement.passes = 1;
        reportTransfer(output, *resultRecord(), names[i], measurement, failed,
                       direct2D_ ? StreamsAfterTransfer::restoreConsoleFlags : StreamsAfterTransfer::restorePrecision);
    }
    return firstTest + 2;
}

double SyntheticGfxTest::fillRectTest(int32_t width, int32_t height, int32_t count)
{
    return seconds(4.0e9, width, height, count);
}

double SyntheticGfxTest::bltBitMapTest(int32_t width, int32_t height, int32_t count)
{
    return seconds(2.0e9, width, height, count);
}

double SyntheticGfxTest::overlappedBltBitMapTest(int32_t width, int32_t height, int32_t count)
{
    return seconds(1.5e9, width, height, count);
}

double SyntheticGfxTest::compositeTest(int32_t width, int32_t height, int32_t count, bool& premultipliedAlpha)
{
    premultipliedAlpha = true;
    return seconds(1.0e9, width, height, count);
}

double SyntheticGfxTest::compositeSrcMaskTest(int32_t width, int32_t height, int32_t count, bool& premultipliedAlpha,
                                              bool& combinedAlphas)
{
    if (direct2D_) {
        premultipliedAlpha = true;
        combinedAlphas = true;
    }
    return seconds(0.6e9, width, height, count);
}

double SyntheticGfxTest::randomTest(int32_t count, uint64_t& pixelCount)
{
    pixelCount = static_cast<uint64_t>(count) * 9000u;
    return seconds(1.2e9, 90, 100, count);
}
