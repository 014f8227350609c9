#pragma once

#include <cstdint>
#include <random>

// Which of the K variants each description record of one simulated machine takes. Every type
// is drawn on its own, so that two uploads share some records and differ in others.
struct MachineVariant {
    uint32_t operatingSystem = 0;
    uint32_t processor = 0;
    uint32_t motherboard = 0;
    uint32_t graphicsCard = 0;
    uint32_t driver = 0;
    uint32_t libraries = 0;

    static MachineVariant all(uint32_t variant);
    static MachineVariant draw(std::mt19937_64& random, uint32_t variety);
};
