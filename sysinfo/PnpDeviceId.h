#pragma once

#include <cstdint>
#include <optional>
#include <string>

// The four PCI IDs of a display adapter, read from its Plug-and-Play device identifier such as
// "PCI\VEN_10DE&DEV_0640&SUBSYS_C9601462&REV_A1\4&...". An ID that the text does not hold is 0.
struct PciIds {
    uint32_t vendorID = 0;
    uint32_t productID = 0;
    uint32_t subProductID = 0;
    uint32_t subVendorID = 0;
};

bool operator==(const PciIds& a, const PciIds& b);

// Vendor from characters 8 to 11, product from 17 to 20, and after the first "SUBSYS_" the
// subsystem product (4 digits) then the subsystem vendor (4 digits); each read as hexadecimal.
// A piece that does not lie wholly inside the text or does not start with a hexadecimal digit
// gives 0; without "SUBSYS_" both subsystem IDs are 0.
PciIds parsePnpDeviceId(const std::string& deviceId);

// The IDs of a PCI device's identifier read by its parts, for telling devices apart: the text
// must start with "PCI\" and its next part must hold VEN_ and DEV_ with four hexadecimal digits
// each (SUBSYS_ with eight, when present; absent it gives 0 and 0), in any letter case. Nothing
// for any other device (a virtual adapter's "ROOT\DISPLAY\0000", a USB dock's "USB\VID_...").
std::optional<PciIds> pciIdsOfDevice(const std::string& deviceId);
