#include "d2d/RTOWritePixelArrayD2D.h"

#include "d2d/D2DDrawing.h"

RTOWritePixelArrayD2D::RTOWritePixelArrayD2D(int32_t maximumSize, ID3D10Device* device,
                                             ID3D10Texture2D* stagingTexture,
                                             ID3D10Texture2D* defaultTexture,
                                             uint32_t displayWidth, int32_t displayHeight,
                                             int32_t statusHeight)
    : RTOKorvid(maximumSize), device(device), stagingTexture(stagingTexture),
      defaultTexture(defaultTexture), displayWidth(displayWidth), displayHeight(displayHeight),
      statusHeight(statusHeight) {}

void RTOWritePixelArrayD2D::draw(uint32_t width, uint32_t height) {
    const uint32_t x = randomOffset(static_cast<int64_t>(displayWidth) - width);
    const uint32_t y =
        randomOffset(static_cast<int64_t>(displayHeight) - height - statusHeight) + statusHeight;
    const D3D10_BOX box = {0, 0, 0, width, height, 1};
    device->CopySubresourceRegion(defaultTexture, 0, x, y, 0, stagingTexture, 0, &box);
    pixelCount += static_cast<uint64_t>(width) * height;
}
