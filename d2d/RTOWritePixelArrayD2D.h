#pragma once

#include <d3d10.h>

#include <cstdint>

#include "core/RTOKorvid.h"

// Random test: copies a square of pixels from the staging texture (processor memory) into the
// default texture (video memory) at a random place, without waiting for it.
class RTOWritePixelArrayD2D : public RTOKorvid {
public:
    // The textures are borrowed, owned by the random test.
    RTOWritePixelArrayD2D(int32_t maximumSize, ID3D10Device* device,
                          ID3D10Texture2D* stagingTexture, ID3D10Texture2D* defaultTexture,
                          uint32_t displayWidth, int32_t displayHeight, int32_t statusHeight);

    void draw(uint32_t width, uint32_t height) override;

private:
    ID3D10Device* device;
    ID3D10Texture2D* stagingTexture;
    ID3D10Texture2D* defaultTexture;
    uint32_t displayWidth;
    int32_t displayHeight;
    int32_t statusHeight;
};
