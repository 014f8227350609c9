#include "sysinfo/DrawingAdapter.h"

PciIds pciIdsFromDxgi(uint32_t vendorId, uint32_t deviceId, uint32_t subSysId)
{
    PciIds ids;
    ids.vendorID = vendorId;
    ids.productID = deviceId;
    ids.subProductID = subSysId >> 16;
    ids.subVendorID = subSysId & 0xFFFFu;
    return ids;
}

std::string driverVersionText(uint64_t umdVersion)
{
    return std::to_string((umdVersion >> 48) & 0xFFFFu) + "." +
           std::to_string((umdVersion >> 32) & 0xFFFFu) + "." +
           std::to_string((umdVersion >> 16) & 0xFFFFu) + "." + std::to_string(umdVersion & 0xFFFFu);
}
