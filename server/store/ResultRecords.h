#pragma once

#include <optional>

#include <soci/soci.h>

#include "server/store/StoredResult.h"

// One stored result with everything its pages show: its row, its fields, its rates and the
// description records it names. A fixed number of indexed reads.
// Without `full`, the system libraries and the motherboard are left out (the compare page
// does not show them, and they are a third of the reads).
std::optional<StoredResult> loadResult(soci::session& session, int32_t id, bool full = true);
// A result's rates alone, in the order of their codes.
model::Rates loadRates(soci::session& session, int32_t id);
