#include "sysinfo/L1CacheSize.h"

#include <cstring>

namespace {

constexpr uint32_t kVendorLeaf = 0;
constexpr uint32_t kCacheParametersLeaf = 4;
constexpr uint32_t kExtendedBase = 0x80000000u;
constexpr uint32_t kL1CacheLeaf = 0x80000005u;

constexpr uint32_t kNoMoreCaches = 0;
constexpr uint32_t kDataCache = 1;
constexpr uint32_t kUnifiedCache = 3;
// A processor lists a handful of caches; a virtual machine that never answers type 0 must
// not keep the loop going.
constexpr uint32_t kMostSubleaves = 64;

bool hasL1CacheLeaf(uint32_t maxExtendedLeaf)
{
    return static_cast<int32_t>(maxExtendedLeaf) < 0 && maxExtendedLeaf >= kL1CacheLeaf;
}

// The vendor text is EBX, EDX, ECX of leaf 0, in that order.
bool describesCachesTheAMDWay(const CpuidRegisters& vendorLeaf)
{
    char vendor[13] = {};
    std::memcpy(vendor, &vendorLeaf.ebx, 4);
    std::memcpy(vendor + 4, &vendorLeaf.edx, 4);
    std::memcpy(vendor + 8, &vendorLeaf.ecx, 4);
    return std::strcmp(vendor, "AuthenticAMD") == 0 || std::strcmp(vendor, "HygonGenuine") == 0;
}

uint32_t fromCacheParameters(CpuidReader& cpuid)
{
    uint32_t unified = 0;
    for (uint32_t subleaf = 0; subleaf < kMostSubleaves; ++subleaf) {
        const CpuidRegisters r = cpuid.execute(kCacheParametersLeaf, subleaf);
        if ((r.eax & 0x1Fu) == kNoMoreCaches) {
            break;
        }
        if (const uint32_t data = l1CacheSizeFromLeaf4(r, kDataCache)) {
            return data;
        }
        if (unified == 0) {
            unified = l1CacheSizeFromLeaf4(r, kUnifiedCache);
        }
    }
    return unified;
}

uint32_t fromExtendedLeaf(CpuidReader& cpuid)
{
    const uint32_t maxLeaf = cpuid.execute(kExtendedBase, 0).eax;
    if (!hasL1CacheLeaf(maxLeaf)) {
        return 0;
    }
    return l1CacheSizeFromCpuid(maxLeaf, cpuid.execute(kL1CacheLeaf, 0).ecx);
}

} // namespace

uint32_t l1CacheSizeFromLeaf4(const CpuidRegisters& subleaf, uint32_t cacheType)
{
    const uint32_t type = subleaf.eax & 0x1Fu;
    const uint32_t level = (subleaf.eax >> 5) & 0x7u;
    if (type != cacheType || level != 1) {
        return 0;
    }
    const uint64_t ways = ((subleaf.ebx >> 22) & 0x3FFu) + 1;
    const uint64_t partitions = ((subleaf.ebx >> 12) & 0x3FFu) + 1;
    const uint64_t lineSize = (subleaf.ebx & 0xFFFu) + 1;
    const uint64_t sets = static_cast<uint64_t>(subleaf.ecx) + 1;
    const uint64_t size = ways * partitions * lineSize * sets;
    return size > UINT32_MAX ? 0 : static_cast<uint32_t>(size);
}

uint32_t l1CacheSizeFromCpuid(uint32_t maxExtendedLeaf, uint32_t ecxOfLeaf80000005)
{
    if (!hasL1CacheLeaf(maxExtendedLeaf)) {
        return 0;
    }
    return (ecxOfLeaf80000005 >> 24) * 1024u;
}

uint32_t readL1CacheSize(CpuidReader& cpuid)
{
    const CpuidRegisters vendorLeaf = cpuid.execute(kVendorLeaf, 0);
    if (!describesCachesTheAMDWay(vendorLeaf) && vendorLeaf.eax >= kCacheParametersLeaf) {
        if (const uint32_t size = fromCacheParameters(cpuid)) {
            return size;
        }
    }
    return fromExtendedLeaf(cpuid);
}
