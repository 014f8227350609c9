// Which adapter draws, asked of the real system (Wine's in the test run).
#include <gtest/gtest.h>

#include <windows.h>

#include "sysinfo/DrawingAdapterWin.h"
#include "sysinfo/DriverKeyMemoryRegistryWin.h"
#include "sysinfo/SystemQueries.h"
#include "base/VideoControllerInfo.h"
#include "sysinfo/WMIQueryRunnerWin.h"

namespace {

bool runningUnderWine()
{
    const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

} // namespace

TEST(DrawingAdapterWin, PrimaryDisplayAdapterIsKnownByItsPciIdentifier)
{
    DISPLAY_DEVICEA primary{};
    primary.cb = sizeof(primary);
    bool found = false;
    for (DWORD i = 0; !found && EnumDisplayDevicesA(nullptr, i, &primary, 0); ++i) {
        found = (primary.StateFlags & DISPLAY_DEVICE_PRIMARY_DEVICE) != 0;
        if (!found) {
            primary = DISPLAY_DEVICEA{};
            primary.cb = sizeof(primary);
        }
    }
    ASSERT_TRUE(found);
    const DrawingAdapter adapter = primaryDisplayAdapter();
    if (runningUnderWine()) {
        // Wine's "Wine Adapter" carries no vendor: GDI records the service's card, as before.
        EXPECT_STREQ(primary.DeviceString, "Wine Adapter");
        EXPECT_STREQ(primary.DeviceID, "PCI\\VEN_0000&DEV_0000&SUBSYS_00000000&REV_00");
        EXPECT_FALSE(adapter.known);
        EXPECT_EQ(queryVideoController(adapter).cardName, queryVideoController().cardName);
    } else {
        EXPECT_EQ(adapter.known, pciIdsOfDevice(primary.DeviceID).has_value());
        EXPECT_EQ(adapter.description, primary.DeviceString);
    }
}

TEST(DrawingAdapterWin, NoDeviceTellsNoAdapter)
{
    EXPECT_FALSE(drawingAdapterOfDevice(nullptr).known);
}

TEST(DrawingAdapterWin, DriverKeyMemorySizeNeedsAListedDevice)
{
    DriverKeyMemoryRegistry registry;
    EXPECT_FALSE(registry.memorySize("PCI\\VEN_FFFF&DEV_FFFF&SUBSYS_00000000&REV_00\\0&0&0&0").has_value());
    EXPECT_FALSE(registry.memorySize("").has_value());
    if (runningUnderWine()) {
        // Wine's display driver writes no HardwareInformation values.
        WMIServiceQueryRunner wmi;
        const std::vector<VideoControllerListing> controllers = listVideoControllers(wmi);
        ASSERT_FALSE(controllers.empty());
        for (const VideoControllerListing& controller : controllers)
            EXPECT_FALSE(registry.memorySize(controller.pnpDeviceId).has_value()) << controller.pnpDeviceId;
    }
}
