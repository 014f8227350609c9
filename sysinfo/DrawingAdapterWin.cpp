#include "sysinfo/DrawingAdapterWin.h"

#include <windows.h>
#include <d3d10.h>
#include <dxgi.h>

#include <cwchar>

#include "base/ComPtr.h"
#include "sysinfo/AnsiText.h"

DrawingAdapter drawingAdapterOfDevice(IUnknown* device)
{
    DrawingAdapter adapter;
    if (device == nullptr) {
        return adapter;
    }
    ComPtr<IDXGIDevice> dxgiDevice;
    ComPtr<IDXGIAdapter> dxgiAdapter;
    DXGI_ADAPTER_DESC desc{};
    if (FAILED(device->QueryInterface(__uuidof(IDXGIDevice), dxgiDevice.putVoid())) || !dxgiDevice ||
        FAILED(dxgiDevice->GetAdapter(dxgiAdapter.put())) || !dxgiAdapter ||
        FAILED(dxgiAdapter->GetDesc(&desc))) {
        return adapter;
    }
    adapter.known = true;
    adapter.ids = pciIdsFromDxgi(desc.VendorId, desc.DeviceId, desc.SubSysId);
    const std::size_t capacity = sizeof(desc.Description) / sizeof(desc.Description[0]);
    adapter.description = ansiText(desc.Description, wcsnlen(desc.Description, capacity));
    adapter.dedicatedVideoMemory = desc.DedicatedVideoMemory;
    LARGE_INTEGER umdVersion{};
    if (SUCCEEDED(dxgiAdapter->CheckInterfaceSupport(__uuidof(ID3D10Device), &umdVersion))) {
        adapter.driverVersion = driverVersionText(static_cast<uint64_t>(umdVersion.QuadPart));
    }
    return adapter;
}

DrawingAdapter primaryDisplayAdapter()
{
    DrawingAdapter adapter;
    DISPLAY_DEVICEA display{};
    display.cb = sizeof(display);
    for (DWORD i = 0; EnumDisplayDevicesA(nullptr, i, &display, 0); ++i) {
        if (display.StateFlags & DISPLAY_DEVICE_PRIMARY_DEVICE) {
            // Only a PCI identifier with a vendor tells the adapter apart (Wine gives
            // "PCI\VEN_0000&DEV_0000&..."); without one, which adapter draws is not known.
            const std::string deviceId(display.DeviceID, strnlen(display.DeviceID, sizeof(display.DeviceID)));
            const std::optional<PciIds> ids = pciIdsOfDevice(deviceId);
            if (ids && ids->vendorID != 0) {
                adapter.known = true;
                adapter.ids = *ids;
                adapter.description.assign(display.DeviceString,
                                           strnlen(display.DeviceString, sizeof(display.DeviceString)));
            }
            return adapter;
        }
        display = DISPLAY_DEVICEA{};
        display.cb = sizeof(display);
    }
    return adapter;
}
