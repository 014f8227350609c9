#pragma once

#include <cstdint>
#include <string>

// A file's version as its version resource states it; all 0 when it could not be read.
struct FileVersionNumbers {
    uint32_t major = 0;
    uint32_t minor = 0;
    uint32_t build = 0;
    uint32_t revision = 0;
};

// "6.1.7601.17514".
std::string versionText(const FileVersionNumbers& version);

// The machine a run measures, as gathered before any test.
struct SystemDescription {
    std::string osDescription;        // "7 Professional Service Pack 1 (build 7601)"
    std::string boardModel;
    std::string boardManufacturer;
    std::string cpuName;
    std::string cpuVersion;
    uint64_t cpuClockSpeed = 0;       // hertz
    uint64_t externalBusSpeed = 0;    // hertz
    uint32_t l1CacheSize = 0;         // bytes
    uint32_t l2CacheSize = 0;
    uint32_t l3CacheSize = 0;
    uint64_t totalMemory = 0;         // bytes
    uint32_t codePage = 0;            // the ANSI code page of every text above; 0 when unknown
    FileVersionNumbers kernel32;
    FileVersionNumbers gdi32;
    FileVersionNumbers d2d1;
    FileVersionNumbers d3d10;
};

#ifdef _WIN32
// Asks the management service, the processor and the system libraries. Throws the queries'
// failure texts; libraries whose versions cannot be read stay 0.0.0.0.
SystemDescription gatherSystemDescription();
#endif
