// The Direct2D test on a 16-bit display (run by test_d2d_platform.py on a 16-bit virtual screen;
// skipped on any other).
#include <gtest/gtest.h>

#include <windows.h>

#include <sstream>
#include <string>

#include "base/OutputPair.h"
#include "client/BenchmarkClient.h"
#include "core/GfxSysNotAvailableException.h"
#include "d2d/D2DTest.h"

TEST(D2DDepth, SixteenBitDisplayAsksForTheSixteenBitSwapChainFormat) {
    DEVMODEA mode = {};
    mode.dmSize = sizeof(mode);
    ASSERT_TRUE(EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &mode));
    if (mode.dmBitsPerPel != 16) {
        GTEST_SKIP() << "needs a 16-bit display, this one has " << mode.dmBitsPerPel;
    }
    std::ostringstream console;
    std::ostringstream transcript;
    OutputPair output(console, transcript);
    BenchmarkClient client("KorvidResult", "https://localhost:9/api/v1/", "Korvid_Windows_2.9",
                           "TestKey", "http://localhost:9/Benchmark/Korvid/Result/",
                           "Korvid/2.9 (Windows)");
    std::string outcome;
    try {
        D2DTest test(client, "Korvid 2.9 (2012/06/11). ", output, 0x1F);
        EXPECT_EQ(16u, test.getBitsPerPixel());
        DXGI_SWAP_CHAIN_DESC desc = {};
        test.getSwapChain()->GetDesc(&desc);
        std::ostringstream text;
        text << "constructed, format " << desc.BufferDesc.Format;
        outcome = text.str();
    } catch (const std::string& message) {
        outcome = message;
    } catch (const GfxSysNotAvailableException& e) {
        outcome = "exception: " + e.getMessage();
    }
    RecordProperty("outcome", outcome);
    // Wine 8 cannot make a B5G5R5A1 swap-chain buffer (wined3d refuses the texture,
    // WINED3DERR_INVALIDCALL) and answers E_INVALIDARG at all five feature levels; the format
    // was asked for, and the run ends with the device error. A Direct3D 10 driver does not
    // offer this format for display either.
    EXPECT_EQ("ERROR: Failed to create device and swap chain (0x80070057).", outcome);
    // A failure after the window existed leaves nothing behind.
    WNDCLASSA found;
    EXPECT_FALSE(GetClassInfoA(GetModuleHandleA(nullptr), "Direct2DTest", &found));
    EXPECT_EQ(nullptr, FindWindowA("Direct2DTest", nullptr));
    EXPECT_EQ(0u, console.str().find("Initialising Direct2D test.\n\n"));
}
