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

std::string upper(std::string text)
{
    for (char& c : text) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return text;
}

// The value of "NAME_hhhh" when token is that name followed by exactly `digits` hex digits.
std::optional<uint32_t> hexAfter(const std::string& token, const std::string& name, std::size_t digits)
{
    if (token.size() != name.size() + digits || token.compare(0, name.size(), name) != 0) {
        return std::nullopt;
    }
    uint32_t value = 0;
    for (std::size_t i = name.size(); i < token.size(); ++i) {
        const char c = token[i];
        if (!std::isxdigit(static_cast<unsigned char>(c))) {
            return std::nullopt;
        }
        value = value * 16 + static_cast<uint32_t>(c <= '9' ? c - '0' : c - 'A' + 10);
    }
    return value;
}

} // namespace

bool operator==(const PciIds& a, const PciIds& b)
{
    return a.vendorID == b.vendorID && a.productID == b.productID &&
           a.subProductID == b.subProductID && a.subVendorID == b.subVendorID;
}

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

std::optional<PciIds> pciIdsOfDevice(const std::string& deviceId)
{
    const std::string text = upper(deviceId);
    const std::string prefix = "PCI\\";
    if (text.compare(0, prefix.size(), prefix) != 0) {
        return std::nullopt;
    }
    const std::string::size_type end = text.find('\\', prefix.size());
    const std::string hardware =
        text.substr(prefix.size(), end == std::string::npos ? std::string::npos : end - prefix.size());

    std::optional<uint32_t> vendor, device, subsystem;
    std::string::size_type start = 0;
    while (start <= hardware.size()) {
        std::string::size_type amp = hardware.find('&', start);
        if (amp == std::string::npos) {
            amp = hardware.size();
        }
        const std::string token = hardware.substr(start, amp - start);
        if (auto v = hexAfter(token, "VEN_", 4)) {
            vendor = v;
        } else if (auto d = hexAfter(token, "DEV_", 4)) {
            device = d;
        } else if (auto s = hexAfter(token, "SUBSYS_", 8)) {
            subsystem = s;
        }
        start = amp + 1;
    }
    if (!vendor || !device) {
        return std::nullopt;
    }
    PciIds ids;
    ids.vendorID = *vendor;
    ids.productID = *device;
    // Subsystem product first, then its vendor: "SUBSYS_C9601462" is product 0xC960 by 0x1462.
    ids.subProductID = subsystem ? *subsystem >> 16 : 0;
    ids.subVendorID = subsystem ? *subsystem & 0xFFFFu : 0;
    return ids;
}
