#pragma once

#include <d2d1.h>
#include <d3d10_1.h>
#include <dwrite.h>

#include "d2d/LoadedLibrary.h"

// Direct2D, Direct3D 10.1 and DirectWrite, bound at run time so that the program starts (and
// falls back to GDI) on systems that lack them. The modules stay loaded while the owner lives:
// every interface they handed out must be released before it goes.
class D2DLibraries {
public:
    // Each false when the library cannot be loaded.
    bool loadDirect2D() { return d2d1_.load(L"d2d1.dll"); }
    bool loadDirect3D101() { return d3d10_1_.load(L"d3d10_1.dll"); }
    bool loadDirectWrite() { return dwrite_.load(L"DWrite.dll"); }

    // The libraries' creation functions; a library or entry point that is not there gives
    // HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND) or HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND).
    HRESULT createD2DFactory(D2D1_FACTORY_TYPE type, ID2D1Factory** factory);
    HRESULT createDeviceAndSwapChain(D3D10_DRIVER_TYPE driverType, UINT flags,
                                     D3D10_FEATURE_LEVEL1 level, DXGI_SWAP_CHAIN_DESC* desc,
                                     IDXGISwapChain** swapChain, ID3D10Device1** device);
    HRESULT createWriteFactory(DWRITE_FACTORY_TYPE type, IDWriteFactory** factory);

private:
    LoadedLibrary d2d1_;
    LoadedLibrary d3d10_1_;
    LoadedLibrary dwrite_;
};
