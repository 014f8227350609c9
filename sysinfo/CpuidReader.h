#pragma once

#include <cstdint>

// The four registers the processor identification instruction returns.
struct CpuidRegisters {
    uint32_t eax = 0;
    uint32_t ebx = 0;
    uint32_t ecx = 0;
    uint32_t edx = 0;
};

// The processor identification instruction, behind an interface so that the cache-size rule
// can be tried with any processor's answers.
class CpuidReader {
public:
    virtual ~CpuidReader();
    // The registers for leaf and sub-leaf (ECX on entry; leaves without sub-leaves ignore it).
    virtual CpuidRegisters execute(uint32_t leaf, uint32_t subleaf) = 0;
};

// The instruction of the processor this program runs on; on a processor without it every
// register reads 0.
class HostCpuidReader : public CpuidReader {
public:
    CpuidRegisters execute(uint32_t leaf, uint32_t subleaf) override;
};
