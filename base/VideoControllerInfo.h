#pragma once

#include <cstdint>
#include <string>

// What the management service tells about a display adapter.
struct VideoControllerInfo {
    std::string cardName;          // Name; empty when unknown
    uint32_t productID = 0;        // PCI IDs from PNPDeviceID; 0 when unknown
    uint32_t vendorID = 0;
    uint32_t subProductID = 0;
    uint32_t subVendorID = 0;
    std::string driverNames;       // InstalledDisplayDrivers; empty when unknown
    std::string driverVersion;     // DriverVersion; empty when unknown
    uint64_t videoMemorySize = 0;  // bytes; 0 when unknown (printed "Unknown")
};

#ifdef _WIN32
struct DrawingAdapter;

// Queries the service (connecting on first use). Throws text: "Query for video card failed.
// Error code = 0x...\n", or the connection's failure text.
// The last controller the service lists.
VideoControllerInfo queryVideoController();
// The card that drew on `adapter` (sysinfo/CardThatDrew.h), its memory size from the
// registry where the driver wrote one.
VideoControllerInfo queryVideoController(const DrawingAdapter& adapter);
#endif
