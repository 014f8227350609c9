#pragma once

#include <vector>

#include <soci/soci.h>

#include "server/store/ResultViews.h"

// A card's drivers over time, in the order their vendor numbers them (model::driverVersionOf),
// not upload order.
namespace historyQueries {

struct CardCohorts {
    // The cohorts of the same card, graphics system and display mode as the key, newest driver
    // version first.
    std::vector<CohortSummary> drivers;
    // The same card and driver in other display modes or graphics systems.
    std::vector<CohortSummary> otherModes;
};
// Both from one read of the card's cohorts (each with its score bins).
CardCohorts cohortsBeside(soci::session& session, const model::CohortKey& key, int version);
// The cohort key's driver is compared with among drivers (model::predecessorOf, the rule the
// driver history follows too); 0 when none.
int32_t previousDriverOf(const std::vector<CohortSummary>& drivers, const model::CohortKey& key);

} // namespace historyQueries
