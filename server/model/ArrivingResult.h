#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "server/model/Cohort.h"
#include "server/model/Rate.h"
#include "server/protocol/RecordDocument.h"

namespace model {

// What an arriving result means, worked out once as it arrives from its own document and the
// description records it names: what the result pages select and group by, its cohort, and its
// rates. The same records always give the same meaning, whichever order a collection lists them.
struct ArrivingResult {
    CohortKey cohort;        // card record, driver libraries, graphics system, display mode
    std::string cardName;
    std::string driverText;  // "name version; name version"
    std::string osText;      // "name version", or the version alone when the system has no name
    std::string cpuName;
    int32_t refreshRate = 0;
    Rates rates;             // of the known tests, each test once (the first of a repeated rate)
    std::vector<RecordField> otherFields;  // every field that is no rate of a known test, in order
};

// Stored description records by ID: their fields and references (member lists are not read).
using DescribedRecords = std::map<int32_t, RecordDocument>;

// The records a result's meaning reads directly: its card, processor and operating system
// version, and its driver libraries' version records. Those among them that name further
// records (the versions) are in referring.
std::set<int32_t> describedBy(const RecordDocument& result, std::set<int32_t>* referring = nullptr);
// The records that the given ones name and that are not among them yet (an OS version's OS, a
// library version's library).
std::set<int32_t> namedBy(const DescribedRecords& records);

// The meaning of result, its described records (and the ones they name) given; a record that
// is missing counts as one without fields.
ArrivingResult arrivingResult(const RecordDocument& result, const DescribedRecords& described);

} // namespace model
