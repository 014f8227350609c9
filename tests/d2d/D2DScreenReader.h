#pragma once

#include <d3d10_1.h>
#include <dxgi.h>

#include <cstdint>
#include <vector>

#include "base/ComPtr.h"
#include "d2d/TextureMapping.h"

// What the swap chain's buffer holds, read through a staging texture: one 32-bit word per
// pixel (R8G8B8A8: red in the low byte).
struct ScreenPixels {
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint32_t> pixels;

    uint32_t at(uint32_t x, uint32_t y) const { return pixels[y * width + x]; }

    // Pixels that differ between two readings in rows [top, bottom).
    size_t changedPixels(const ScreenPixels& other, uint32_t top, uint32_t bottom) const {
        size_t changed = 0;
        for (uint32_t y = top; y < bottom; ++y) {
            for (uint32_t x = 0; x < width; ++x) {
                changed += at(x, y) != other.at(x, y) ? 1 : 0;
            }
        }
        return changed;
    }
};

inline ScreenPixels readScreen(ID3D10Device* device, IDXGISwapChain* swapChain) {
    ScreenPixels screen;
    ComPtr<ID3D10Texture2D> buffer;
    if (swapChain->GetBuffer(0, __uuidof(ID3D10Texture2D), buffer.putVoid()) != S_OK) {
        return screen;
    }
    D3D10_TEXTURE2D_DESC desc;
    buffer->GetDesc(&desc);
    desc.Usage = D3D10_USAGE_STAGING;
    desc.BindFlags = 0;
    desc.CPUAccessFlags = D3D10_CPU_ACCESS_READ;
    desc.MiscFlags = 0;
    ComPtr<ID3D10Texture2D> staging;
    if (device->CreateTexture2D(&desc, nullptr, staging.put()) != S_OK) {
        return screen;
    }
    device->CopyResource(staging.get(), buffer.get());
    TextureMapping mapping;
    if (!mapping.map(staging.get(), D3D10_MAP_READ)) {
        return screen;
    }
    screen.width = desc.Width;
    screen.height = desc.Height;
    screen.pixels.resize(static_cast<size_t>(desc.Width) * desc.Height);
    const uint8_t* rows = static_cast<const uint8_t*>(mapping.data());
    for (uint32_t y = 0; y < desc.Height; ++y) {
        const uint32_t* row = reinterpret_cast<const uint32_t*>(rows + y * mapping.rowPitch());
        for (uint32_t x = 0; x < desc.Width; ++x) {
            screen.pixels[y * desc.Width + x] = row[x];
        }
    }
    return screen;
}
