#pragma once

#include <d2d1.h>

#include <cstdint>

#include "core/RTOKorvid.h"
#include "base/ComPtr.h"

// Random test: copies a random square of the screen to a nearby place that overlaps it.
class RTOOverlappedBltRectD2D : public RTOKorvid {
public:
    // Creates its own display-sized bitmap; throws "ERROR: Could not allocate a bitmap."
    RTOOverlappedBltRectD2D(int32_t maximumSize, ID2D1RenderTarget* renderTarget,
                            uint32_t displayWidth, int32_t displayHeight, int32_t statusHeight);

    void draw(uint32_t width, uint32_t height) override;

private:
    ID2D1RenderTarget* renderTarget;
    ComPtr<ID2D1Bitmap> copyBitmap;
    uint32_t displayWidth;
    int32_t displayHeight;
    int32_t statusHeight;
};
