#include "d2d/RTOReadPixelArrayD2D.h"

#include <string>

#include "d2d/D2DDrawing.h"
#include "d2d/TextureMapping.h"

RTOReadPixelArrayD2D::RTOReadPixelArrayD2D(int32_t maximumSize, ID2D1RenderTarget* renderTarget,
                                           ID3D10Device* device,
                                           ID3D10Texture2D* stagingTexture,
                                           ID3D10Texture2D* defaultTexture,
                                           uint32_t displayWidth, int32_t displayHeight,
                                           int32_t statusHeight)
    : RTOKorvid(maximumSize), renderTarget(renderTarget), device(device),
      stagingTexture(stagingTexture), defaultTexture(defaultTexture),
      displayWidth(displayWidth), displayHeight(displayHeight), statusHeight(statusHeight) {}

void RTOReadPixelArrayD2D::draw(uint32_t width, uint32_t height) {
    const uint32_t x = randomOffset(static_cast<int64_t>(displayWidth) - width);
    const uint32_t y =
        randomOffset(static_cast<int64_t>(displayHeight) - height - statusHeight) + statusHeight;
    renderTarget->EndDraw();
    const D3D10_BOX box = {x, y, 0, x + width, y + height, 1};
    device->CopySubresourceRegion(stagingTexture, 0, 0, 0, 0, defaultTexture, 0, &box);
    {
        TextureMapping mapping;
        if (!mapping.map(stagingTexture, D3D10_MAP_READ_WRITE)) {
            throw std::string("ERROR: Cannot map the staging texture for CPU access.");
        }
    }
    renderTarget->BeginDraw();
    pixelCount += static_cast<uint64_t>(width) * height;
}
