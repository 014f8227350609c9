#include "d2d/RTOBltRectD2D.h"

#include "d2d/D2DDrawing.h"

RTOBltRectD2D::RTOBltRectD2D(int32_t maximumSize, ID2D1RenderTarget* renderTarget,
                             ID2D1Bitmap* sourceBitmap, uint32_t displayWidth,
                             int32_t displayHeight, int32_t statusHeight)
    : RTOKorvid(maximumSize), renderTarget(renderTarget), sourceBitmap(sourceBitmap),
      displayWidth(displayWidth), displayHeight(displayHeight), statusHeight(statusHeight) {}

void RTOBltRectD2D::draw(uint32_t width, uint32_t height) {
    const uint32_t x = randomOffset(static_cast<int64_t>(displayWidth) - width);
    const uint32_t y =
        randomOffset(static_cast<int64_t>(displayHeight) - height - statusHeight) + statusHeight;
    const D2D1_RECT_F destination = rectF(x, y, x + width, y + height);
    const D2D1_RECT_F source = rectF(0, 0, width, height);
    renderTarget->DrawBitmap(sourceBitmap, &destination, 1.0f,
                             D2D1_BITMAP_INTERPOLATION_MODE_NEAREST_NEIGHBOR, &source);
    pixelCount += static_cast<uint64_t>(width) * height;
}
