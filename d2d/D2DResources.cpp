#include "d2d/D2DResources.h"

#include <string>

#include "core/RandomGenerator.h"
#include "d2d/TextureMapping.h"

ComPtr<ID2D1BitmapRenderTarget> createCompatibleTarget(ID2D1RenderTarget* screen, uint32_t width,
                                                       uint32_t height, bool mask) {
    const D2D1_SIZE_F size = {static_cast<float>(width), static_cast<float>(height)};
    const D2D1_SIZE_U pixelSize = {width, height};
    const D2D1_PIXEL_FORMAT maskFormat = {DXGI_FORMAT_A8_UNORM, D2D1_ALPHA_MODE_STRAIGHT};
    ComPtr<ID2D1BitmapRenderTarget> target;
    HRESULT result = screen->CreateCompatibleRenderTarget(
        &size, &pixelSize, mask ? &maskFormat : nullptr,
        D2D1_COMPATIBLE_RENDER_TARGET_OPTIONS_NONE, target.put());
    if (result != S_OK || !target) {
        throw std::string("ERROR: Could not allocate a bitmap render target. Test failed.");
    }
    return target;
}

ComPtr<ID2D1Bitmap> targetBitmap(ID2D1BitmapRenderTarget* target, const char* bitmapFailureText) {
    ComPtr<ID2D1Bitmap> bitmap;
    if (target->GetBitmap(bitmap.put()) != S_OK || !bitmap) {
        throw std::string(bitmapFailureText);
    }
    return bitmap;
}

ComPtr<ID2D1Bitmap> createPlainBitmap(ID2D1RenderTarget* screen, uint32_t width, uint32_t height,
                                      const char* failureText) {
    D2D1_BITMAP_PROPERTIES properties;
    properties.pixelFormat = screen->GetPixelFormat();
    properties.dpiX = 96.0f;
    properties.dpiY = 96.0f;
    ComPtr<ID2D1Bitmap> bitmap;
    if (screen->CreateBitmap(D2D1_SIZE_U{width, height}, nullptr, 0, &properties,
                             bitmap.put()) != S_OK ||
        !bitmap) {
        throw std::string(failureText);
    }
    return bitmap;
}

ComPtr<ID3D10Texture2D> createTransferTexture(ID3D10Device* device, uint32_t width,
                                              uint32_t height, DXGI_FORMAT format, bool staging) {
    D3D10_TEXTURE2D_DESC desc = {};
    desc.Width = width;
    desc.Height = height;
    desc.MipLevels = 1;
    desc.ArraySize = 1;
    desc.Format = format;
    desc.SampleDesc.Count = 1;
    desc.SampleDesc.Quality = 0;
    desc.Usage = staging ? D3D10_USAGE_STAGING : D3D10_USAGE_DEFAULT;
    desc.BindFlags = staging ? 0 : D3D10_BIND_SHADER_RESOURCE;
    desc.CPUAccessFlags = staging ? (D3D10_CPU_ACCESS_READ | D3D10_CPU_ACCESS_WRITE) : 0;
    desc.MiscFlags = 0;
    ComPtr<ID3D10Texture2D> texture;
    if (device->CreateTexture2D(&desc, nullptr, texture.put()) != S_OK || !texture) {
        throw std::string("ERROR: Cannot create a temporary texture");
    }
    return texture;
}

uint32_t fillWithRandomWords(ID3D10Texture2D* staging, uint32_t rows) {
    TextureMapping mapping;
    if (!mapping.map(staging, D3D10_MAP_READ_WRITE)) {
        throw std::string("ERROR: Cannot map the staging texture for CPU access.");
    }
    const uint64_t bytes = static_cast<uint64_t>(rows) * mapping.rowPitch();
    const uint64_t words = (bytes + 3) / 4;
    uint32_t* data = static_cast<uint32_t*>(mapping.data());
    for (uint64_t i = 0; i < words; ++i) {
        data[i] = static_cast<uint32_t>(nextRandom());
    }
    return mapping.rowPitch();
}
