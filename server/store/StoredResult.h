#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "server/model/GraphicsSystem.h"
#include "server/model/Rate.h"
#include "server/protocol/RecordDocument.h"

struct LibraryVersion {
    std::string name;
    std::string version;
};

// A stored result with what its pages show, as the server derived it when the result arrived.
struct StoredResult {
    int32_t id = 0;
    int64_t createdAt = 0;  // seconds since 1970, UTC
    std::string clientName;
    bool imported = false;  // read from a saved transcript rather than uploaded by korvid.exe

    int32_t graphicsCardId = 0;  // 0: the result names no graphics card
    std::string cardName;
    std::string cardManufacturer;
    std::string productId;  // as sent: "0xa20"
    std::string vendorId;
    std::string subProductId;
    std::string subVendorId;
    std::string driverKey;  // the same for every result of the same driver libraries
    std::vector<LibraryVersion> driverLibraries;

    std::string osName;
    std::string osVersion;
    std::string cpuName;
    std::string boardName;
    std::string boardManufacturer;
    std::vector<LibraryVersion> systemLibraries;

    int32_t displayWidth = 0;
    int32_t displayHeight = 0;
    int32_t refreshRate = 0;
    int32_t bitsPerPixel = 0;
    model::GraphicsSystem graphicsSystem = model::GraphicsSystem::Unknown;
    int32_t cohortId = 0;  // 0: its figures are not worked out yet

    // Every field of the result record that is not a rate of a known test (RAMSize, VRAMSize,
    // ProcessorVersion, ...), in the order sent.
    std::vector<RecordField> machineFields;
    model::Rates rates;  // in the console's order of tests, then size, then unit
};
