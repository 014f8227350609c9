// The Direct2D test on a real (Wine) display: set-up, timed operations, random test and
// pixel-array transfers. Direct2D on a software renderer is slow, so counts stay small; a small
// display (320 x 240) keeps the screen-sized set-ups quick.
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <memory>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "base/OutputPair.h"
#include "client/BenchmarkClient.h"
#include "core/RandomGenerator.h"
#include "core/RandomShadow.h"
#include "core/RandomTestMaximumSize.h"
#include "d2d/D2DGeometry.h"
#include "d2d/D2DSupportProbes.h"
#include "d2d/D2DTest.h"
#include "D2DScreenReader.h"
#include "results/BCField.h"
#include "results/BCObject.h"
#include "results/BCObjectField.h"

namespace {

const uint32_t BLACK = 0xFF000000u;
const uint32_t WHITE = 0xFFFFFFFFu;

class D2DTestOnDisplay : public ::testing::Test {
protected:
    void SetUp() override {
        test = std::make_unique<D2DTest>(client, "Korvid 2.9 (2012/06/11). ", output, 0x1F);
        width = test->getDisplayWidth();
        height = static_cast<uint32_t>(test->getDisplayHeight());
    }

    // Wine reads a presented (discarded) buffer back as zeros, though Direct2D goes on drawing
    // over the old contents; a status message, as the runner writes before every run, makes
    // the buffer readable again without touching the drawing area.
    ScreenPixels screen() {
        test->setStatusMessage("Korvid 2.9 (2012/06/11). ");
        test->flushAndWait();
        return readScreen(test->getDevice(), test->getSwapChain());
    }

    // The row pitch the driver gives a screen-sized staging texture in the screen's format.
    uint32_t stagingRowPitch() {
        D3D10_TEXTURE2D_DESC desc = {};
        desc.Width = width;
        desc.Height = height;
        desc.MipLevels = 1;
        desc.ArraySize = 1;
        desc.Format = test->getRenderTarget()->GetPixelFormat().format;
        desc.SampleDesc.Count = 1;
        desc.Usage = D3D10_USAGE_STAGING;
        desc.CPUAccessFlags = D3D10_CPU_ACCESS_READ | D3D10_CPU_ACCESS_WRITE;
        ComPtr<ID3D10Texture2D> staging;
        TextureMapping mapping;
        if (test->getDevice()->CreateTexture2D(&desc, nullptr, staging.put()) != S_OK ||
            !mapping.map(staging.get(), D3D10_MAP_READ_WRITE)) {
            ADD_FAILURE() << "no staging texture";
            return 0;
        }
        return mapping.rowPitch();
    }

    // Whether FillOpacityMask draws on this screen at all: an opaque mask, a white brush.
    bool opacityMaskDrawsOnScreen() {
        ID2D1RenderTarget* target = test->getRenderTarget();
        const D2D1_SIZE_F size = {16.0f, 16.0f};
        const D2D1_PIXEL_FORMAT maskFormat = {DXGI_FORMAT_A8_UNORM, D2D1_ALPHA_MODE_STRAIGHT};
        ComPtr<ID2D1BitmapRenderTarget> maskTarget;
        EXPECT_EQ(S_OK, target->CreateCompatibleRenderTarget(
                            &size, nullptr, &maskFormat, D2D1_COMPATIBLE_RENDER_TARGET_OPTIONS_NONE,
                            maskTarget.put()));
        maskTarget->BeginDraw();
        const D2D1_COLOR_F opaque = {0.0f, 0.0f, 0.0f, 1.0f};
        maskTarget->Clear(&opaque);
        maskTarget->EndDraw();
        ComPtr<ID2D1Bitmap> mask;
        maskTarget->GetBitmap(mask.put());
        const D2D1_COLOR_F white = {1.0f, 1.0f, 1.0f, 1.0f};
        ComPtr<ID2D1SolidColorBrush> brush;
        target->CreateSolidColorBrush(&white, nullptr, brush.put());
        const ScreenPixels before = screen();
        target->BeginDraw();
        target->SetAntialiasMode(D2D1_ANTIALIAS_MODE_ALIASED);
        const D2D1_RECT_F where = {0.0f, 40.0f, 16.0f, 56.0f};
        const D2D1_RECT_F whole = {0.0f, 0.0f, 16.0f, 16.0f};
        target->FillOpacityMask(mask.get(), brush.get(), D2D1_OPACITY_MASK_CONTENT_GRAPHICS,
                                &where, &whole);
        target->SetAntialiasMode(D2D1_ANTIALIAS_MODE_PER_PRIMITIVE);
        EXPECT_EQ(S_OK, target->EndDraw());
        const bool drawn = before.changedPixels(screen(), 40, 56) > 0;
        // Leave the drawing area black again for the test that follows.
        target->BeginDraw();
        const D2D1_COLOR_F black = {0.0f, 0.0f, 0.0f, 1.0f};
        brush->SetColor(&black);
        target->FillRectangle(&where, brush.get());
        target->EndDraw();
        return drawn;
    }

    // The drawing area black again, below the strip.
    void blackenDrawingArea() {
        ID2D1RenderTarget* target = test->getRenderTarget();
        const D2D1_COLOR_F black = {0.0f, 0.0f, 0.0f, 1.0f};
        ComPtr<ID2D1SolidColorBrush> brush;
        target->CreateSolidColorBrush(&black, nullptr, brush.put());
        target->BeginDraw();
        const D2D1_RECT_F area = {0.0f, 20.0f, static_cast<float>(width), static_cast<float>(height)};
        target->FillRectangle(&area, brush.get());
        target->EndDraw();
    }

    std::string fieldValue(const std::string& name) {
        auto root = client.getRootObject();
        for (int i = 0; i < root->getNumFields(); ++i) {
            if (root->getField(i)->getName() == name) {
                return root->getField(i)->getValue();
            }
        }
        return "(missing)";
    }

    // Draws into the drawing area only: the status strip is what it was before.
    void expectDrawnBelowTheStrip(const ScreenPixels& before, const ScreenPixels& after) {
        ASSERT_EQ(width, after.width);
        EXPECT_EQ(0u, before.changedPixels(after, 0, 20)) << "the status strip was drawn over";
        EXPECT_GT(before.changedPixels(after, 20, height), 0u) << "nothing was drawn";
    }

    std::ostringstream console;
    std::ostringstream transcript;
    OutputPair output{console, transcript};
    BenchmarkClient client{"KorvidResult", "https://localhost:9/api/v1/", "Korvid_Windows_2.9",
                           "TestKey", "http://localhost:9/Benchmark/Korvid/Result/",
                           "Korvid/2.9 (Windows)"};
    std::unique_ptr<D2DTest> test;
    uint32_t width = 0;
    uint32_t height = 0;
};

}  // namespace

TEST(D2DTestFormat, SwapChainFormatFollowsTheDepth) {
    EXPECT_EQ(28, D2DTest::swapChainFormatForDepth(32));  // R8G8B8A8_UNORM
    EXPECT_EQ(86, D2DTest::swapChainFormatForDepth(16));  // B5G5R5A1_UNORM
    EXPECT_EQ(0, D2DTest::swapChainFormatForDepth(24));
    EXPECT_EQ(0, D2DTest::swapChainFormatForDepth(8));
}

TEST_F(D2DTestOnDisplay, SetsUpAFullScreenSwapChainWithABlackScreenAndAWhiteStrip) {
    DEVMODEA mode = {};
    mode.dmSize = sizeof(mode);
    ASSERT_TRUE(EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &mode));
    if (mode.dmBitsPerPel != 32) {
        GTEST_SKIP() << "needs a 24- or 32-bit display, this one has " << mode.dmBitsPerPel;
    }
    EXPECT_EQ(mode.dmPelsWidth, width);
    EXPECT_EQ(mode.dmPelsHeight, height);
    EXPECT_EQ(mode.dmDisplayFrequency, test->getRefreshRate());
    EXPECT_EQ(32u, test->getBitsPerPixel());
    EXPECT_EQ(20, test->getStatusHeight());
    EXPECT_EQ(2, test->pixelArrayTestCount());
    EXPECT_EQ(0u, console.str().find("Initialising Direct2D test.\n\n"));
    EXPECT_EQ(0u, transcript.str().find("Initialising Direct2D test.\n\n"));

    // The card, as every back end describes it, after the set-up.
    EXPECT_FALSE(test->getCardName().empty());
    EXPECT_NE(std::string::npos, console.str().find("\nBoard name: " + test->getCardName() + "\n"));
    std::ostringstream modeLine;
    modeLine << "\nDisplay mode: " << width << "x" << height << "@" << mode.dmDisplayFrequency
             << " (32 bpp)\n";
    const std::string consoleText = console.str();
    const std::string transcriptText = transcript.str();
    EXPECT_EQ(consoleText.size() - modeLine.str().size() - 2, consoleText.rfind(modeLine.str()))
        << consoleText;  // then the two console-only empty lines
    EXPECT_EQ(transcriptText.size() - modeLine.str().size(), transcriptText.rfind(modeLine.str()));
    EXPECT_EQ(std::to_string(width), fieldValue("DisplayWidth"));
    EXPECT_EQ(std::to_string(height), fieldValue("DisplayHeight"));
    EXPECT_EQ("32", fieldValue("BitsPerPixel"));
    ASSERT_EQ(1, client.getRootObject()->getNumSubObjects());
    EXPECT_EQ("GraphicsCard", client.getRootObject()->getSubObjectField(0)->getName());

    char className[64] = {};
    GetClassNameA(test->getWindow(), className, sizeof(className));
    EXPECT_STREQ("Direct2DTest", className);
    EXPECT_EQ(static_cast<LONG_PTR>(WS_EX_APPWINDOW | WS_EX_TOPMOST),
              GetWindowLongPtrA(test->getWindow(), GWL_EXSTYLE) & (WS_EX_APPWINDOW | WS_EX_TOPMOST));
    EXPECT_TRUE(IsWindowVisible(test->getWindow()));

    DXGI_SWAP_CHAIN_DESC desc = {};
    ASSERT_EQ(S_OK, test->getSwapChain()->GetDesc(&desc));
    EXPECT_EQ(DXGI_FORMAT_R8G8B8A8_UNORM, desc.BufferDesc.Format);
    EXPECT_EQ(width, desc.BufferDesc.Width);
    EXPECT_EQ(1u, desc.BufferCount);
    EXPECT_FALSE(desc.Windowed);
    BOOL fullScreen = FALSE;
    test->getSwapChain()->GetFullscreenState(&fullScreen, nullptr);
    EXPECT_TRUE(fullScreen);
    EXPECT_GE(test->getDevice()->GetFeatureLevel(), D3D10_FEATURE_LEVEL_9_1);
    const D2D1_SIZE_F size = test->getRenderTarget()->GetSize();
    EXPECT_FLOAT_EQ(static_cast<float>(width), size.width);  // DPI 96: a unit is a pixel

    const ScreenPixels shown = screen();
    ASSERT_EQ(width, shown.width);
    // No "Verdana" here, so the strip's text draws nothing: the strip is all white.
    EXPECT_EQ(WHITE, shown.at(0, 0));
    EXPECT_EQ(WHITE, shown.at(width - 1, 19));
    EXPECT_EQ(BLACK, shown.at(0, 20));
    EXPECT_EQ(BLACK, shown.at(width - 1, height - 1));
}

TEST_F(D2DTestOnDisplay, ASecondTestCanBeMadeAfterTheFirstIsGone) {
    const HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA found;
    EXPECT_TRUE(GetClassInfoA(instance, "Direct2DTest", &found));
    test.reset();
    EXPECT_FALSE(GetClassInfoA(instance, "Direct2DTest", &found)) << "class left registered";
    EXPECT_EQ(nullptr, FindWindowA("Direct2DTest", nullptr)) << "window left open";

    test = std::make_unique<D2DTest>(client, "Second. ", output, 0x1F);
    EXPECT_NE(nullptr, FindWindowA("Direct2DTest", nullptr));
    EXPECT_EQ(2u, [&] {
        std::string all = console.str();
        size_t n = 0;
        for (size_t at = all.find("Initialising Direct2D test."); at != std::string::npos;
             at = all.find("Initialising Direct2D test.", at + 1)) {
            ++n;
        }
        return n;
    }());
}

TEST_F(D2DTestOnDisplay, StatusMessageRepaintsTheStripOnly) {
    test->fillRectTest(64, 64, 20);
    const ScreenPixels before = screen();
    test->setStatusMessage("Korvid 2.9 (2012/06/11). Running FillRect test with size=(16, 16)");
    test->flushAndWait();
    const ScreenPixels after = readScreen(test->getDevice(), test->getSwapChain());
    EXPECT_EQ(0u, before.changedPixels(after, 20, height));
    for (uint32_t x = 0; x < width; x += 7) {
        EXPECT_EQ(WHITE, after.at(x, 0));
    }
}

TEST_F(D2DTestOnDisplay, FillRectDrawsCountRectanglesWithTwoDrawsEach) {
    const ScreenPixels before = screen();
    RandomShadow shadow;
    const double seconds = test->fillRectTest(16, 16, 40);
    EXPECT_GE(seconds, 0.0);
    shadow.skip(80);
    EXPECT_TRUE(shadow.matches());
    expectDrawnBelowTheStrip(before, screen());
}

TEST_F(D2DTestOnDisplay, FillRectAsWideAsTheScreenIsPlacedAtTheLeftEdge) {
    const double seconds = test->fillRectTest(static_cast<int32_t>(width), 16, 5);
    EXPECT_GE(seconds, 0.0);
    const ScreenPixels after = screen();
    size_t columnsDrawn = 0;
    for (uint32_t x = 0; x < width; ++x) {
        for (uint32_t y = 20; y < height; ++y) {
            if (after.at(x, y) != BLACK) {
                ++columnsDrawn;
                break;
            }
        }
    }
    EXPECT_EQ(width, columnsDrawn);
}

TEST_F(D2DTestOnDisplay, BltBitMapCopiesThePatternIntoTheDrawingArea) {
    const ScreenPixels before = screen();
    RandomShadow shadow;
    EXPECT_GE(test->bltBitMapTest(32, 32, 30), 0.0);
    shadow.skip(800 + 60);  // the pattern's 200 x 4, then x and y per copy
    EXPECT_TRUE(shadow.matches());
    expectDrawnBelowTheStrip(before, screen());
}

TEST_F(D2DTestOnDisplay, OverlappedBltBitMapIsNotSupportedWhereTheScreenCannotBeCopied) {
    // Whether this Direct2D can copy its render target into a bitmap at all.
    D2D1_BITMAP_PROPERTIES properties = {test->getRenderTarget()->GetPixelFormat(), 96.0f, 96.0f};
    ComPtr<ID2D1Bitmap> bitmap;
    ASSERT_EQ(S_OK, test->getRenderTarget()->CreateBitmap(D2D1_SIZE_U{16, 16}, nullptr, 0,
                                                          &properties, bitmap.put()));
    const D2D1_POINT_2U origin = {0, 0};
    const D2D1_RECT_U source = {0, 20, 16, 36};
    const HRESULT copied =
        bitmap->CopyFromRenderTarget(&origin, test->getRenderTarget(), &source);
    EXPECT_EQ(copied == S_OK, test->canCopyRenderTarget());

    const ScreenPixels before = screen();
    RandomShadow shadow;
    const double seconds = test->overlappedBltBitMapTest(16, 16, 30);
    if (copied == S_OK) {
        EXPECT_GE(seconds, 0.0);
    } else {
        // Wine 8: E_NOTIMPL. The run must say "not supported" instead of timing draws alone.
        EXPECT_EQ(-1.0, seconds);
        EXPECT_EQ(static_cast<HRESULT>(0x80004001), copied) << "Wine's answer has changed";
        // The set-up ran (its rectangles and the first position), the copies did not.
        shadow.skip(800 + 2);
        EXPECT_TRUE(shadow.matches());
    }
    expectDrawnBelowTheStrip(before, screen());
}

TEST_F(D2DTestOnDisplay, CompositeSetsPremultipliedAlphaAndBlends) {
    const ScreenPixels before = screen();
    bool premultiplied = false;
    RandomShadow shadow;
    EXPECT_GE(test->compositeTest(32, 32, 30, premultiplied), 0.0);
    EXPECT_TRUE(premultiplied);
    shadow.skip(800 + 60);
    EXPECT_TRUE(shadow.matches());
    expectDrawnBelowTheStrip(before, screen());
}

TEST_F(D2DTestOnDisplay, CompositeSrcMaskSetsBothFlagsAndIsNotSupportedWhereMasksDoNotDraw) {
    const bool masksDraw = opacityMaskDrawsOnScreen();
    const ScreenPixels before = screen();
    bool premultiplied = false;
    bool combined = false;
    RandomShadow shadow;
    const double seconds = test->compositeSrcMaskTest(32, 32, 30, premultiplied, combined);
    EXPECT_TRUE(premultiplied);
    EXPECT_TRUE(combined);
    const ScreenPixels after = screen();
    if (masksDraw) {
        EXPECT_GE(seconds, 0.0);
        shadow.skip(1600 + 60);  // source and mask patterns, then the copies
        EXPECT_TRUE(shadow.matches());
        expectDrawnBelowTheStrip(before, after);
    } else {
        // Wine 8: FillOpacityMask is a stub that draws nothing and reports success.
        EXPECT_EQ(-1.0, seconds);
        shadow.skip(1600);  // the set-up ran, the timed loop did not
        EXPECT_TRUE(shadow.matches());
        EXPECT_EQ(0u, before.changedPixels(after, 0, height));
    }
}

TEST_F(D2DTestOnDisplay, TheMaskProbeSeesWhatReachesTheDevice) {
    ComPtr<ID2D1Factory> factory;
    test->getRenderTarget()->GetFactory(factory.put());
    ID3D10Device* device = test->getDevice();
    // A plain fill reaches the probe's target; drawing nothing leaves it clear.
    EXPECT_TRUE(drawingReachesTarget(factory.get(), device, [](ID2D1RenderTarget* target) {
        const D2D1_COLOR_F red = {1.0f, 0.0f, 0.0f, 1.0f};
        ComPtr<ID2D1SolidColorBrush> brush;
        target->CreateSolidColorBrush(&red, nullptr, brush.put());
        target->BeginDraw();
        const D2D1_RECT_F all = {0.0f, 0.0f, 8.0f, 8.0f};
        target->FillRectangle(&all, brush.get());
        return target->EndDraw() == S_OK;
    }));
    EXPECT_FALSE(drawingReachesTarget(factory.get(), device, [](ID2D1RenderTarget* target) {
        target->BeginDraw();
        return target->EndDraw() == S_OK;
    }));
    EXPECT_FALSE(drawingReachesTarget(factory.get(), device,
                                      [](ID2D1RenderTarget*) { return false; }));
    EXPECT_EQ(opacityMaskDrawsOnScreen(), opacityMaskDraws(factory.get(), device));
    EXPECT_EQ(opacityMaskDrawsOnScreen(), test->canDrawOpacityMasks());
}

TEST_F(D2DTestOnDisplay, TimedOperationsWithNoCountDrawNothing) {
    bool premultiplied = false;
    test->fillRectTest(16, 16, 0);
    const ScreenPixels before = screen();
    EXPECT_GE(test->fillRectTest(16, 16, 0), 0.0);
    EXPECT_GE(test->compositeTest(16, 16, 0, premultiplied), 0.0);
    EXPECT_GE(test->bltBitMapTest(16, 16, 0), 0.0);
    EXPECT_EQ(0u, before.changedPixels(screen(), 0, height));
}

namespace {

// The random mix's places (first entry of each) and where a place's operation draws.
enum MixEntry { MIX_WRITE = 0, MIX_READ = 1, MIX_FILL = 2, MIX_BLT = 22, MIX_OVERLAPPED = 42, MIX_COMPOSITE = 62, MIX_MASK = 82 };
struct MixDraw {
    uint64_t pixels;      // 0 for an empty place
    ShadowSquare square;  // where it draws (the destination of an overlapped copy)
};

// One operation of randomTest's timed loop walked on the shadow. A place whose operation the
// platform cannot do is empty: it takes the entry's draw and nothing else.
MixDraw walkMixOperation(RandomShadow& shadow, int32_t maximum, int64_t w, int64_t h, int64_t s,
                         bool copies, bool masks) {
    const int entry = shadow.next() % 102;
    if ((entry >= MIX_OVERLAPPED && entry < MIX_COMPOSITE && !copies) || (entry >= MIX_MASK && !masks)) {
        return {0, {0, 0, 0}};
    }
    const uint32_t size = shadow.squareSize(maximum);
    int32_t x = static_cast<int32_t>(shadow.below(w - size));
    int32_t y = static_cast<int32_t>(shadow.below(h - size - s) + s);
    if (entry >= MIX_FILL && entry < MIX_BLT) {
        shadow.next();  // the fill's colour
    } else if (entry >= MIX_OVERLAPPED && entry < MIX_COMPOSITE) {
        const int32_t px = x;
        const int32_t py = y;
        while (x == px || y == py) {
            x = overlapCandidate(shadow.next(), size, px, 0, static_cast<int32_t>(w - size));
            y = overlapCandidate(shadow.next(), size, py, static_cast<int32_t>(s),
                                 static_cast<int32_t>(h - size));
        }
    }
    return {static_cast<uint64_t>(size) * size, {x, y, size}};
}

}  // namespace

TEST_F(D2DTestOnDisplay, RandomTestCountsThePixelsOfEveryExecutedOperation) {
    const uint64_t setUp = (static_cast<uint64_t>(height - 20) * stagingRowPitch() + 3) / 4 + 1600;
    const int32_t maximum = randomTestMaximumSize(width, static_cast<int32_t>(height), 20);
    const bool copies = test->canCopyRenderTarget();
    const bool masks = test->canDrawOpacityMasks();

    const ScreenPixels before = screen();
    for (int32_t count : {60, 1}) {  // the second run starts counting afresh
        RandomShadow shadow;
        shadow.skip(setUp);  // staging texture, source pattern, mask pattern
        uint64_t expected = 0;
        for (int32_t i = 0; i < count; ++i) {
            expected += walkMixOperation(shadow, maximum, width, height, 20, copies, masks).pixels;
        }
        uint64_t pixelCount = 12345;
        EXPECT_GE(test->randomTest(count, pixelCount), 0.0);
        EXPECT_EQ(expected, pixelCount);
        EXPECT_TRUE(shadow.matches());
    }
    expectDrawnBelowTheStrip(before, screen());
}

TEST_F(D2DTestOnDisplay, EachPlaceOfTheMixDrawsInTheOrderOfItsDraws) {
    // One operation of the mix at a time: the generator is steered so that the first entry
    // drawn after the set-up is the place's. The transfers draw into textures, off the screen.
    const uint64_t setUp = (static_cast<uint64_t>(height - 20) * stagingRowPitch() + 3) / 4 + 1600;
    const int32_t maximum = randomTestMaximumSize(width, static_cast<int32_t>(height), 20);
    const bool copies = test->canCopyRenderTarget();
    const bool masks = test->canDrawOpacityMasks();
    for (MixEntry entry : {MIX_WRITE, MIX_READ, MIX_FILL, MIX_BLT, MIX_OVERLAPPED, MIX_COMPOSITE, MIX_MASK}) {
        SCOPED_TRACE(entry);
        test->fillRectTest(32, 32, 300);  // something for an overlapped copy to move
        const ScreenPixels before = screen();
        RandomShadow::steerToEntry(entry, 102, setUp);
        RandomShadow shadow;
        shadow.skip(setUp);
        const MixDraw drawn = walkMixOperation(shadow, maximum, width, height, 20, copies, masks);
        uint64_t pixelCount = 12345;
        EXPECT_GE(test->randomTest(1, pixelCount), 0.0);
        EXPECT_EQ(drawn.pixels, pixelCount);
        EXPECT_TRUE(shadow.matches());
        const SquareChanges changes =
            changesAgainstSquares(before, screen(), width, 20, height, {drawn.square});
        EXPECT_EQ(0u, changes.outside);
        const bool shows = entry != MIX_WRITE && entry != MIX_READ && drawn.pixels != 0;
        EXPECT_EQ(shows, changes.inside > 0);
    }
    // Wine 8 can do neither: their places are empty there.
    EXPECT_FALSE(copies && masks) << "Wine's Direct2D has changed";
}

TEST_F(D2DTestOnDisplay, TimedRunsDrawWhereTheirRandomDrawsSay) {
    // Each run from one random state twice, with no operations and with two: what the
    // operations changed lies in the squares the shadow walks to. The first fill is black.
    const int32_t size = 24;
    const int64_t maxX = width - size;
    const int64_t maxY = height - size - 20;
    bool premultiplied = false;
    bool combined = false;
    struct Run {
        const char* name;
        uint64_t setUpDraws;  // the patterns, before the positions
        std::function<double(int32_t)> operation;
        bool supported;
    };
    const Run runs[] = {
        {"FillRect", 0, [&](int32_t n) { return test->fillRectTest(size, size, n); }, true},
        {"BltBitMap", 800, [&](int32_t n) { return test->bltBitMapTest(size, size, n); }, true},
        {"Composite", 800,
         [&](int32_t n) { return test->compositeTest(size, size, n, premultiplied); }, true},
        {"CompositeSrcMask", 1600,
         [&](int32_t n) { return test->compositeSrcMaskTest(size, size, n, premultiplied, combined); },
         test->canDrawOpacityMasks()},
    };
    for (const Run& run : runs) {
        SCOPED_TRACE(run.name);
        RandomShadow shadow;
        const uint32_t state = randomGeneratorStateForTesting();
        shadow.skip(run.setUpDraws);
        std::vector<ShadowSquare> squares;
        for (int i = 0; i < 2 && run.supported; ++i) {
            const int64_t x = shadow.below(maxX);
            const int64_t y = shadow.below(maxY) + 20;
            squares.push_back({x, y, size});
        }
        blackenDrawingArea();
        run.operation(0);
        const ScreenPixels prepared = screen();
        restoreRandomGeneratorStateForTesting(state);
        blackenDrawingArea();
        const double seconds = run.operation(2);
        EXPECT_TRUE(shadow.matches());
        EXPECT_EQ(run.supported, seconds >= 0.0);
        const SquareChanges changes =
            changesAgainstSquares(prepared, screen(), width, 20, height, squares);
        EXPECT_EQ(0u, changes.outside);
        EXPECT_EQ(run.supported, changes.inside > 0);
    }
}

TEST_F(D2DTestOnDisplay, PixelArrayTestsPrintAndRecordBothTransfers) {
    console.str("");
    transcript.str("");
    RandomShadow shadow;
    bool failed = false;
    const std::ios_base::fmtflags flagsBefore = console.flags();
    EXPECT_EQ(7 + 2, test->runPixelArrayTests(7, 38, 1000, failed));
    EXPECT_FALSE(failed);

    const std::regex lines(
        "WritePixelArray: [0-9]+\\.[0-9]{3} MiB/s \\(took [0-9]+\\.[0-9]{6} seconds\\)\\. \n"
        "ReadPixelArray: [0-9]+\\.[0-9]{3} MiB/s \\(took [0-9]+\\.[0-9]{6} seconds\\)\\. \n");
    EXPECT_TRUE(std::regex_match(console.str(), lines)) << console.str();
    EXPECT_EQ(console.str(), transcript.str());
    // The streams' notation is back to what it was; the precision stays at 6.
    EXPECT_EQ(flagsBefore, console.flags());
    EXPECT_EQ(flagsBefore, transcript.flags());
    EXPECT_EQ(6, console.precision());

    for (const char* name : {"WritePixelArray_MiB_s", "ReadPixelArray_MiB_s"}) {
        const std::string value = fieldValue(name);
        EXPECT_GT(std::stod(value), 0.0) << name << " = " << value;
        // Written as a stream writes a double by default: at most six significant digits.
        EXPECT_TRUE(std::regex_match(value, std::regex("[0-9]{1,6}(\\.[0-9]{1,5})?|[0-9.]+e\\+[0-9]+")))
            << value;
    }

    // The staging texture was filled with one random word per 32 bits of the drawing area's
    // rows, once for both tests.
    const uint64_t words = (static_cast<uint64_t>(height - 20) * stagingRowPitch() + 3) / 4;
    shadow.skip(words);
    EXPECT_TRUE(shadow.matches());
}

TEST_F(D2DTestOnDisplay, PixelArrayTestsWithNoMinimumTimeSkipTheMeasurement) {
    bool failed = false;
    console.str("");
    EXPECT_EQ(3, test->runPixelArrayTests(1, 2, 0, failed));
    EXPECT_FALSE(failed);
    EXPECT_EQ("WritePixelArray: 0.000 MiB/s (took 0.000000 seconds). \n"
              "ReadPixelArray: 0.000 MiB/s (took 0.000000 seconds). \n",
              console.str());
    EXPECT_EQ("0", fieldValue("WritePixelArray_MiB_s"));
}
