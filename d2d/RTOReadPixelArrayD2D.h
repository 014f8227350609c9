#pragma once

#include <d2d1.h>
#include <d3d10.h>

#include <cstdint>

#include "core/RTOKorvid.h"

// Random test: reads a square of pixels at a random place of the default texture (video
// memory) back into the staging texture and waits for them by mapping it. The one operation
// that interrupts the random test's batch of drawing.
class RTOReadPixelArrayD2D : public RTOKorvid {
public:
    // The textures are borrowed, owned by the random test.
    RTOReadPixelArrayD2D(int32_t maximumSize, ID2D1RenderTarget* renderTarget,
                         ID3D10Device* device, ID3D10Texture2D* stagingTexture,
                         ID3D10Texture2D* defaultTexture, uint32_t displayWidth,
                         int32_t displayHeight, int32_t statusHeight);

    // Throws "ERROR: Cannot map the staging texture for CPU access." (outside the render
    // target's drawing).
    void draw(uint32_t width, uint32_t height) override;

private:
    ID2D1RenderTarget* renderTarget;
    ID3D10Device* device;
    ID3D10Texture2D* stagingTexture;
    ID3D10Texture2D* defaultTexture;
    uint32_t displayWidth;
    int32_t displayHeight;
    int32_t statusHeight;
};
