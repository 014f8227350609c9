#include "GDITestFixture.h"

#include <gtest/gtest.h>

#include <functional>
#include <iomanip>
#include <regex>

#include "core/RandomGenerator.h"
#include "core/RandomShadow.h"
#include "gdi/DrawingPlacement.h"
#include "results/BCObject.h"

namespace {

class GDIDrawing : public ::testing::Test {
protected:
    // One window for the whole suite: opening and closing a window under Wine takes seconds.
    static void SetUpTestSuite()
    {
        world = new GDITestWorld;
        shared = new RecordingGDITest(world->client, world->output);
    }
    static void TearDownTestSuite()
    {
        delete shared;
        delete world;
        shared = nullptr;
        world = nullptr;
    }

    GDIDrawing()
        : test(*shared), width(static_cast<int>(test.getDisplayWidth())),
          height(test.getDisplayHeight()), strip(test.getStatusHeight())
    {
        test.blendCapsOverride = -1;
    }

    WindowPixels snapshot() { return WindowPixels(test.getDC(), width, height); }

    // Runs the operation twice from the same random state on a black drawing area: once with
    // no operations (only what it prepares outside the timing), once with `count`. Checks the
    // time, that the counted operations changed the drawing area, and that the status strip
    // stayed as it was.
    void expectDraws(const std::function<double(int32_t)>& operation, int32_t count)
    {
        const uint32_t state = randomGeneratorStateForTesting();
        blacken(test.getDC(), width, strip, height);
        const WindowPixels before = snapshot();
        EXPECT_GE(operation(0), 0.0);
        const WindowPixels prepared = snapshot();

        restoreRandomGeneratorStateForTesting(state);
        blacken(test.getDC(), width, strip, height);
        const double seconds = operation(count);
        const WindowPixels drawn = snapshot();

        EXPECT_GE(seconds, 0.0);
        EXPECT_GT(drawn.differingPixels(prepared, strip, height), 0);
        EXPECT_EQ(drawn.differingPixels(before, 0, strip), 0) << "status strip touched";
    }

    static GDITestWorld* world;
    static RecordingGDITest* shared;
    RecordingGDITest& test;
    const int width;
    const int height;
    const int strip;
};

GDITestWorld* GDIDrawing::world = nullptr;
RecordingGDITest* GDIDrawing::shared = nullptr;

RandomShadow* walkedShadow = nullptr;
int shadowDraw() { return walkedShadow->next(); }

} // namespace

TEST_F(GDIDrawing, TimedRunsDrawWhereTheirRandomDrawsSay)
{
    // Each run from one random state twice, with no operations and with `count`: what the
    // operations changed lies in the squares the shadow walks to, and the draws match.
    test.blendCapsOverride = SB_PIXEL_ALPHA;
    const int size = 24;
    const int xRange = width - size;
    const int yRange = height - strip - size;
    struct Run {
        const char* name;
        int setUpDrawsBefore; // before the first position (the overlapped copy's pattern comes after it)
        std::function<double(int32_t)> operation;
        bool shows;
    };
    bool premultiplied = false;
    const Run runs[] = {
        {"FillRect", 0, [&](int32_t n) { return test.fillRectTest(size, size, n); }, true},
        {"BltBitMap", 800, [&](int32_t n) { return test.bltBitMapTest(size, size, n); }, true},
        // Per-pixel alpha needs a 32-bit source: on a 16-bit display GDI refuses the blends.
        {"Composite", 800, [&](int32_t n) { return test.compositeTest(size, size, n, premultiplied); },
         test.getBitsPerPixel() == 32},
        {"OverlappedBltBitMap", 0, [&](int32_t n) { return test.overlappedBltBitMapTest(size, size, n); },
         true},
    };
    for (const Run& run : runs) {
        SCOPED_TRACE(run.name);
        const bool overlapped = std::string(run.name) == "OverlappedBltBitMap";
        const uint32_t state = randomGeneratorStateForTesting();
        RandomShadow shadow;
        shadow.skip(run.setUpDrawsBefore);
        std::vector<ShadowSquare> squares;
        for (int i = 0; i < 2; ++i) {
            int x = static_cast<int>(shadow.below(xRange));
            int y = static_cast<int>(shadow.below(yRange));
            if (overlapped) {
                shadow.skip(800);
                int dx = x, dy = y;
                walkedShadow = &shadow;
                chooseOverlappedDestination(x, y, dx, dy, size, size, xRange, yRange, shadowDraw);
                x = dx;
                y = dy;
            }
            squares.push_back({x, y + strip, size});
            if (overlapped) {
                break;
            }
        }
        const int32_t count = overlapped ? 1 : 2;

        blacken(test.getDC(), width, strip, height);
        EXPECT_GE(run.operation(0), 0.0);
        const WindowPixels prepared = snapshot();
        restoreRandomGeneratorStateForTesting(state);
        blacken(test.getDC(), width, strip, height);
        EXPECT_GE(run.operation(count), 0.0);
        EXPECT_TRUE(shadow.matches());
        const SquareChanges changes =
            changesAgainstSquares(prepared, snapshot(), width, strip, height, squares);
        EXPECT_EQ(changes.inside > 0, run.shows);
        EXPECT_EQ(changes.outside, 0u);
    }
}

TEST_F(GDIDrawing, FillRectDrawsBelowTheStrip)
{
    expectDraws([&](int32_t n) { return test.fillRectTest(16, 16, n); }, 50);
    expectDraws([&](int32_t n) { return test.fillRectTest(64, 32, n); }, 20);
}

TEST_F(GDIDrawing, FillRectPlacesAndColoursAsDrawn)
{
    if (test.getBitsPerPixel() != 32) {
        GTEST_SKIP() << "exact colours need 8 bits per channel";
    }
    // Predict the draws with a private generator from the same state: x, then y, per
    // rectangle; colours 0, 0x010041, 0x020082 (COLORREF, so red is the low byte).
    const int size = 24;
    const int xRange = width - size;
    const int yRange = height - strip - size;
    RandomGenerator predictor(randomGeneratorStateForTesting());
    int x[3], y[3];
    for (int i = 0; i < 3; ++i) {
        x[i] = predictor.next() % xRange;
        y[i] = predictor.next() % yRange + strip;
    }
    blacken(test.getDC(), width, strip, height);
    EXPECT_GE(test.fillRectTest(size, size, 3), 0.0);
    EXPECT_EQ(randomGeneratorStateForTesting(), predictor.getState());

    const WindowPixels pixels = snapshot();
    EXPECT_EQ(pixels.at(x[2], y[2]), 0x820002u);
    EXPECT_EQ(pixels.at(x[2] + size - 1, y[2] + size - 1), 0x820002u);
    // Right and below the last rectangle: outside it (the fill excludes its right and bottom
    // edges), so it shows black or the second rectangle.
    const uint32_t outside = pixels.at(x[2] + size, y[2] + size);
    EXPECT_TRUE(outside == 0 || outside == 0x410001u) << std::hex << outside;
    int second = 0;
    for (int row = 0; row < size; ++row) {
        for (int column = 0; column < size; ++column) {
            second += pixels.at(x[1] + column, y[1] + row) == 0x410001u;
        }
    }
    EXPECT_GT(second, 0) << "the second rectangle is not entirely covered by the third";
    EXPECT_EQ(pixels.nonBlackPixels(strip, height), [&] {
        int lit = 0;
        for (int py = strip; py < height; ++py) {
            for (int px = 0; px < width; ++px) {
                const bool inSecond = px >= x[1] && px < x[1] + size && py >= y[1] && py < y[1] + size;
                const bool inThird = px >= x[2] && px < x[2] + size && py >= y[2] && py < y[2] + size;
                lit += inSecond || inThird;
            }
        }
        return lit;
    }());
}

TEST_F(GDIDrawing, BltBitMapDrawsBelowTheStrip)
{
    expectDraws([&](int32_t n) { return test.bltBitMapTest(32, 32, n); }, 50);
}

TEST_F(GDIDrawing, OverlappedBltBitMapMovesThePaintedArea)
{
    expectDraws([&](int32_t n) { return test.overlappedBltBitMapTest(32, 32, n); }, 200);
}

TEST_F(GDIDrawing, SquaresAsLargeAsTheDrawingAreaAllowNeedNoRange)
{
    // The largest square the runner can choose here leaves no free range on at least one axis.
    const int size = std::min(width, height - strip);
    expectDraws([&](int32_t n) { return test.fillRectTest(size, size, n); }, 3);
    expectDraws([&](int32_t n) { return test.bltBitMapTest(size, size, n); }, 3);
    const uint32_t state = randomGeneratorStateForTesting();
    EXPECT_GE(test.overlappedBltBitMapTest(size, size, 5), 0.0); // must end
    EXPECT_NE(randomGeneratorStateForTesting(), state);
    bool premultiplied = false;
    test.blendCapsOverride = SB_PIXEL_ALPHA;
    EXPECT_GE(test.compositeTest(size, size, 3, premultiplied), 0.0);
}

TEST_F(GDIDrawing, CompositeIsUnsupportedWithoutBlendingCapability)
{
    // Wine's screen device reports no blending capability (SHADEBLENDCAPS 0).
    test.blendCapsOverride = 0;
    blacken(test.getDC(), width, strip, height);
    const WindowPixels before = snapshot();
    const uint32_t state = randomGeneratorStateForTesting();
    bool premultiplied = false;
    EXPECT_EQ(test.compositeTest(32, 32, 100, premultiplied), -1.0);
    EXPECT_FALSE(premultiplied);
    EXPECT_EQ(snapshot().differingPixels(before, 0, height), 0);
    EXPECT_EQ(randomGeneratorStateForTesting(), state);
}

TEST_F(GDIDrawing, RealDeviceCapsDecideComposite)
{
    bool premultiplied = false;
    const double seconds = test.compositeTest(32, 32, 10, premultiplied);
    if (GetDeviceCaps(test.getDC(), SHADEBLENDCAPS) == 0) {
        EXPECT_EQ(seconds, -1.0);
        EXPECT_FALSE(premultiplied);
    } else {
        EXPECT_GE(seconds, 0.0);
        EXPECT_TRUE(premultiplied);
    }
}

TEST_F(GDIDrawing, CompositeBlendsWhenTheDeviceCanBlend)
{
    test.blendCapsOverride = SB_PIXEL_ALPHA;
    bool premultiplied = false;
    if (test.getBitsPerPixel() == 32) {
        expectDraws([&](int32_t n) { return test.compositeTest(64, 64, n, premultiplied); }, 50);
    } else {
        // Per-pixel alpha needs a 32-bit source; GDI refuses the blends, the time still counts.
        EXPECT_GE(test.compositeTest(64, 64, 50, premultiplied), 0.0);
    }
    EXPECT_TRUE(premultiplied);
}

TEST_F(GDIDrawing, CompositeSrcMaskIsNeverSupported)
{
    blacken(test.getDC(), width, strip, height);
    const WindowPixels before = snapshot();
    const uint32_t state = randomGeneratorStateForTesting();
    bool premultiplied = false, combined = false;
    EXPECT_EQ(test.compositeSrcMaskTest(16, 16, 10000, premultiplied, combined), -1.0);
    EXPECT_FALSE(premultiplied);
    EXPECT_FALSE(combined);
    EXPECT_EQ(snapshot().differingPixels(before, 0, height), 0);
    EXPECT_EQ(randomGeneratorStateForTesting(), state);
}

TEST_F(GDIDrawing, PixelArrayTestsRunBothTransfers)
{
    world->console << std::setprecision(3);
    world->transcript << std::setprecision(3);
    world->console.str("");
    world->transcript.str("");
    blacken(test.getDC(), width, strip, height);
    const WindowPixels before = snapshot();
    test.statusMessages.clear();

    bool failed = false;
    EXPECT_EQ(test.runPixelArrayTests(5, 9, 2000, failed), 7);
    EXPECT_FALSE(failed);

    ASSERT_EQ(test.statusMessages.size(), 2u);
    EXPECT_EQ(test.statusMessages[0], "Korvid 2.9 (2012/06/11). Running WritePixelArray test "
                                      "(test 5 of 9). Please be patient...");
    EXPECT_EQ(test.statusMessages[1], "Korvid 2.9 (2012/06/11). Running ReadPixelArray test "
                                      "(test 6 of 9). Please be patient...");

    const std::string transcript = world->transcript.str();
    std::smatch match;
    ASSERT_TRUE(std::regex_match(
        transcript, match,
        std::regex("WritePixelArray: ([0-9]+\\.[0-9]{3}) MiB/s \\(took [0-9]+\\.[0-9]{6} "
                   "seconds\\)\\. \n"
                   "ReadPixelArray: ([0-9]+\\.[0-9]{3}) MiB/s \\(took [0-9]+\\.[0-9]{6} "
                   "seconds\\)\\. \n")))
        << transcript;
    EXPECT_EQ(world->console.str(), transcript);
    // Precision back as it was; fixed notation stays.
    EXPECT_EQ(world->console.precision(), 3);
    EXPECT_EQ(world->transcript.precision(), 3);

    const BCObject& root = *world->client.getRootObject();
    const std::string writeRate = fieldValue(root, "WritePixelArray_MiB_s");
    const std::string readRate = fieldValue(root, "ReadPixelArray_MiB_s");
    ASSERT_NE(writeRate, "<missing>");
    ASSERT_NE(readRate, "<missing>");
    EXPECT_NEAR(std::stod(writeRate), std::stod(match[1].str()), 0.0011 * std::stod(writeRate));
    EXPECT_NEAR(std::stod(readRate), std::stod(match[2].str()), 0.0011 * std::stod(readRate));
    EXPECT_GT(std::stod(writeRate), 0.0);

    // The write test put the random pixel array over the whole drawing area (each 32-bit word
    // holds one draw of 15 bits: at 16 bits per pixel every second pixel is black).
    const WindowPixels after = snapshot();
    EXPECT_GT(after.nonBlackPixels(strip, height), (height - strip) * width / 3);
}
