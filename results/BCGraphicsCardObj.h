#pragma once

#include <cstdint>
#include <string>

#include "results/BCObject.h"

// Record "BenchmarkGraphicsCard": Name (a search key only when productID is 0, because the
// PCI IDs identify the card better than its marketing name), Manufacturer when not empty, and
// ProductID, VendorID, SubProductID, SubVendorID as "0x" + lower-case hex.
class BCGraphicsCardObj : public BCObject {
public:
    BCGraphicsCardObj(const std::string& name, const std::string& manufacturer,
                      uint32_t productID, uint32_t vendorID,
                      uint32_t subProductID, uint32_t subVendorID);
    ~BCGraphicsCardObj() override;
};
