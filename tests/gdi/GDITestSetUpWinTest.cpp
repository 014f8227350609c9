#include "GDITestFixture.h"

#include <gtest/gtest.h>

#include <regex>

#include "results/BCObject.h"

namespace {

int systemFontHeight()
{
    HDC screen = GetDC(nullptr);
    HGDIOBJ previous = SelectObject(screen, GetStockObject(SYSTEM_FONT));
    TEXTMETRICA metrics{};
    GetTextMetricsA(screen, &metrics);
    SelectObject(screen, previous);
    ReleaseDC(nullptr, screen);
    return metrics.tmHeight;
}

// Windows of class "GDITest" this thread owns (other programs in the same Wine prefix may
// have their own).
int ownGDITestWindows()
{
    int count = 0;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM found) -> BOOL {
            char name[32] = {};
            GetClassNameA(window, name, sizeof name);
            if (std::string(name) == "GDITest") {
                ++*reinterpret_cast<int*>(found);
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&count));
    return count;
}

bool classRegistered()
{
    WNDCLASSA info{};
    return GetClassInfoA(GetModuleHandleA(nullptr), "GDITest", &info) != 0;
}

} // namespace

TEST(GDITestSetUp, OpensATopmostFullScreenWindow)
{
    GDITestWorld world;
    RecordingGDITest test(world.client, world.output);

    const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    EXPECT_EQ(test.getDisplayWidth(), static_cast<uint32_t>(screenWidth));
    EXPECT_EQ(test.getDisplayHeight(), screenHeight);
    EXPECT_GE(test.getBitsPerPixel(), 16u);
    EXPECT_EQ(test.getStatusHeight(), systemFontHeight() + 4);

    HWND window = test.getWindow();
    ASSERT_TRUE(IsWindow(window));
    EXPECT_TRUE(IsWindowVisible(window));
    RECT area{};
    GetWindowRect(window, &area);
    EXPECT_EQ(area.left, 0);
    EXPECT_EQ(area.top, 0);
    EXPECT_EQ(area.right, screenWidth);
    EXPECT_EQ(area.bottom, screenHeight);
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(window, GWL_EXSTYLE)) & 0x40008u, 0x40008u);
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE)) & 0x86000000u, 0x86000000u);
    char className[32] = {};
    GetClassNameA(window, className, sizeof className);
    EXPECT_STREQ(className, "GDITest");
    EXPECT_EQ(ownGDITestWindows(), 1);
    EXPECT_EQ(GetClassLongA(window, GCL_STYLE) & CS_OWNDC, static_cast<DWORD>(CS_OWNDC));

    // The status strip is white with dark text; the drawing area is black.
    WindowPixels pixels(test.getDC(), screenWidth, screenHeight);
    const int strip = test.getStatusHeight();
    int white = 0, dark = 0, other = 0;
    for (int y = 0; y < strip; ++y) {
        for (int x = 0; x < screenWidth; ++x) {
            const uint32_t p = pixels.at(x, y);
            if (p == 0xFFFFFF) {
                ++white;
            } else if ((p & 0xFF) < 0x80 && ((p >> 8) & 0xFF) < 0x80 && (p >> 16) < 0x80) {
                ++dark;
            } else {
                ++other;
            }
        }
    }
    EXPECT_GT(dark, 50) << "the status prefix should be written in the strip";
    EXPECT_GT(white, dark * 3);
    EXPECT_EQ(pixels.nonBlackPixels(strip, screenHeight), 0);
}

TEST(GDITestSetUp, StatusMessageRedrawsOnlyTheStrip)
{
    GDITestWorld world;
    RecordingGDITest test(world.client, world.output);
    const int width = static_cast<int>(test.getDisplayWidth());
    const int height = test.getDisplayHeight();
    const int strip = test.getStatusHeight();

    WindowPixels before(test.getDC(), width, height);
    test.setStatusMessage("Korvid 2.9 (2012/06/11). Running FillRect test with size=(16, 16) "
                          "(test 3 of 38). Please be patient...");
    WindowPixels after(test.getDC(), width, height);
    EXPECT_GT(after.differingPixels(before, 0, strip), 0); // longer text
    EXPECT_EQ(after.differingPixels(before, strip, height), 0);
    // The strip is cleared first: the same short text again gives the first picture back.
    test.setStatusMessage("Korvid 2.9 (2012/06/11). ");
    WindowPixels again(test.getDC(), width, height);
    EXPECT_EQ(again.differingPixels(before, 0, height), 0);
}

TEST(GDITestSetUp, PrintsAndRecordsTheGraphicsCardWineReports)
{
    GDITestWorld world;
    RecordingGDITest test(world.client, world.output);

    // Wine's made-up adapter: PCI\VEN_10DE&DEV_06CD&SUBSYS_00000000, AdapterRAM 0xFFF00000.
    EXPECT_EQ(test.getCardName(), "NVIDIA GeForce GTX 470");
    const std::string transcript = world.transcript.str();
    std::smatch match;
    const std::regex expected(
        "Initialising GDI test\\.\n"
        "\n"
        "Board name: NVIDIA GeForce GTX 470\n"
        "Product ID: 0x6cd Vendor ID: 0x10de SubProduct ID: 0x0 SubVendor ID: 0x0\n"
        "Card driver: ([^\n]*) \\(([^\n]*)\\)\n"
        "VRAM: 3\\.99902 GiB\n"
        "Display mode: ([0-9]+)x([0-9]+)@([0-9]+) \\(([0-9]+) bpp\\)\n");
    ASSERT_TRUE(std::regex_match(transcript, match, expected)) << transcript;
    EXPECT_EQ(match[3].str(), std::to_string(test.getDisplayWidth()));
    EXPECT_EQ(match[4].str(), std::to_string(test.getDisplayHeight()));
    EXPECT_EQ(match[5].str(), std::to_string(test.getRefreshRate()));
    EXPECT_EQ(match[6].str(), std::to_string(test.getBitsPerPixel()));
    EXPECT_EQ(world.console.str(), transcript + "\n\n");

    const BCObject& root = *world.client.getRootObject();
    ASSERT_EQ(root.getNumSubObjects(), 1);
    EXPECT_EQ(root.getSubObjectField(0)->getName(), "GraphicsCard");
    const BCObject& card = *root.getSubObjectField(0)->getObject();
    EXPECT_EQ(card.getTypeName(), "BenchmarkGraphicsCard");
    EXPECT_EQ(fieldValue(card, "ProductID"), "0x6cd");
    EXPECT_EQ(fieldValue(card, "VendorID"), "0x10de");
    ASSERT_EQ(root.getNumCollections(), 1);
    ASSERT_EQ(root.getCollection(0)->getNumObjects(), 1);
    const BCObject& driver = *root.getCollection(0)->getObject(0);
    EXPECT_EQ(fieldValue(driver, "LibraryVersion"), match[2].str());
    EXPECT_EQ(fieldValue(*driver.getSubObjectField(0)->getObject(), "Name"), match[1].str());
    EXPECT_EQ(fieldValue(root, "VRAMSize"), "4293918720");
    EXPECT_EQ(fieldValue(root, "DisplayWidth"), std::to_string(test.getDisplayWidth()));
    EXPECT_EQ(fieldValue(root, "DisplayHeight"), std::to_string(test.getDisplayHeight()));
    EXPECT_EQ(fieldValue(root, "RefreshRate"), std::to_string(test.getRefreshRate()));
    EXPECT_EQ(fieldValue(root, "BitsPerPixel"), std::to_string(test.getBitsPerPixel()));
}

TEST(GDITestSetUp, DestructionReleasesWindowAndClass)
{
    HWND first = nullptr;
    {
        GDITestWorld world;
        RecordingGDITest test(world.client, world.output);
        first = test.getWindow();
        EXPECT_TRUE(classRegistered());
    }
    EXPECT_FALSE(IsWindow(first));
    EXPECT_FALSE(classRegistered());

    GDITestWorld world;
    RecordingGDITest second(world.client, world.output);
    EXPECT_TRUE(IsWindow(second.getWindow()));
}

TEST(GDITestSetUp, ClassAlreadyRegisteredFailsWithoutAWindow)
{
    WNDCLASSA squatter{};
    squatter.lpfnWndProc = DefWindowProcA;
    squatter.hInstance = GetModuleHandleA(nullptr);
    squatter.lpszClassName = "GDITest";
    ASSERT_NE(RegisterClassA(&squatter), 0);

    GDITestWorld world;
    try {
        RecordingGDITest test(world.client, world.output);
        ADD_FAILURE() << "construction should fail";
    } catch (const std::string& message) {
        EXPECT_EQ(message, "ERROR: Could not create window class (needed to set up the GDI test).");
    }
    EXPECT_EQ(ownGDITestWindows(), 0);
    EXPECT_EQ(world.transcript.str(), "Initialising GDI test.\n\n");
    // The failed set-up did not unregister a class that was not its own.
    EXPECT_TRUE(classRegistered());
    UnregisterClassA("GDITest", GetModuleHandleA(nullptr));
}

// Runs on a paletted display only (tests/gdi/test_gdi_displays.py starts one).
TEST(GDITestSetUp, RefusesAPalettedDisplay)
{
    HDC screen = GetDC(nullptr);
    const int bits = GetDeviceCaps(screen, BITSPIXEL);
    ReleaseDC(nullptr, screen);
    if (bits >= 16) {
        GTEST_SKIP() << "the display has " << bits << " bits per pixel";
    }
    GDITestWorld world;
    try {
        RecordingGDITest test(world.client, world.output);
        ADD_FAILURE() << "construction should fail";
    } catch (const std::string& message) {
        EXPECT_EQ(message,
                  "ERROR: Your screen mode is not truecolour. Please change the screen-mode "
                  "\"color quality\" to 16-bit or higher in the display control panel settings "
                  "tab, and run this again.");
    }
    EXPECT_EQ(world.transcript.str(), "Initialising GDI test.\n\n");
    EXPECT_FALSE(classRegistered());
    EXPECT_EQ(ownGDITestWindows(), 0);
}
