// GfxTest::runTests: the benchmark runner.

#include <algorithm>
#include <iomanip>
#include <sstream>

#include "base/OutputPair.h"
#include "core/CountCalibration.h"
#include "core/DisturbanceWatch.h"
#include "core/GfxTest.h"
#include "measuring/MeasuringPlan.h"
#include "results/BCObject.h"

namespace {

enum class SizedOperation { Fill, Blit, OverlappedBlit, Composite, CompositeSrcMask };

struct SizedGroup {
    SizedOperation operation;
    const char* title;
    const char* statusOpening;
    const char* fieldPrefix;
    const char* notSupported;
    int32_t startCount;
};

const SizedGroup kFill = {SizedOperation::Fill, "FillRect:", "Running FillRect test with size=(",
                          "FillRect_",
                          "FillRect is not supported on this machine (or not hardware accelerated).",
                          measuring::kFillStartCount};
const SizedGroup kBlit = {
    SizedOperation::Blit, "BltBitMap:", "Running BltBitMap test with size=(", "BlitRect_",
    "BltBitMap is not supported on this machine (or not hardware accelerated).", measuring::kBlitStartCount};
const SizedGroup kOverlappedBlit = {
    SizedOperation::OverlappedBlit, "OverlappedBltBitMap:",
    "Running OverlappedBltBitMap test with size=(", "OverlappedBlitRect_",
    "OverlappedBltBitMap is not supported on this machine (or not hardware accelerated).",
    measuring::kOverlappedBlitStartCount};
const SizedGroup kComposite = {
    SizedOperation::Composite, "Composite:", "Running Composite test with size=(", "Composite_",
    "Composite operations are not supported on this machine (or not hardware accelerated).",
    measuring::kCompositeStartCount};
const SizedGroup kCompositeSrcMask = {
    SizedOperation::CompositeSrcMask, "CompositeSrcMask:",
    "Running CompositeSrcMask test with size=(", "CompositeSrcMask_",
    "CompositeSrcMask is not supported on this machine (or not hardware accelerated).",
    measuring::kCompositeSrcMaskStartCount};

const char* const kSizedHeader = "Size\t\t    Time (s)\t       Ops/s\t    MPixel/s";
const char* const kRandomHeader = "Time (s)\t       Ops/s\t    MPixel/s";
const char* const kTestFailed = "Test failed. Your graphics card drivers may be faulty.";
const int32_t kRandomStartCount = measuring::kRandomStartCount;
const int kRetryLimit = measuring::kRetryLimit;  // the 11th run that comes out too short gives up

struct Measurement {
    bool supported = true;
    bool gaveUp = false;
    double seconds = 0.0;
    int32_t count = 0;
    uint32_t disturbances = 0;  // seen before, between or after the timed runs
};

// What the watch has seen since it was last asked; nothing without a watch.
uint32_t pollDisturbances(DisturbanceWatch* watch) {
    return watch ? watch->poll() : 0;
}

// Runs timedRun(count) until one run lasts at least the minimum duration. A run of 0 seconds
// is never a measurement, even with a minimum of 0: rates are divided by it. The watch is asked
// before every timed run and after the last, never during one.
template <typename TimedRun>
Measurement measure(int32_t startCount, uint64_t minimumMicroseconds, double minimumSeconds,
                    DisturbanceWatch* watch, TimedRun timedRun) {
    Measurement m;
    m.count = startCount;
    int retries = 0;
    for (;;) {
        m.disturbances |= pollDisturbances(watch);
        m.seconds = timedRun(m.count);
        m.disturbances |= pollDisturbances(watch);
        if (m.seconds >= minimumSeconds && m.seconds > 0.0) {
            return m;
        }
        if (m.seconds < 0.0) {
            m.supported = false;
            return m;
        }
        ++retries;
        if (retries > kRetryLimit) {
            m.gaveUp = true;
            return m;
        }
        m.count = nextCalibrationCount(m.count, m.seconds, minimumMicroseconds);
    }
}

double perSecond(double amount, double seconds) {
    // Only a test that gave up can arrive here with 0 seconds; it has no rate to show.
    return seconds > 0.0 ? amount / seconds : 0.0;
}

std::string formatValue(double value) {
    std::ostringstream text;
    text << value;
    return text.str();
}

// time, ops/s and MPixel/s: fixed, 3 decimals, 12 wide, separated by tabs. The streams keep
// fixed notation but get their previous precision back.
void printRates(OutputPair& output, double seconds, double opsPerSecond, double megapixelsPerSecond) {
    const std::streamsize consolePrecision = output.console().precision();
    const std::streamsize transcriptPrecision = output.transcript().precision();
    output << std::fixed << std::setprecision(3) << std::setw(12) << seconds << "\t"
           << std::setw(12) << opsPerSecond << "\t" << std::setw(12) << megapixelsPerSecond
           << std::endl;
    output.console().precision(consolePrecision);
    output.transcript().precision(transcriptPrecision);
}

}  // namespace

bool GfxTest::runTests(uint64_t minimumMicroseconds) {
    const double minimumSeconds = static_cast<double>(minimumMicroseconds) / 1000000.0;
    bool failed = false;

    // The largest square that fits below the status strip, at most the largest. A status strip as tall
    // as the display (or taller) leaves no room at all.
    const int64_t drawingHeight = static_cast<int64_t>(displayHeight) - statusHeight;
    uint32_t maximumSize = 0;
    if (drawingHeight > 0) {
        maximumSize = std::min(displayWidth, static_cast<uint32_t>(drawingHeight));
    }
    maximumSize = std::min<uint32_t>(maximumSize, measuring::kLargestSquare);

    int32_t numberOfSizes = 0;
    for (uint32_t size = measuring::kSmallestSquare; size <= maximumSize; size *= 2) {
        ++numberOfSizes;
    }

    int32_t totalTests = 0;
    if (testFlags & TEST_GROUP_PIXEL_ARRAYS) totalTests += pixelArrayTestCount();
    if (testFlags & TEST_GROUP_FILL) totalTests += numberOfSizes;
    if (testFlags & TEST_GROUP_BLIT) totalTests += 2 * numberOfSizes;
    if (testFlags & TEST_GROUP_COMPOSITE) totalTests += 2 * numberOfSizes;
    if (testFlags & TEST_GROUP_RANDOM) totalTests += 1;

    int32_t testNumber = 1;
    bool compositePremultipliedAlpha = false;
    bool srcMaskPremultipliedAlpha = false;
    bool srcMaskCombinedAlphas = false;

    DisturbanceWatch* const watch = disturbanceWatch();
    disturbed = false;
    auto reportDisturbances = [&](uint32_t disturbances) {
        if (disturbances != 0) {
            output << disturbedTestLine(disturbances) << std::endl;
            disturbed = true;
        }
    };

    auto recordField = [this](const std::string& name, double value) {
        resultRecord()->addField(name, formatValue(value), 1);
    };

    auto runSizedGroup = [&](const SizedGroup& group) {
        output << group.title << std::endl;
        output << kSizedHeader << std::endl;
        for (uint32_t size = measuring::kSmallestSquare; size <= maximumSize; size *= 2) {
            const int32_t width = static_cast<int32_t>(size);
            const int32_t height = static_cast<int32_t>(size);
            std::ostringstream status;
            status << statusPrefix << group.statusOpening << width << ", " << height << ") (test "
                   << testNumber << " of " << totalTests << "). Please be patient...";
            const std::string statusText = status.str();

            const Measurement m = measure(
                group.startCount, minimumMicroseconds, minimumSeconds, watch,
                [&](int32_t count) {
                    setStatusMessage(statusText);
                    switch (group.operation) {
                    case SizedOperation::Fill:
                        return fillRectTest(width, height, count);
                    case SizedOperation::Blit:
                        return bltBitMapTest(width, height, count);
                    case SizedOperation::OverlappedBlit:
                        return overlappedBltBitMapTest(width, height, count);
                    case SizedOperation::Composite:
                        return compositeTest(width, height, count, compositePremultipliedAlpha);
                    case SizedOperation::CompositeSrcMask:
                        return compositeSrcMaskTest(width, height, count,
                                                    srcMaskPremultipliedAlpha,
                                                    srcMaskCombinedAlphas);
                    }
                    return -1.0;
                });
            ++testNumber;

            if (!m.supported) {
                output << group.notSupported << std::endl;
                continue;
            }
            if (m.gaveUp) {
                output << kTestFailed << std::endl;
                failed = true;
            }
            reportDisturbances(m.disturbances);
            const double pixels = static_cast<double>(m.count) *
                                  static_cast<double>(static_cast<int64_t>(width) * height);
            const double opsPerSecond = perSecond(static_cast<double>(m.count), m.seconds);
            const double megapixelsPerSecond = perSecond(pixels, m.seconds) / 1048576.0;
            output << "(" << width << ", " << height << ")\t";
            printRates(output, m.seconds, opsPerSecond, megapixelsPerSecond);

            std::ostringstream name;
            name << group.fieldPrefix << width << "x" << height;
            recordField(name.str() + "_Ops_s", opsPerSecond);
            recordField(name.str() + "_MP_s", megapixelsPerSecond);
        }
    };

    if (testFlags & TEST_GROUP_PIXEL_ARRAYS) {
        pollDisturbances(watch);  // what happened before these tests is not theirs
        testNumber = runPixelArrayTests(testNumber, totalTests, minimumMicroseconds, failed);
        reportDisturbances(pollDisturbances(watch));
        output << std::endl;
    }

    if (testFlags & TEST_GROUP_FILL) {
        runSizedGroup(kFill);
        output << std::endl;
    }

    if (testFlags & TEST_GROUP_BLIT) {
        runSizedGroup(kBlit);
        output << std::endl;
        runSizedGroup(kOverlappedBlit);
        output << std::endl;
    }

    if (testFlags & TEST_GROUP_COMPOSITE) {
        runSizedGroup(kComposite);
        if (compositePremultipliedAlpha) {
            resultRecord()->addField("CompositePremultAlpha", "1", 1);
            output << "NOTE: Compositing (or alpha blending) used premultiplied alpha mode."
                   << std::endl;
        }
        output << std::endl;
        runSizedGroup(kCompositeSrcMask);
        if (srcMaskCombinedAlphas) {
            resultRecord()->addField("CompositeSrcMaskCombineAlphas", "1", 1);
            output << "NOTE: The source mask's alpha channel was multiplied by the source "
                      "bitmap's alpha channel."
                   << std::endl;
            if (srcMaskPremultipliedAlpha) {
                resultRecord()->addField("CompositeSrcMaskPremultAlpha", "1", 1);
                output << "NOTE: The source bitmap's alpha channel was premultiplied."
                       << std::endl;
            }
        }
        output << std::endl;
    }

    if (testFlags & TEST_GROUP_RANDOM) {
        output << "Random:" << std::endl;
        output << kRandomHeader << std::endl;
        std::ostringstream status;
        status << statusPrefix << "Running Random test (test " << testNumber << " of "
               << totalTests << "). Please be patient...";
        const std::string statusText = status.str();
        uint64_t pixelCount = 0;
        const Measurement m = measure(kRandomStartCount, minimumMicroseconds, minimumSeconds,
                                      watch, [&](int32_t count) {
                                          setStatusMessage(statusText);
                                          return randomTest(count, pixelCount);
                                      });
        ++testNumber;
        if (!m.supported) {
            output << "The random test is not supported on this machine (or not hardware "
                      "accelerated)."
                   << std::endl;
        } else {
            if (m.gaveUp) {
                output << kTestFailed << std::endl;
                failed = true;
            }
            reportDisturbances(m.disturbances);
            const double opsPerSecond = perSecond(static_cast<double>(m.count), m.seconds);
            const double megapixelsPerSecond =
                perSecond(static_cast<double>(pixelCount), m.seconds) / 1048576.0;
            printRates(output, m.seconds, opsPerSecond, megapixelsPerSecond);
            recordField("Random_Ops_s", opsPerSecond);
            recordField("Random_MP_s", megapixelsPerSecond);
        }
        output << std::endl;
    }

    return !failed;
}
