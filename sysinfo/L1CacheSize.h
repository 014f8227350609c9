#pragma once

#include <cstdint>

#include "sysinfo/CpuidReader.h"

// The level-1 data cache of the processor, in bytes, from its identification instruction.
//
// Intel describes its caches in leaf 4 (deterministic cache parameters, one sub-leaf per
// cache until a sub-leaf of type 0); AMD in the extended leaf 0x80000005, which Intel leaves
// zero. A processor that identifies itself as AMD (or Hygon, which shares AMD's leaves) is
// read through the extended leaf only; any other through leaf 4 first, then the extended leaf.
// 0 when neither tells.
uint32_t readL1CacheSize(CpuidReader& cpuid);

// One leaf-4 sub-leaf: the size of the cache it describes, ways x partitions x line size x
// sets (each field holds its value minus one), when it is a level-1 cache of the given type
// (1 data, 3 unified); otherwise 0.
uint32_t l1CacheSizeFromLeaf4(const CpuidRegisters& subleaf, uint32_t cacheType);

// The extended leaf's rule: ECX bits 31..24 of leaf 0x80000005 are the data cache in
// kilobytes. maxExtendedLeaf is EAX of leaf 0x80000000: extended leaves exist when it is
// negative as a signed number, and the leaf is usable only when it is within that maximum.
// Otherwise 0.
uint32_t l1CacheSizeFromCpuid(uint32_t maxExtendedLeaf, uint32_t ecxOfLeaf80000005);
