#include "GDITestFixture.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "gdi/DrawingPlacement.h"
#include "gdi/RandomDrawObserver.h"

namespace {

class DrawCounter : public RandomDrawObserver {
public:
    void drawn(const char* operation, uint32_t width, uint32_t height) override
    {
        EXPECT_EQ(width, height);
        ++draws[operation];
        pixels += static_cast<uint64_t>(width) * height;
        smallest = std::min(smallest, width);
        largest = std::max(largest, width);
    }

    std::map<std::string, int> draws;
    uint64_t pixels = 0;
    uint32_t smallest = UINT32_MAX;
    uint32_t largest = 0;
};

} // namespace

TEST(GDIRandomTest, PixelCountIsTheSumOfTheSquaresDrawn)
{
    GDITestWorld world;
    RecordingGDITest test(world.client, world.output);
    DrawCounter counter;
    test.setRandomDrawObserver(&counter);

    const int width = static_cast<int>(test.getDisplayWidth());
    const int height = test.getDisplayHeight();
    const int strip = test.getStatusHeight();
    blacken(test.getDC(), width, strip, height);
    const WindowPixels before(test.getDC(), width, height);

    uint64_t pixelCount = 12345;
    const double seconds = test.randomTest(3000, pixelCount);
    EXPECT_GE(seconds, 0.0);
    EXPECT_EQ(pixelCount, counter.pixels);
    EXPECT_GT(pixelCount, 0u);

    // All six operations took part; the dummy's 20 places drew nothing, so fewer than 3000
    // squares were drawn (about 2400 expected).
    EXPECT_EQ(counter.draws.size(), 6u);
    for (const char* name : {"WritePixelArray", "ReadPixelArray", "FillRect", "BltRect",
                             "OverlappedBltRect", "Composite"}) {
        EXPECT_GT(counter.draws[name], 0) << name;
    }
    int total = 0;
    for (const auto& entry : counter.draws) {
        total += entry.second;
    }
    EXPECT_LT(total, 3000);
    EXPECT_GT(total, 2000);
    EXPECT_GT(counter.draws["FillRect"], 10 * counter.draws["WritePixelArray"] / 2);

    EXPECT_GE(counter.smallest, 16u);
    EXPECT_LE(counter.largest, static_cast<uint32_t>(randomOperationMaxSize(
                                   test.getDisplayWidth(), height, strip)));

    const WindowPixels after(test.getDC(), width, height);
    EXPECT_GT(after.differingPixels(before, strip, height), 0);
    EXPECT_EQ(after.differingPixels(before, 0, strip), 0);

    // A second run starts its count afresh.
    DrawCounter second;
    test.setRandomDrawObserver(&second);
    EXPECT_GE(test.randomTest(200, pixelCount), 0.0);
    EXPECT_EQ(pixelCount, second.pixels);
}
