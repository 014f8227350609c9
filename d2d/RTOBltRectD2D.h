#pragma once

#include <d2d1.h>

#include <cstdint>

#include "core/RTOKorvid.h"

// Random test: copies the top left square of the source bitmap to a random place.
class RTOBltRectD2D : public RTOKorvid {
public:
    // sourceBitmap: borrowed, owned by the random test.
    RTOBltRectD2D(int32_t maximumSize, ID2D1RenderTarget* renderTarget,
                  ID2D1Bitmap* sourceBitmap, uint32_t displayWidth, int32_t displayHeight,
                  int32_t statusHeight);

    void draw(uint32_t width, uint32_t height) override;

private:
    ID2D1RenderTarget* renderTarget;
    ID2D1Bitmap* sourceBitmap;
    uint32_t displayWidth;
    int32_t displayHeight;
    int32_t statusHeight;
};
