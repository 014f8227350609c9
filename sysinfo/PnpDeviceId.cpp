#include "sysinfo/PnpDeviceId.h"

#include <cctype>
#include <cstdio>

namespace {

constexpr std::string::size_type kPieceLength = 4;

uint32_t hexPiece(const std::string& text, std::string::size_type offset)
{
    if (offset > text.size() || text.size() - offset < kPieceLength) {
        return 0;
    }
    char piece[kPieceLength + 1] = {};
    text.copy(piece, kPieceLength, offset);
    if (!std::isxdigit(static_cast<unsigned char>(piece[0]))) {
        return 0;
    }
    unsigned int value = 0;
    if (std::sscanf(piece, "%x", &value) != 1) {
        return 0;
    }
    return value;
}

} // namespace

PciIds parsePnpDeviceId(const std::string& deviceId)
{
    PciIds ids;
    ids.vendorID = hexPiece(deviceId, 8);
    ids.productID = hexPiece(deviceId, 17);
    const std::string::size_type subsys = deviceId.find("SUBSYS_");
    if (subsys != std::string::npos) {
        ids.subProductID = hexPiece(deviceId, subsys + 7);
        ids.subVendorID = hexPiece(deviceId, subsys + 11);
    }
    return ids;
}
