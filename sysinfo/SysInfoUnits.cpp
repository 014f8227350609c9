#include "sysinfo/SysInfoUnits.h"

#include <limits>

uint64_t megahertzToHertz(uint32_t megahertz)
{
    return static_cast<uint64_t>(megahertz) * 1000000u;
}

uint32_t kilobytesToBytes(uint32_t kilobytes)
{
    return kilobytes << 10;
}

uint64_t parseMemorySize(const std::string& text)
{
    std::string::size_type i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) {
        ++i;
    }
    const std::string::size_type digitsStart = i;
    uint64_t value = 0;
    constexpr uint64_t kMax = std::numeric_limits<uint64_t>::max();
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        const unsigned digit = static_cast<unsigned>(text[i] - '0');
        if (value > (kMax - digit) / 10) {
            return 0;
        }
        value = value * 10 + digit;
    }
    if (i == digitsStart) {
        return 0;
    }
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) {
        ++i;
    }
    return i == text.size() ? value : 0;
}

uint64_t videoMemoryFromAdapterRam(uint32_t adapterRam)
{
    return adapterRam;
}
