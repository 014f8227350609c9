#pragma once

#include <cstdint>
#include <string>

// The symbolic name under which the Windows SDK headers define a result code, for error
// messages that should say more than a number: "E_FAIL", "DXGI_ERROR_UNSUPPORTED",
// "D2DERR_RECREATE_TARGET", "DXGI_STATUS_OCCLUDED". Covers COM, common Win32 errors carried as
// HRESULT, DXGI, Direct3D 10, Direct2D, DirectWrite and WMI codes. A code the table does not
// know gives "Unknown error code" (callers print the number beside the name anyway).
// Portable: the codes are plain numbers, so no platform header is needed.
std::string hresultName(int32_t hr);
