#include "sysinfo/CpuidReader.h"

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#endif

CpuidReader::~CpuidReader() = default;

CpuidRegisters HostCpuidReader::execute(uint32_t leaf, uint32_t subleaf)
{
    CpuidRegisters r;
#if defined(__i386__) || defined(__x86_64__)
    unsigned int a = 0, b = 0, c = 0, d = 0;
    __cpuid_count(leaf, subleaf, a, b, c, d);
    r.eax = a;
    r.ebx = b;
    r.ecx = c;
    r.edx = d;
#else
    (void)leaf;
    (void)subleaf;
#endif
    return r;
}
