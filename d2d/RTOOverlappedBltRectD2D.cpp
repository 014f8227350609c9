#include "d2d/RTOOverlappedBltRectD2D.h"

#include "d2d/D2DDrawing.h"
#include "d2d/D2DResources.h"

RTOOverlappedBltRectD2D::RTOOverlappedBltRectD2D(int32_t maximumSize,
                                                 ID2D1RenderTarget* renderTarget,
                                                 uint32_t displayWidth, int32_t displayHeight,
                                                 int32_t statusHeight)
    : RTOKorvid(maximumSize), renderTarget(renderTarget),
      copyBitmap(createPlainBitmap(renderTarget, displayWidth,
                                   static_cast<uint32_t>(displayHeight),
                                   "ERROR: Could not allocate a bitmap.")),
      displayWidth(displayWidth), displayHeight(displayHeight), statusHeight(statusHeight) {}

void RTOOverlappedBltRectD2D::draw(uint32_t width, uint32_t height) {
    const int64_t rightLimit = static_cast<int64_t>(displayWidth) - width;
    const int64_t bottomLimit = static_cast<int64_t>(displayHeight) - height;
    const int32_t previousX = static_cast<int32_t>(randomOffset(rightLimit));
    const int32_t previousY =
        static_cast<int32_t>(randomOffset(bottomLimit - statusHeight) + statusHeight);

    // Move by less than the square's size in both directions, within [0, W - s] x [S, H - s];
    // an axis with no room to move keeps its coordinate instead of being waited on for ever.
    const int32_t maxX = static_cast<int32_t>(rightLimit > 0 ? rightLimit : 0);
    const int32_t maxY = static_cast<int32_t>(bottomLimit > statusHeight ? bottomLimit : statusHeight);
    const bool xCanMove = overlapAxisCanMove(width, 0, maxX);
    const bool yCanMove = overlapAxisCanMove(height, statusHeight, maxY);
    int32_t newX = previousX;
    int32_t newY = previousY;
    while ((xCanMove && newX == previousX) || (yCanMove && newY == previousY)) {
        const int randomX = nextRandom();
        newX = overlapCandidate(randomX, width, previousX, 0, maxX);
        const int randomY = nextRandom();
        newY = overlapCandidate(randomY, height, previousY, statusHeight, maxY);
    }

    const D2D1_POINT_2U origin = {0, 0};
    const D2D1_RECT_U from = {static_cast<UINT32>(previousX), static_cast<UINT32>(previousY),
                              static_cast<UINT32>(previousX) + width,
                              static_cast<UINT32>(previousY) + height};
    copyBitmap->CopyFromRenderTarget(&origin, renderTarget, &from);
    const D2D1_RECT_F destination = rectF(newX, newY, newX + static_cast<int64_t>(width),
                                          newY + static_cast<int64_t>(height));
    const D2D1_RECT_F source = rectF(0, 0, width, height);
    renderTarget->DrawBitmap(copyBitmap.get(), &destination, 1.0f,
                             D2D1_BITMAP_INTERPOLATION_MODE_NEAREST_NEIGHBOR, &source);
    pixelCount += static_cast<uint64_t>(width) * height;
}
