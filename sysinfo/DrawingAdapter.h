#pragma once

#include <cstdint>
#include <string>

#include "sysinfo/PnpDeviceId.h"

// The display adapter a graphics test draws with, as the graphics system itself names it:
// Direct3D's adapter for the Direct2D test, the primary display's adapter for GDI. The
// management service lists every adapter, in an order of its own; this is how the one that
// drew is told from the rest.
struct DrawingAdapter {
    bool known = false;                 // false: the graphics system could not say
    PciIds ids;                         // vendor, device and subsystem
    std::string description;            // its name for the adapter, in the ANSI code page
    std::string driverVersion;          // "31.0.15.3623"; empty when not told
    uint64_t dedicatedVideoMemory = 0;  // bytes; 0 when not told
};

// DXGI gives the subsystem as one number, "SUBSYS_" order: product in the high half, vendor
// in the low half.
PciIds pciIdsFromDxgi(uint32_t vendorId, uint32_t deviceId, uint32_t subSysId);

// The user-mode driver version DXGI reports as one 64-bit number, written as the management
// service writes driver versions: four 16-bit parts from the highest, "31.0.15.3623".
std::string driverVersionText(uint64_t umdVersion);
