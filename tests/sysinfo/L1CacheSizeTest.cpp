#include <gtest/gtest.h>

#include <vector>

#include "FakeWMI.h"
#include "sysinfo/L1CacheSize.h"

namespace {

// Leaf 0's EBX, EDX, ECX spell the vendor.
constexpr uint32_t kGenu = 0x756E6547, kineI = 0x49656E69, kntel = 0x6C65746E;
constexpr uint32_t kAuth = 0x68747541, kenti = 0x69746E65, kcAMD = 0x444D4163;

// What real processors answer, leaf by leaf (sub-leaf 0 unless given).
struct Answer {
    uint32_t leaf;
    uint32_t subleaf;
    CpuidRegisters registers;
};

struct RecordedProcessor {
    const char* name;
    std::vector<Answer> answers;
    uint32_t l1DataCache;  // worked out by hand below
};

} // namespace

TEST(L1CacheSize, ReadsWhatRealProcessorsReport)
{
    const RecordedProcessor processors[] = {
        // Leaf 4, sub-leaf 0: type 1 (data), level 1; EBX 0x01C0003F: 8 ways, 1 partition,
        // 64-byte lines; ECX 63: 64 sets. 8 x 1 x 64 x 64 = 32768. Leaf 0x80000005 is zero on
        // Intel, so the extended rule alone gave 0.
        {"Intel Core i7-8700",
         {{0, 0, {0x16, kGenu, kntel, kineI}},
          {4, 0, {0x1C004121, 0x01C0003F, 0x0000003F, 0}},
          {4, 1, {0x1C004122, 0x01C0003F, 0x0000003F, 0}},
          {4, 2, {0x1C004143, 0x00C0003F, 0x000003FF, 0}},
          {4, 3, {0x1C03C163, 0x03C0003F, 0x00002FFF, 6}},
          {0x80000000u, 0, {0x80000008u, 0, 0, 0}}},
         32768},
        // A performance core: data cache EBX 0x02C0003F, 12 ways: 12 x 1 x 64 x 64 = 49152;
        // its instruction cache (sub-leaf 1) is 8 ways, 32768, and is not the one asked for.
        {"Intel Core i9-12900K",
         {{0, 0, {0x20, kGenu, kntel, kineI}},
          {4, 0, {0xFC004121, 0x02C0003F, 0x0000003F, 0}},
          {4, 1, {0xFC004122, 0x01C0003F, 0x0000003F, 0}},
          {4, 2, {0xFC01C143, 0x0240003F, 0x000007FF, 0}},
          {4, 3, {0xFC1FC163, 0x02C0003F, 0x00009FFF, 4}},
          {0x80000000u, 0, {0x80000008u, 0, 0, 0}}},
         49152},
        // Leaf 0x80000005: ECX 0x20080140 is the data cache, 0x20 = 32 KiB (8 ways, 64-byte
        // lines); EDX 0x40040140 the 64 KiB instruction cache. Leaf 4 is reserved (zero).
        {"AMD Ryzen 7 2700X",
         {{0, 0, {0x0D, kAuth, kcAMD, kenti}},
          {0x80000000u, 0, {0x8000001Fu, kAuth, kcAMD, kenti}},
          {0x80000005u, 0, {0xFF40FF40u, 0xFF40FF40u, 0x20080140u, 0x40040140u}}},
         32768},
        // Leaf 2 is its highest basic leaf and 0x80000004 its highest extended one: neither
        // leaf tells.
        {"Intel Pentium 4 (Northwood)",
         {{0, 0, {0x2, kGenu, kntel, kineI}}, {0x80000000u, 0, {0x80000004u, 0, 0, 0}}},
         0},
    };
    for (const RecordedProcessor& processor : processors) {
        FakeCpuidReader cpuid;
        for (const Answer& a : processor.answers) {
            cpuid.answer(a.leaf, a.subleaf, a.registers);
        }
        EXPECT_EQ(readL1CacheSize(cpuid), processor.l1DataCache) << processor.name;
    }
}

TEST(L1CacheSize, AsksLeafFourOnlyOfProcessorsThatDescribeCachesThere)
{
    // An AMD processor whose leaf 4 answered anything would still be read the AMD way.
    FakeCpuidReader amd;
    amd.answer(0, 0, {0x10, kAuth, kcAMD, kenti})
        .answer(4, 0, {0x00004121, 0x01C0003F, 0x0000003F, 0})
        .answer(0x80000000u, 0, {0x80000020u, 0, 0, 0})
        .answer(0x80000005u, 0, {0, 0, 0x20080140u, 0});
    EXPECT_EQ(readL1CacheSize(amd), 32768u);
    EXPECT_EQ(amd.leaves, (std::vector<uint32_t>{0, 0x80000000u, 0x80000005u}));

    // Leaf 4 lists its caches until a sub-leaf of type 0; a level-1 unified cache counts when
    // there is no level-1 data cache.
    FakeCpuidReader unified;
    unified.answer(0, 0, {0x0B, kGenu, kntel, kineI})
        .answer(4, 0, {0x00000063, 0x00C0003F, 0x00000FFF, 0})  // level 3, unified
        .answer(4, 1, {0x00000023, 0x01C0003F, 0x0000003F, 0})  // level 1, unified
        .answer(4, 2, {0x00000022, 0x01C0003F, 0x0000003F, 0});  // level 1, instruction
    EXPECT_EQ(readL1CacheSize(unified), 32768u);
}

TEST(L1CacheSize, ReadsLeaf80000005WhenTheProcessorHasIt)
{
    // 64 KiB data cache in ECX bits 31..24, other bits set to show they are ignored.
    EXPECT_EQ(l1CacheSizeFromCpuid(0x80000008u, 0x40020140u), 65536u);
    EXPECT_EQ(l1CacheSizeFromCpuid(0x80000005u, 0x20000000u), 32768u);
    EXPECT_EQ(l1CacheSizeFromCpuid(0x80000005u, 0xFF000000u), 255u * 1024u);
}

TEST(L1CacheSize, IsZeroWithoutTheExtendedLeaf)
{
    EXPECT_EQ(l1CacheSizeFromCpuid(0x80000004u, 0x40000000u), 0u);  // leaf not reached
    EXPECT_EQ(l1CacheSizeFromCpuid(0x00000004u, 0x40000000u), 0u);  // no extended leaves
    EXPECT_EQ(l1CacheSizeFromCpuid(0u, 0x40000000u), 0u);
}

TEST(L1CacheSize, AsksTheSecondLeafOnlyWhenItExists)
{
    FakeCpuidReader modern(0x80000008u, 0x20000000u);
    EXPECT_EQ(readL1CacheSize(modern), 32768u);
    EXPECT_EQ(modern.leaves, (std::vector<uint32_t>{0, 0x80000000u, 0x80000005u}));

    FakeCpuidReader old(0x80000004u, 0x20000000u);
    EXPECT_EQ(readL1CacheSize(old), 0u);
    EXPECT_EQ(old.leaves, (std::vector<uint32_t>{0, 0x80000000u}));
}

#if defined(__x86_64__)
TEST(L1CacheSize, HostProcessorTellsItsDataCache)
{
    // Every 64-bit x86 processor reports extended leaves (long mode is announced in one), and
    // every Intel or AMD one of this century tells its level-1 data cache one way or the other.
    HostCpuidReader host;
    const uint32_t maxLeaf = host.execute(0x80000000u, 0).eax;
    EXPECT_GE(maxLeaf, 0x80000001u);
    EXPECT_LT(maxLeaf, 0x80001000u);
    const uint32_t l1 = readL1CacheSize(host);
    EXPECT_EQ(l1 % 1024, 0u);
    EXPECT_GE(l1, 16u * 1024u);
    EXPECT_LE(l1, 255u * 1024u);
}
#endif
