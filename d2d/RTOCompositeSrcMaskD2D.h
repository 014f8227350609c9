#pragma once

#include <d2d1.h>

#include <cstdint>

#include "core/RTOKorvid.h"
#include "base/ComPtr.h"

// Random test: paints the translucent source bitmap through the mask bitmap into a random
// square.
class RTOCompositeSrcMaskD2D : public RTOKorvid {
public:
    // sourceBitmap, maskBitmap: borrowed, owned by the random test. Creates its own bitmap
    // brush on the source; throws "ERROR: Could not create a bitmap brush."
    RTOCompositeSrcMaskD2D(int32_t maximumSize, ID2D1RenderTarget* renderTarget,
                           ID2D1Bitmap* sourceBitmap, ID2D1Bitmap* maskBitmap,
                           uint32_t displayWidth, int32_t displayHeight, int32_t statusHeight);

    void draw(uint32_t width, uint32_t height) override;

private:
    ID2D1RenderTarget* renderTarget;
    ID2D1Bitmap* sourceBitmap;
    ComPtr<ID2D1BitmapBrush> sourceBrush;
    ID2D1Bitmap* maskBitmap;
    uint32_t displayWidth;
    int32_t displayHeight;
    int32_t statusHeight;
};
