#pragma once

#include <cstdint>

// The processor identification instruction, behind an interface so that the cache-size rule
// can be tried with any processor's answers.
class CpuidReader {
public:
    virtual ~CpuidReader();
    // The four registers the instruction returns for leaf (sub-leaf 0).
    virtual void execute(uint32_t leaf, uint32_t& eax, uint32_t& ebx, uint32_t& ecx,
                         uint32_t& edx) = 0;
};

// The instruction of the processor this program runs on; on a processor without it every
// register reads 0.
class HostCpuidReader : public CpuidReader {
public:
    void execute(uint32_t leaf, uint32_t& eax, uint32_t& ebx, uint32_t& ecx,
                 uint32_t& edx) override;
};

// Level-1 data cache in bytes from the extended leaf 0x80000005 (ECX bits 31..24, kilobytes).
// maxExtendedLeaf is EAX of leaf 0x80000000: extended leaves exist when it is negative as a
// signed number, and the leaf is usable only when it is within that maximum. Otherwise 0.
uint32_t l1CacheSizeFromCpuid(uint32_t maxExtendedLeaf, uint32_t ecxOfLeaf80000005);

// Runs the two leaves as needed (the second only when it exists) and applies the rule above.
uint32_t readL1CacheSize(CpuidReader& cpuid);
