#include "d2d/D2DSupportProbes.h"

#include <cstdint>

#include <string>

#include "base/ComPtr.h"
#include "d2d/D2DResources.h"
#include "d2d/TextureMapping.h"

namespace {

const UINT PROBE_SIZE = 8;

}  // namespace

bool drawingReachesTarget(ID2D1Factory* factory, ID3D10Device* device,
                          const std::function<bool(ID2D1RenderTarget* target)>& draw) {
    D3D10_TEXTURE2D_DESC desc = {};
    desc.Width = PROBE_SIZE;
    desc.Height = PROBE_SIZE;
    desc.MipLevels = 1;
    desc.ArraySize = 1;
    desc.Format = DXGI_FORMAT_R8G8B8A8_UNORM;
    desc.SampleDesc.Count = 1;
    desc.Usage = D3D10_USAGE_DEFAULT;
    desc.BindFlags = D3D10_BIND_RENDER_TARGET | D3D10_BIND_SHADER_RESOURCE;
    ComPtr<ID3D10Texture2D> texture;
    if (device->CreateTexture2D(&desc, nullptr, texture.put()) != S_OK || !texture) {
        throw std::string("ERROR: Cannot create a temporary texture");
    }
    desc.Usage = D3D10_USAGE_STAGING;
    desc.BindFlags = 0;
    desc.CPUAccessFlags = D3D10_CPU_ACCESS_READ;
    ComPtr<ID3D10Texture2D> readBack;
    if (device->CreateTexture2D(&desc, nullptr, readBack.put()) != S_OK || !readBack) {
        throw std::string("ERROR: Cannot create a temporary texture");
    }
    ComPtr<IDXGISurface> surface;
    if (texture->QueryInterface(__uuidof(IDXGISurface), surface.putVoid()) != S_OK || !surface) {
        throw std::string("ERROR: Could not get a texture's surface.");
    }
    D2D1_RENDER_TARGET_PROPERTIES properties = {};
    properties.type = D2D1_RENDER_TARGET_TYPE_DEFAULT;
    properties.pixelFormat.format = DXGI_FORMAT_R8G8B8A8_UNORM;
    properties.pixelFormat.alphaMode = D2D1_ALPHA_MODE_PREMULTIPLIED;
    ComPtr<ID2D1RenderTarget> target;
    if (factory->CreateDxgiSurfaceRenderTarget(surface.get(), &properties, target.put()) != S_OK ||
        !target) {
        throw std::string("ERROR: Could not allocate a bitmap render target. Test failed.");
    }
    target->SetDpi(96.0f, 96.0f);
    target->BeginDraw();
    const D2D1_COLOR_F transparent = {0.0f, 0.0f, 0.0f, 0.0f};
    target->Clear(&transparent);
    if (target->EndDraw() != S_OK) {
        throw std::string("ERROR: Rendering failed.");
    }
    if (!draw(target.get())) {
        return false;
    }

    device->CopyResource(readBack.get(), texture.get());
    TextureMapping mapping;
    if (!mapping.map(readBack.get(), D3D10_MAP_READ)) {
        throw std::string("ERROR: Cannot map the staging texture for CPU access.");
    }
    const uint8_t* centreRow =
        static_cast<const uint8_t*>(mapping.data()) + (PROBE_SIZE / 2) * mapping.rowPitch();
    return reinterpret_cast<const uint32_t*>(centreRow)[PROBE_SIZE / 2] != 0;
}

bool opacityMaskDraws(ID2D1Factory* factory, ID3D10Device* device) {
    return drawingReachesTarget(factory, device, [](ID2D1RenderTarget* target) {
        const D2D1_SIZE_F size = {static_cast<float>(PROBE_SIZE), static_cast<float>(PROBE_SIZE)};
        const D2D1_SIZE_U pixelSize = {PROBE_SIZE, PROBE_SIZE};
        const D2D1_PIXEL_FORMAT maskFormat = {DXGI_FORMAT_A8_UNORM, D2D1_ALPHA_MODE_STRAIGHT};
        ComPtr<ID2D1BitmapRenderTarget> maskTarget;
        if (target->CreateCompatibleRenderTarget(&size, &pixelSize, &maskFormat,
                                                 D2D1_COMPATIBLE_RENDER_TARGET_OPTIONS_NONE,
                                                 maskTarget.put()) != S_OK ||
            !maskTarget) {
            throw std::string("ERROR: Could not allocate a bitmap render target. Test failed.");
        }
        maskTarget->BeginDraw();
        const D2D1_COLOR_F opaque = {0.0f, 0.0f, 0.0f, 1.0f};
        maskTarget->Clear(&opaque);
        if (maskTarget->EndDraw() != S_OK) {
            throw std::string("ERROR: Rendering failed.");
        }
        ComPtr<ID2D1Bitmap> mask = targetBitmap(maskTarget.get(), "ERROR: Could not allocate a bitmap");
        const D2D1_COLOR_F white = {1.0f, 1.0f, 1.0f, 1.0f};
        ComPtr<ID2D1SolidColorBrush> brush;
        if (target->CreateSolidColorBrush(&white, nullptr, brush.put()) != S_OK || !brush) {
            throw std::string("ERROR: Could not allocate a solid brush.");
        }
        target->BeginDraw();
        target->SetAntialiasMode(D2D1_ANTIALIAS_MODE_ALIASED);
        const D2D1_RECT_F whole = {0.0f, 0.0f, size.width, size.height};
        target->FillOpacityMask(mask.get(), brush.get(), D2D1_OPACITY_MASK_CONTENT_GRAPHICS,
                                &whole, &whole);
        return target->EndDraw() == S_OK;
    });
}

bool renderTargetCopies(ID2D1RenderTarget* screen, uint32_t statusHeight) {
    ComPtr<ID2D1Bitmap> copy = createPlainBitmap(screen, PROBE_SIZE, PROBE_SIZE,
                                                 "ERROR: Could not allocate a temporary bitmap");
    const D2D1_POINT_2U origin = {0, 0};
    const D2D1_RECT_U source = {0, statusHeight, PROBE_SIZE, statusHeight + PROBE_SIZE};
    return copy->CopyFromRenderTarget(&origin, screen, &source) == S_OK;
}
