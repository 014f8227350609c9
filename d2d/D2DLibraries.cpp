#include "d2d/D2DLibraries.h"

namespace {

using CreateD2DFactoryFunction = HRESULT(WINAPI*)(D2D1_FACTORY_TYPE, REFIID,
                                                  const D2D1_FACTORY_OPTIONS*, void**);
using CreateDeviceAndSwapChainFunction = HRESULT(WINAPI*)(IDXGIAdapter*, D3D10_DRIVER_TYPE,
                                                          HMODULE, UINT, D3D10_FEATURE_LEVEL1,
                                                          UINT, DXGI_SWAP_CHAIN_DESC*,
                                                          IDXGISwapChain**, ID3D10Device1**);
using CreateWriteFactoryFunction = HRESULT(WINAPI*)(DWRITE_FACTORY_TYPE, REFIID, IUnknown**);

HRESULT missingEntryPoint(const LoadedLibrary& library) {
    return HRESULT_FROM_WIN32(library.isLoaded() ? ERROR_PROC_NOT_FOUND : ERROR_MOD_NOT_FOUND);
}

}  // namespace

HRESULT D2DLibraries::createD2DFactory(D2D1_FACTORY_TYPE type, ID2D1Factory** factory) {
    auto create = d2d1_.entryPoint<CreateD2DFactoryFunction>("D2D1CreateFactory");
    if (!create) {
        return missingEntryPoint(d2d1_);
    }
    return create(type, __uuidof(ID2D1Factory), nullptr, reinterpret_cast<void**>(factory));
}

HRESULT D2DLibraries::createDeviceAndSwapChain(D3D10_DRIVER_TYPE driverType, UINT flags,
                                               D3D10_FEATURE_LEVEL1 level,
                                               DXGI_SWAP_CHAIN_DESC* desc,
                                               IDXGISwapChain** swapChain,
                                               ID3D10Device1** device) {
    auto create =
        d3d10_1_.entryPoint<CreateDeviceAndSwapChainFunction>("D3D10CreateDeviceAndSwapChain1");
    if (!create) {
        return missingEntryPoint(d3d10_1_);
    }
    return create(nullptr, driverType, nullptr, flags, level, D3D10_1_SDK_VERSION, desc,
                  swapChain, device);
}

HRESULT D2DLibraries::createWriteFactory(DWRITE_FACTORY_TYPE type, IDWriteFactory** factory) {
    auto create = dwrite_.entryPoint<CreateWriteFactoryFunction>("DWriteCreateFactory");
    if (!create) {
        return missingEntryPoint(dwrite_);
    }
    return create(type, __uuidof(IDWriteFactory), reinterpret_cast<IUnknown**>(factory));
}
