// The timed drawing operations of the GDI test. Each finishes the queued drawing before its
// first clock reading and after its last drawing call, so a run measures completed drawing;
// between the two readings there are only drawing calls and the random draws they need.
#include "gdi/GDITest.h"

#include "core/MicrosecondClock.h"
#include "core/RandomGenerator.h"
#include "gdi/DrawingPlacement.h"
#include "gdi/GdiObject.h"
#include "gdi/GdiplusRectanglePainter.h"
#include "gdi/PerPixelAlphaBlend.h"
#include "gdi/SourceBitmap.h"

namespace {

constexpr uint32_t kColourStep = 65601; // 0x10041: walks through reds, greens and blues
constexpr uint32_t kLastSourceColour = 13120199; // 200 rectangles: colours 0 .. 199 × step

double secondsBetween(uint64_t start, uint64_t end)
{
    return static_cast<double>(end - start) * 1e-6;
}

void fillWithColour(HDC target, int left, int top, int right, int bottom, uint32_t colour)
{
    GdiObject brush(CreateSolidBrush(colour & 0xFFFFFF));
    RECT area{left, top, right, bottom};
    FillRect(target, &area, static_cast<HBRUSH>(brush.get()));
}

} // namespace

double GDITest::fillRectTest(int32_t width, int32_t height, int32_t count)
{
    const int xRange = static_cast<int>(displayWidth) - width;
    const int yRange = displayHeight - statusHeight - height;
    HDC target = dc.get();

    finishDrawing();
    const uint64_t start = readMicrosecondClock();
    uint32_t colour = 0;
    for (int32_t i = 0; i < count; ++i) {
        const int x = positionInRange(nextRandom(), xRange);
        const int y = positionInRange(nextRandom(), yRange) + statusHeight;
        fillWithColour(target, x, y, x + width, y + height, colour);
        colour += kColourStep;
    }
    finishDrawing();
    return secondsBetween(start, readMicrosecondClock());
}

void GDITest::paintBlitSource(HDC target, int32_t width, int32_t height)
{
    for (uint32_t colour = 0; colour <= kLastSourceColour; colour += kColourStep) {
        const int a = positionInRange(nextRandom(), width);
        const int b = positionInRange(nextRandom(), height);
        const int x = positionInRange(nextRandom(), width - a / 2 - 1);
        const int y = positionInRange(nextRandom(), height - b / 2 - 1);
        fillWithColour(target, x, y, x + a / 2 + 1, y + b / 2 + 1, colour);
    }
}

double GDITest::bltBitMapTest(int32_t width, int32_t height, int32_t count)
{
    const int xRange = static_cast<int>(displayWidth) - width;
    const int yRange = displayHeight - statusHeight - height;
    HDC target = dc.get();
    SourceBitmap source(target, width, height);
    paintBlitSource(source.dc(), width, height);

    finishDrawing();
    const uint64_t start = readMicrosecondClock();
    for (int32_t i = 0; i < count; ++i) {
        const int x = positionInRange(nextRandom(), xRange);
        const int y = positionInRange(nextRandom(), yRange) + statusHeight;
        BitBlt(target, x, y, width, height, source.dc(), 0, 0, SRCCOPY);
    }
    finishDrawing();
    return secondsBetween(start, readMicrosecondClock());
}

double GDITest::overlappedBltBitMapTest(int32_t width, int32_t height, int32_t count)
{
    const int xRange = static_cast<int>(displayWidth) - width;
    const int yRange = displayHeight - statusHeight - height;
    HDC target = dc.get();

    // Source and destination are relative to the top of the drawing area.
    int sx = positionInRange(nextRandom(), xRange);
    int sy = positionInRange(nextRandom(), yRange);
    int dx = sx;
    int dy = sy;

    // Something to copy around: the blit source's rectangles, painted over the whole drawing
    // area (those reaching below the screen are clipped).
    for (uint32_t colour = 0; colour <= kLastSourceColour; colour += kColourStep) {
        const int a = positionInRange(nextRandom(), width);
        const int b = positionInRange(nextRandom(), height);
        const int x = positionInRange(nextRandom(), static_cast<int>(displayWidth) - a / 2 - 1);
        const int y = positionInRange(nextRandom(), displayHeight - b / 2 - 1) + statusHeight;
        fillWithColour(target, x, y, x + a / 2 + 1, y + b / 2 + 1, colour);
    }

    finishDrawing();
    const uint64_t start = readMicrosecondClock();
    for (int32_t i = 0; i < count; ++i) {
        chooseOverlappedDestination(sx, sy, dx, dy, width, height, xRange, yRange, nextRandom);
        BitBlt(target, dx, dy + statusHeight, width, height, target, sx, sy + statusHeight,
               SRCCOPY);
        sx = dx;
        sy = dy;
    }
    finishDrawing();
    return secondsBetween(start, readMicrosecondClock());
}

double GDITest::compositeTest(int32_t width, int32_t height, int32_t count,
                              bool& premultipliedAlpha)
{
    if (shadeBlendCaps() == 0) {
        return -1.0;
    }
    premultipliedAlpha = true;

    const int xRange = static_cast<int>(displayWidth) - width;
    const int yRange = displayHeight - statusHeight - height;
    HDC target = dc.get();
    SourceBitmap source(target, width, height);
    {
        GdiplusRectanglePainter painter(source.dc());
        for (int i = 0; i < 200; ++i) {
            const int a = positionInRange(nextRandom(), width);
            const int b = positionInRange(nextRandom(), height);
            const int x = positionInRange(nextRandom(), width - a / 2 - 1);
            const int y = positionInRange(nextRandom(), height - b / 2 - 1);
            painter.fill(x, y, a / 2 + 1, b / 2 + 1);
        }
        painter.flush();
    }
    const BLENDFUNCTION blend = perPixelAlphaBlend();

    finishDrawing();
    const uint64_t start = readMicrosecondClock();
    for (int32_t i = 0; i < count; ++i) {
        const int x = positionInRange(nextRandom(), xRange);
        const int y = positionInRange(nextRandom(), yRange) + statusHeight;
        GdiAlphaBlend(target, x, y, width, height, source.dc(), 0, 0, width, height, blend);
    }
    finishDrawing();
    return secondsBetween(start, readMicrosecondClock());
}

double GDITest::compositeSrcMaskTest(int32_t, int32_t, int32_t, bool&, bool&)
{
    // GDI has no compositing through a source mask.
    return -1.0;
}
