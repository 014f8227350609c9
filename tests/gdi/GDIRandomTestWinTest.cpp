#include "GDITestFixture.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "core/RandomShadow.h"
#include "core/RandomTestMaximumSize.h"
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

RandomShadow* walkedShadow = nullptr;
int shadowDraw() { return walkedShadow->next(); }

} // namespace

TEST(GDIRandomTest, EachPlaceOfTheMixDrawsInTheOrderOfItsDraws)
{
    // One operation of the mix at a time: the generator is steered so that the first entry
    // drawn after the set-up is the place's. The set-up takes 4 draws for each of the source's
    // 300 rectangles, then one for each 32-bit word of the pixel array.
    GDITestWorld world;
    RecordingGDITest test(world.client, world.output);
    const int width = static_cast<int>(test.getDisplayWidth());
    const int height = test.getDisplayHeight();
    const int strip = test.getStatusHeight();
    const int32_t maximum = randomTestMaximumSize(test.getDisplayWidth(), height, strip);
    const uint64_t setUp = 1200 + (static_cast<uint64_t>(test.getBitsPerPixel()) * height * width / 8 + 3) / 4;

    struct Place {
        const char* name;
        int entry;
        bool shows; // changes the window, so where it drew can be seen
    };
    const Place places[] = {{"WritePixelArray", 0, true}, {"ReadPixelArray", 1, false},
                            {"FillRect", 2, true},        {"BltRect", 22, true},
                            {"OverlappedBltRect", 42, true}, {"Composite", 62, false},
                            {"Dummy", 82, false}};
    for (const Place& place : places) {
        SCOPED_TRACE(place.name);
        paintTexture(test.getDC(), width, strip, height);
        const WindowPixels before(test.getDC(), width, height);
        RandomShadow::steerToEntry(place.entry, 102, setUp);
        RandomShadow shadow;
        shadow.skip(setUp);
        ASSERT_EQ(shadow.next() % 102, place.entry);
        std::vector<ShadowSquare> squares;
        uint64_t pixels = 0;
        if (place.entry < 82) {
            const int size = static_cast<int>(shadow.squareSize(maximum));
            int x = static_cast<int>(shadow.below(width - size));
            int y = static_cast<int>(shadow.below(height - strip - size));
            if (place.entry == 2) {
                shadow.next(); // the colour
            } else if (place.entry == 42) {
                int dx = x, dy = y;
                walkedShadow = &shadow;
                chooseOverlappedDestination(x, y, dx, dy, size, size, width - size,
                                            height - strip - size, shadowDraw);
                x = dx;
                y = dy;
            }
            squares.push_back({x, y + strip, size});
            pixels = static_cast<uint64_t>(size) * size;
        }

        uint64_t pixelCount = 12345;
        EXPECT_GE(test.randomTest(1, pixelCount), 0.0);
        EXPECT_EQ(pixelCount, pixels);
        EXPECT_TRUE(shadow.matches());
        const SquareChanges changes = changesAgainstSquares(
            before, WindowPixels(test.getDC(), width, height), width, 0, height, squares);
        EXPECT_EQ(changes.outside, 0u);
        if (place.shows) {
            EXPECT_GT(changes.inside, 0u);
        }
    }
}

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
    EXPECT_LE(counter.largest, static_cast<uint32_t>(randomTestMaximumSize(
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
