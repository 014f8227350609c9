/* A stand-in "d2d1.dll" for the fallback tests: it loads without Direct3D 10.1 (Wine's own
   d2d1.dll imports d3d10_1.dll, so disabling that one alone would make d2d1 fail to load too),
   and its factory can never be created. */
#include <windows.h>

/* Lets a test tell this stand-in from the real library. */
__declspec(dllexport) int KorvidStubD2D1(void) { return 1; }

__declspec(dllexport) HRESULT WINAPI D2D1CreateFactory(int factoryType, const void* riid,
                                                       const void* options, void** factory) {
    (void)factoryType;
    (void)riid;
    (void)options;
    if (factory) {
        *factory = NULL;
    }
    return E_FAIL;
}
