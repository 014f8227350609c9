#include "sysinfo/CpuidReader.h"

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#endif

namespace {
constexpr uint32_t kExtendedBase = 0x80000000u;
constexpr uint32_t kL1CacheLeaf = 0x80000005u;
} // namespace

CpuidReader::~CpuidReader() = default;

void HostCpuidReader::execute(uint32_t leaf, uint32_t& eax, uint32_t& ebx, uint32_t& ecx,
                              uint32_t& edx)
{
#if defined(__i386__) || defined(__x86_64__)
    unsigned int a = 0, b = 0, c = 0, d = 0;
    __cpuid_count(leaf, 0, a, b, c, d);
    eax = a;
    ebx = b;
    ecx = c;
    edx = d;
#else
    (void)leaf;
    eax = ebx = ecx = edx = 0;
#endif
}

namespace {
bool hasL1CacheLeaf(uint32_t maxExtendedLeaf)
{
    return static_cast<int32_t>(maxExtendedLeaf) < 0 && maxExtendedLeaf >= kL1CacheLeaf;
}
} // namespace

uint32_t l1CacheSizeFromCpuid(uint32_t maxExtendedLeaf, uint32_t ecxOfLeaf80000005)
{
    if (!hasL1CacheLeaf(maxExtendedLeaf)) {
        return 0;
    }
    return (ecxOfLeaf80000005 >> 24) * 1024u;
}

uint32_t readL1CacheSize(CpuidReader& cpuid)
{
    uint32_t maxLeaf = 0, ebx = 0, ecx = 0, edx = 0;
    cpuid.execute(kExtendedBase, maxLeaf, ebx, ecx, edx);
    if (!hasL1CacheLeaf(maxLeaf)) {
        return 0;
    }
    uint32_t eax = 0;
    cpuid.execute(kL1CacheLeaf, eax, ebx, ecx, edx);
    return l1CacheSizeFromCpuid(maxLeaf, ecx);
}
