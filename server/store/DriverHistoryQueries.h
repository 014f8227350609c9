#pragma once

#include <optional>

#include <soci/soci.h>

#include "server/store/DriverHistoryView.h"

namespace driverHistoryQueries {

// A card's driver history in the wanted system and display mode; when the card has no results
// there (or wanted names none, system Unknown), the mode with the most results. Reads the card's
// cohorts and the bins of those of one mode, and two index probes per driver, in five statements
// whatever the number of drivers: its cost follows the drivers and bins, never the number of
// results. Nothing when the card has no cohorts.
std::optional<DriverHistoryData> ofCard(soci::session& session, int32_t card, const model::CohortKey& wanted,
                                        int version);

} // namespace driverHistoryQueries
