#pragma once

// The adapter memory size the display driver writes into the adapter's driver (software) key.
// Windows only.

#include "sysinfo/CardThatDrew.h"

// Finds the device by its instance identifier (the service's PNPDeviceID) through SetupAPI,
// opens its driver key (SetupDiOpenDevRegKey, DIREG_DRV) for reading and reads
// HardwareInformation.qwMemorySize.
class DriverKeyMemoryRegistry : public AdapterMemoryRegistry {
public:
    std::optional<uint64_t> memorySize(const std::string& pnpDeviceId) override;
};
