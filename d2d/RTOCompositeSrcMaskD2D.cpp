#include "d2d/RTOCompositeSrcMaskD2D.h"

#include <string>

#include "d2d/D2DDrawing.h"

RTOCompositeSrcMaskD2D::RTOCompositeSrcMaskD2D(int32_t maximumSize,
                                               ID2D1RenderTarget* renderTarget,
                                               ID2D1Bitmap* sourceBitmap, ID2D1Bitmap* maskBitmap,
                                               uint32_t displayWidth, int32_t displayHeight,
                                               int32_t statusHeight)
    : RTOKorvid(maximumSize), renderTarget(renderTarget), sourceBitmap(sourceBitmap),
      maskBitmap(maskBitmap), displayWidth(displayWidth), displayHeight(displayHeight),
      statusHeight(statusHeight) {
    if (renderTarget->CreateBitmapBrush(sourceBitmap, nullptr, nullptr, sourceBrush.put()) !=
            S_OK ||
        !sourceBrush) {
        throw std::string("ERROR: Could not create a bitmap brush.");
    }
}

void RTOCompositeSrcMaskD2D::draw(uint32_t width, uint32_t height) {
    const uint32_t x = randomOffset(static_cast<int64_t>(displayWidth) - width);
    const uint32_t y =
        randomOffset(static_cast<int64_t>(displayHeight) - height - statusHeight) + statusHeight;
    // Opacity masks are only drawn in aliased mode.
    const D2D1_ANTIALIAS_MODE mode = renderTarget->GetAntialiasMode();
    renderTarget->SetAntialiasMode(D2D1_ANTIALIAS_MODE_ALIASED);
    const D2D1_MATRIX_3X2_F shift = translation(static_cast<float>(x), static_cast<float>(y));
    sourceBrush->SetTransform(&shift);
    const D2D1_RECT_F destination = rectF(x, y, x + width, y + height);
    const D2D1_RECT_F source = rectF(0, 0, width, height);
    renderTarget->FillOpacityMask(maskBitmap, sourceBrush.get(),
                                  D2D1_OPACITY_MASK_CONTENT_GRAPHICS, &destination, &source);
    renderTarget->SetAntialiasMode(mode);
    pixelCount += static_cast<uint64_t>(width) * height;
}
