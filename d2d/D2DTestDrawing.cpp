// The timed drawing operations of the Direct2D test.
#include <memory>
#include <string>

#include "core/MicrosecondClock.h"
#include "core/RTODummy.h"
#include "core/RandomGenerator.h"
#include "core/RandomTestMaximumSize.h"
#include "core/RandomTestConductor.h"
#include "d2d/D2DDrawing.h"
#include "d2d/D2DSupportProbes.h"
#include "d2d/D2DPattern.h"
#include "d2d/D2DResources.h"
#include "d2d/D2DTest.h"
#include "d2d/RTOBltRectD2D.h"
#include "d2d/RTOCompositeD2D.h"
#include "d2d/RTOCompositeSrcMaskD2D.h"
#include "d2d/RTOFillRectD2D.h"
#include "d2d/RTOOverlappedBltRectD2D.h"
#include "d2d/RTOReadPixelArrayD2D.h"
#include "d2d/RTOWritePixelArrayD2D.h"

namespace {

// A translucent pattern bitmap for the compositing runs (the A8 format for a mask, else the
// screen's), painted before the run starts.
CompatibleBitmap translucentPattern(ID2D1RenderTarget* screen, ID2D1SolidColorBrush* brush,
                                    int32_t width, int32_t height, bool mask) {
    CompatibleBitmap pattern;
    pattern.target = createCompatibleTarget(screen, width, height, mask);
    pattern.bitmap = targetBitmap(pattern.target.get(), "ERROR: Could not allocate a bitmap");
    if (paintPattern(pattern.target.get(), brush, width, height, true, !mask) != S_OK) {
        throw std::string("ERROR: Rendering failed.");
    }
    return pattern;
}

} // namespace

bool D2DTest::canCopyRenderTarget() {
    if (!copiesRenderTarget) {
        copiesRenderTarget = renderTargetCopies(renderTarget.get(), statusHeight);
    }
    return *copiesRenderTarget;
}

bool D2DTest::canDrawOpacityMasks() {
    if (!drawsOpacityMasks) {
        drawsOpacityMasks = opacityMaskDraws(d2dFactory.get(), device.get());
    }
    return *drawsOpacityMasks;
}

// A timed run: Present (the status strip the runner just wrote), the set-up, flushAndWait,
// clock, BeginDraw, the n drawing calls, EndDraw, flushAndWait, clock. What a run creates is
// released when it returns, after the second clock reading, or when it throws.

double D2DTest::finishTimedRun(uint64_t start) {
    if (renderTarget->EndDraw() != S_OK) {
        throw std::string("ERROR: Rendering failed.");
    }
    flushAndWait();
    const uint64_t end = readMicrosecondClock();
    return static_cast<double>(end - start) * 1e-6;
}

double D2DTest::fillRectTest(int32_t width, int32_t height, int32_t count) {
    present();
    const int64_t maxX = static_cast<int64_t>(displayWidth) - width;
    const int64_t maxY = static_cast<int64_t>(displayHeight) - height - statusHeight;

    flushAndWait();
    const uint64_t start = readMicrosecondClock();
    renderTarget->BeginDraw();
    uint32_t counter = 0;
    for (int32_t i = 0; i < count; ++i) {
        const uint32_t x = randomOffset(maxX);
        const uint32_t y = randomOffset(maxY) + statusHeight;
        const D2D1_COLOR_F colour = colourF(colourForCounter(counter, 1.0f));
        solidBrush->SetColor(&colour);
        const D2D1_RECT_F rect = rectF(x, y, x + width, y + height);
        renderTarget->FillRectangle(&rect, solidBrush.get());
        counter += COLOUR_COUNTER_STEP;
    }
    return finishTimedRun(start);
}

double D2DTest::bltBitMapTest(int32_t width, int32_t height, int32_t count) {
    present();
    const int64_t maxX = static_cast<int64_t>(displayWidth) - width;
    const int64_t maxY = static_cast<int64_t>(displayHeight) - height - statusHeight;
    CompatibleBitmap source;
    source.target = createCompatibleTarget(renderTarget.get(), width, height, false);
    paintPattern(source.target.get(), solidBrush.get(), width, height, false, false);
    source.bitmap = targetBitmap(source.target.get(), "ERROR: Could not create the source bitmap.");
    const D2D1_RECT_F sourceRect = rectF(0, 0, width, height);

    flushAndWait();
    const uint64_t start = readMicrosecondClock();
    renderTarget->BeginDraw();
    for (int32_t i = 0; i < count; ++i) {
        const uint32_t x = randomOffset(maxX);
        const uint32_t y = randomOffset(maxY) + statusHeight;
        const D2D1_RECT_F destination = rectF(x, y, x + width, y + height);
        renderTarget->DrawBitmap(source.bitmap.get(), &destination, 1.0f,
                                 D2D1_BITMAP_INTERPOLATION_MODE_NEAREST_NEIGHBOR, &sourceRect);
    }
    return finishTimedRun(start);
}

double D2DTest::overlappedBltBitMapTest(int32_t width, int32_t height, int32_t count) {
    present();
    const int64_t maxX = static_cast<int64_t>(displayWidth) - width;
    const int64_t maxY = static_cast<int64_t>(displayHeight) - height - statusHeight;
    ComPtr<ID2D1Bitmap> copy = createPlainBitmap(renderTarget.get(), width, height,
                                                 "ERROR: Could not allocate a temporary bitmap");

    // Something to copy: 200 opaque rectangles of up to half the copy's size on the screen.
    renderTarget->BeginDraw();
    uint32_t counter = 0;
    do {
        const int randomWidth = nextRandom();
        const int randomHeight = nextRandom();
        const int randomX = nextRandom();
        const int randomY = nextRandom();
        const PatternRectangle r =
            patternRectangle(randomWidth, randomHeight, randomX, randomY, width, height,
                             displayWidth, static_cast<uint32_t>(displayHeight));
        const D2D1_COLOR_F colour = colourF(colourForCounter(counter, 1.0f));
        solidBrush->SetColor(&colour);
        const D2D1_RECT_F rect = rectF(r.x, r.y + statusHeight, r.x + r.width,
                                       r.y + statusHeight + r.height);
        renderTarget->FillRectangle(&rect, solidBrush.get());
        counter += COLOUR_COUNTER_STEP;
    } while (counter != PATTERN_COUNTER_END);
    if (renderTarget->EndDraw() != S_OK) {
        throw std::string("ERROR: Rendering failed.");
    }

    // Positions below are measured from the top of the drawing area.
    const int32_t limitX = static_cast<int32_t>(maxX > 0 ? maxX : 0);
    const int32_t limitY = static_cast<int32_t>(maxY > 0 ? maxY : 0);
    int32_t previousX = static_cast<int32_t>(randomOffset(maxX));
    int32_t previousY = static_cast<int32_t>(randomOffset(maxY));
    int32_t newX = previousX;
    int32_t newY = previousY;
    // A copy as wide as the screen (or as tall as the drawing area) can only move along the
    // other axis; one that can move along neither is copied onto itself.
    const bool xCanMove = overlapAxisCanMove(width, 0, limitX);
    const bool yCanMove = overlapAxisCanMove(height, 0, limitY);

    // Where the render target cannot be read back into a bitmap, every copy would silently
    // draw the bitmap's old contents: the run would time only the draws and report them as
    // copies. Asked after the set-up, so the random draws up to here are those of a supported
    // run.
    if (!canCopyRenderTarget()) {
        return -1.0;
    }
    const D2D1_POINT_2U origin = {0, 0};
    const D2D1_RECT_F sourceRect = rectF(0, 0, width, height);

    flushAndWait();
    const uint64_t start = readMicrosecondClock();
    renderTarget->BeginDraw();
    for (int32_t i = 0; i < count; ++i) {
        while ((xCanMove && newX == previousX) || (yCanMove && newY == previousY)) {
            const int randomX = nextRandom();
            newX = overlapCandidate(randomX, width, previousX, 0, limitX);
            const int randomY = nextRandom();
            newY = overlapCandidate(randomY, height, previousY, 0, limitY);
        }
        const D2D1_RECT_U from = {static_cast<UINT32>(previousX),
                                  static_cast<UINT32>(previousY + statusHeight),
                                  static_cast<UINT32>(previousX + width),
                                  static_cast<UINT32>(previousY + statusHeight + height)};
        copy->CopyFromRenderTarget(&origin, renderTarget.get(), &from);
        const D2D1_RECT_F destination =
            rectF(newX, newY + statusHeight, newX + width, newY + statusHeight + height);
        renderTarget->DrawBitmap(copy.get(), &destination, 1.0f,
                                 D2D1_BITMAP_INTERPOLATION_MODE_NEAREST_NEIGHBOR, &sourceRect);
        previousX = newX;
        previousY = newY;
    }
    return finishTimedRun(start);
}

double D2DTest::compositeTest(int32_t width, int32_t height, int32_t count,
                              bool& premultipliedAlpha) {
    premultipliedAlpha = true;
    present();
    const int64_t maxX = static_cast<int64_t>(displayWidth) - width;
    const int64_t maxY = static_cast<int64_t>(displayHeight) - height - statusHeight;
    CompatibleBitmap source =
        translucentPattern(renderTarget.get(), solidBrush.get(), width, height, false);

    flushAndWait();
    const uint64_t start = readMicrosecondClock();
    renderTarget->BeginDraw();
    const D2D1_ANTIALIAS_MODE mode = renderTarget->GetAntialiasMode();
    renderTarget->SetAntialiasMode(D2D1_ANTIALIAS_MODE_ALIASED);
    for (int32_t i = 0; i < count; ++i) {
        const uint32_t x = randomOffset(maxX);
        const uint32_t y = randomOffset(maxY) + statusHeight;
        const D2D1_RECT_F destination = rectF(x, y, x + width, y + height);
        renderTarget->DrawBitmap(source.bitmap.get(), &destination, 1.0f,
                                 D2D1_BITMAP_INTERPOLATION_MODE_NEAREST_NEIGHBOR, nullptr);
    }
    renderTarget->SetAntialiasMode(mode);
    return finishTimedRun(start);
}

double D2DTest::compositeSrcMaskTest(int32_t width, int32_t height, int32_t count,
                                     bool& premultipliedAlpha, bool& combinedAlphas) {
    premultipliedAlpha = true;
    combinedAlphas = true;
    present();
    const int64_t maxX = static_cast<int64_t>(displayWidth) - width;
    const int64_t maxY = static_cast<int64_t>(displayHeight) - height - statusHeight;
    CompatibleBitmap source =
        translucentPattern(renderTarget.get(), solidBrush.get(), width, height, false);
    CompatibleBitmap mask =
        translucentPattern(renderTarget.get(), solidBrush.get(), width, height, true);
    ComPtr<ID2D1BitmapBrush> sourceBrush;
    if (renderTarget->CreateBitmapBrush(source.bitmap.get(), nullptr, nullptr,
                                        sourceBrush.put()) != S_OK ||
        !sourceBrush) {
        throw std::string("ERROR: Could not create a bitmap brush.");
    }
    // Where masks are accepted but never drawn, the run would time nothing and report it as
    // compositing: say "not supported" instead. Asked after the set-up, so the random draws up
    // to here are those of a supported run.
    if (!canDrawOpacityMasks()) {
        return -1.0;
    }
    const D2D1_RECT_F sourceRect = rectF(0, 0, width, height);

    flushAndWait();
    const uint64_t start = readMicrosecondClock();
    renderTarget->BeginDraw();
    // Opacity masks are only drawn in aliased mode.
    const D2D1_ANTIALIAS_MODE mode = renderTarget->GetAntialiasMode();
    renderTarget->SetAntialiasMode(D2D1_ANTIALIAS_MODE_ALIASED);
    for (int32_t i = 0; i < count; ++i) {
        const uint32_t x = randomOffset(maxX);
        const uint32_t y = randomOffset(maxY) + statusHeight;
        const D2D1_MATRIX_3X2_F shift = translation(static_cast<float>(x), static_cast<float>(y));
        sourceBrush->SetTransform(&shift);
        const D2D1_RECT_F destination = rectF(x, y, x + width, y + height);
        renderTarget->FillOpacityMask(mask.bitmap.get(), sourceBrush.get(),
                                      D2D1_OPACITY_MASK_CONTENT_GRAPHICS, &destination,
                                      &sourceRect);
    }
    renderTarget->SetAntialiasMode(mode);
    return finishTimedRun(start);
}

double D2DTest::randomTest(int32_t count, uint64_t& pixelCount) {
    present();
    const uint32_t width = displayWidth;
    const uint32_t height = static_cast<uint32_t>(displayHeight);
    const uint32_t areaRows = drawingAreaRows();
    const DXGI_FORMAT format = renderTarget->GetPixelFormat().format;

    // Declared so that they are released in this order: the staging texture, the default
    // texture, the source bitmap with its render target, the mask bitmap with its render
    // target, and last the conductor with the operations that borrow them.
    RandomTestConductor conductor;
    CompatibleBitmap mask;
    CompatibleBitmap source;
    ComPtr<ID3D10Texture2D> defaultTexture;
    ComPtr<ID3D10Texture2D> stagingTexture;

    stagingTexture = createTransferTexture(device.get(), width, height, format, true);
    fillWithRandomWords(stagingTexture.get(), areaRows);
    defaultTexture = createTransferTexture(device.get(), width, height, format, false);
    source.target = createCompatibleTarget(renderTarget.get(), width, height, false);
    source.bitmap = targetBitmap(source.target.get(), "ERROR: Could not allocate a bitmap");
    mask.target = createCompatibleTarget(renderTarget.get(), width, height, true);
    mask.bitmap = targetBitmap(mask.target.get(), "ERROR: Could not allocate a bitmap");
    if (paintPattern(source.target.get(), solidBrush.get(), width, height, true, true) != S_OK ||
        paintPattern(mask.target.get(), solidBrush.get(), width, height, true, false) != S_OK) {
        throw std::string("ERROR: Rendering failed.");
    }

    // Probed before the conductor is filled: an operation this platform cannot do gets an empty
    // place instead, which takes its share of the draws but draws and counts nothing.
    const bool copies = canCopyRenderTarget();
    const bool masks = canDrawOpacityMasks();
    const int32_t maximumSize = randomTestMaximumSize(displayWidth, displayHeight, statusHeight);
    const int32_t s = statusHeight;
    conductor.addOperation(1, std::make_shared<RTOWritePixelArrayD2D>(
                                  maximumSize, device.get(), stagingTexture.get(),
                                  defaultTexture.get(), displayWidth, displayHeight, s));
    conductor.addOperation(1, std::make_shared<RTOReadPixelArrayD2D>(
                                  maximumSize, renderTarget.get(), device.get(),
                                  stagingTexture.get(), defaultTexture.get(), displayWidth,
                                  displayHeight, s));
    conductor.addOperation(20, std::make_shared<RTOFillRectD2D>(
                                   maximumSize, renderTarget.get(), displayWidth, displayHeight, s));
    conductor.addOperation(20, std::make_shared<RTOBltRectD2D>(maximumSize, renderTarget.get(),
                                                               source.bitmap.get(), displayWidth,
                                                               displayHeight, s));
    if (copies) {
        conductor.addOperation(20, std::make_shared<RTOOverlappedBltRectD2D>(
                                       maximumSize, renderTarget.get(), displayWidth,
                                       displayHeight, s));
    } else {
        conductor.addOperation(20, std::make_shared<RTODummy>());
    }
    conductor.addOperation(20, std::make_shared<RTOCompositeD2D>(
                                   maximumSize, renderTarget.get(), source.bitmap.get(),
                                   displayWidth, displayHeight, s));
    if (masks) {
        conductor.addOperation(20, std::make_shared<RTOCompositeSrcMaskD2D>(
                                       maximumSize, renderTarget.get(), source.bitmap.get(),
                                       mask.bitmap.get(), displayWidth, displayHeight, s));
    } else {
        conductor.addOperation(20, std::make_shared<RTODummy>());
    }

    flushAndWait();
    conductor.prepareAll();
    const uint64_t start = readMicrosecondClock();
    renderTarget->BeginDraw();
    conductor.executeRandomOperations(count);
    const double seconds = finishTimedRun(start);
    pixelCount = conductor.collectPixelCount();
    return seconds;
}
