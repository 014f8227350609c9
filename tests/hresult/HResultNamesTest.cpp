#include <gtest/gtest.h>

#include "hresult/HResultNames.h"

TEST(HResultNames, NamesTheCodesDirect2DSetUpMeets)
{
    EXPECT_EQ(hresultName(static_cast<int32_t>(0x80004005u)), "E_FAIL");
    EXPECT_EQ(hresultName(static_cast<int32_t>(0x80004001u)), "E_NOTIMPL");
    EXPECT_EQ(hresultName(static_cast<int32_t>(0x887A0004u)), "DXGI_ERROR_UNSUPPORTED");
    EXPECT_EQ(hresultName(static_cast<int32_t>(0x8899000Cu)), "D2DERR_RECREATE_TARGET");
    EXPECT_EQ(hresultName(0x087A0001), "DXGI_STATUS_OCCLUDED");
    EXPECT_EQ(hresultName(static_cast<int32_t>(0x88790002u)), "D3D10_ERROR_FILE_NOT_FOUND");
    EXPECT_EQ(hresultName(static_cast<int32_t>(0x88985002u)), "DWRITE_E_NOFONT");
    EXPECT_EQ(hresultName(static_cast<int32_t>(0x88982F80u)), "D2DERR_UNSUPPORTED_PIXEL_FORMAT");
}

TEST(HResultNames, NamesComAndWin32Codes)
{
    EXPECT_EQ(hresultName(0), "S_OK");
    EXPECT_EQ(hresultName(1), "S_FALSE");
    EXPECT_EQ(hresultName(static_cast<int32_t>(0x80070057u)), "E_INVALIDARG");
    EXPECT_EQ(hresultName(static_cast<int32_t>(0x8007000Eu)), "E_OUTOFMEMORY");
    EXPECT_EQ(hresultName(static_cast<int32_t>(0x800401F0u)), "CO_E_NOTINITIALIZED");
    EXPECT_EQ(hresultName(static_cast<int32_t>(0x80040154u)), "REGDB_E_CLASSNOTREG");
    EXPECT_EQ(hresultName(static_cast<int32_t>(0x80070002u)),
              "HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)");
    EXPECT_EQ(hresultName(static_cast<int32_t>(0x8007007Eu)),
              "HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND)");
    EXPECT_EQ(hresultName(static_cast<int32_t>(0x80041002u)), "WBEM_E_NOT_FOUND");
    // The SDK's own names for these two Win32 codes (mingw-w64's headers lack the aliases).
    EXPECT_EQ(hresultName(static_cast<int32_t>(0x80070490u)), "E_NOT_SET");
    EXPECT_EQ(hresultName(static_cast<int32_t>(0x8007139Fu)), "E_NOT_VALID_STATE");
}

TEST(HResultNames, UnknownCodesGetThePlaceholder)
{
    EXPECT_EQ(hresultName(static_cast<int32_t>(0x80001234u)), "Unknown error code");
    EXPECT_EQ(hresultName(2), "Unknown error code");
    // Same low word as DXGI_STATUS_OCCLUDED in another facility: no partial matches.
    EXPECT_EQ(hresultName(static_cast<int32_t>(0x887B0009u)), "Unknown error code");
    EXPECT_EQ(hresultName(static_cast<int32_t>(0xFFFFFFFFu)), "Unknown error code");
}
