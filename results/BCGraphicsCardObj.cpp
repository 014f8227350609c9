#include "results/BCGraphicsCardObj.h"

#include <cstdio>

namespace {
std::string hexID(uint32_t id) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%x", static_cast<unsigned>(id));
    return text;
}
}  // namespace

BCGraphicsCardObj::BCGraphicsCardObj(const std::string& name, const std::string& manufacturer,
                                     uint32_t productID, uint32_t vendorID,
                                     uint32_t subProductID, uint32_t subVendorID)
    : BCObject("BenchmarkGraphicsCard") {
    // With real PCI IDs the name only describes; drivers name one card in several ways.
    addField("Name", name, productID == 0 ? 1 : 0);
    if (!manufacturer.empty())
        addField("Manufacturer", manufacturer, 1);
    addField("ProductID", hexID(productID), 1);
    addField("VendorID", hexID(vendorID), 1);
    addField("SubProductID", hexID(subProductID), 1);
    addField("SubVendorID", hexID(subVendorID), 1);
}

BCGraphicsCardObj::~BCGraphicsCardObj() = default;
