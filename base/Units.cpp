#include "base/Units.h"

#include "base/OutputPair.h"

void printSize(OutputPair& output, uint64_t bytes)
{
    constexpr uint64_t KiB = 1ull << 10, MiB = 1ull << 20, GiB = 1ull << 30, TiB = 1ull << 40;
    if (bytes >= TiB) {
        output << static_cast<double>(bytes) * (1.0 / static_cast<double>(TiB)) << " TiB";
    } else if (bytes >= GiB) {
        output << static_cast<double>(bytes) * (1.0 / static_cast<double>(GiB)) << " GiB";
    } else if (bytes >= MiB) {
        output << static_cast<double>(bytes) * (1.0 / static_cast<double>(MiB)) << " MiB";
    } else if (bytes >= KiB) {
        output << static_cast<double>(bytes) * (1.0 / static_cast<double>(KiB)) << " KiB";
    } else {
        output << bytes << " bytes";
    }
}

void printFrequency(OutputPair& output, uint64_t hertz)
{
    const double value = static_cast<double>(hertz);
    if (value >= 1e12) {
        output << value / 1e12 << " THz";
    } else if (value >= 1e9) {
        output << value / 1e9 << " GHz";
    } else if (value >= 1e6) {
        output << value / 1e6 << " MHz";
    } else if (value >= 1000) {
        output << value / 1000 << " KHz";
    } else {
        output << hertz << " Hz";
    }
}
