#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace model {

// A text that sorts driver sets by version rather than by the order they were uploaded in:
// each library's version split into its numbers, each number zero-padded to ten digits, the
// libraries in the order given, joined by '|'. "30.0.9.1" sorts before "30.0.14023.3004";
// anything that is not a digit separates numbers, and letters are kept after them so that
// "1.2b" follows "1.2a".
std::string versionOrderKey(const std::vector<std::string>& versions);

// Whose numbering a driver's version follows, told by its display driver's file names.
enum class DriverVendor { Nvidia, Amd, Intel, Other };
const char* nameOf(DriverVendor vendor);

// A driver's version as its vendor numbers its releases (docs/scores.md, "Driver versions"):
// the same release built for two Windows driver models (30.0.15.1179 and 31.0.15.1179) is one
// version; versions of different vendors never compare.
struct DriverVersion {
    DriverVendor vendor = DriverVendor::Other;
    std::string release;       // as the vendor names it: "531.61"; the file version for Other
    int64_t driverModel = -1;  // the file version's first number where it names the driver model
    std::string key;           // equal for one release; sorts by vendor, then release
};
// From a cohort's driver text ("nvd3dum.dll 31.0.15.3161"; libraries joined by "; ", the
// first one decides).
DriverVersion driverVersionOf(const std::string& driverText);

// One driver cohort of a card in one graphics system and display mode.
struct DriverCohort {
    DriverVersion version;
    int32_t cohortId = 0;
    int64_t counted = 0;
};
// The cohort a driver is compared with: among the same vendor's drivers, those of the newest
// release older than its own; of these the one of its own driver model, then the one with the
// most counted results, then the lowest cohort ID. None for the oldest release.
std::optional<std::size_t> predecessorOf(const std::vector<DriverCohort>& drivers, std::size_t of);

} // namespace model
