#include "bench/loadgen/MachineVariant.h"

MachineVariant MachineVariant::all(uint32_t variant)
{
    return MachineVariant{variant, variant, variant, variant, variant, variant};
}

MachineVariant MachineVariant::draw(std::mt19937_64& random, uint32_t variety)
{
    std::uniform_int_distribution<uint32_t> pick(0, variety - 1);
    MachineVariant machine;
    machine.operatingSystem = pick(random);
    machine.processor = pick(random);
    machine.motherboard = pick(random);
    machine.graphicsCard = pick(random);
    machine.driver = pick(random);
    machine.libraries = pick(random);
    return machine;
}
