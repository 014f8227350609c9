#pragma once

#include <soci/soci.h>

#include "server/model/Cohort.h"
#include "server/store/ResultViews.h"

// What a result's page links as similar (docs/scores.md, "Similar results"): the same card under
// other drivers, in other display modes and the other graphics system, and the same processor
// and OS. Bounded whatever the number of stored results: the card's cohorts are a handful of
// rows with their counts kept, the nearest results are probes of at most kSimilarNearest rows
// along an index ((cohort, ID), (processor, ID), (OS, ID)) and the processor's and OS's counts
// stop at kSimilarCountCap, all in one statement: four statements a page.
namespace similarResultsQueries {

// key: the result's cohort (card, driver, system and mode), also for a result whose figures
// are not worked out yet. version: the score version the listed results show.
SimilarResults of(soci::session& session, int32_t resultId, const model::CohortKey& key, int version);

// How many of a card's cohorts are probed for the nearest results of a group: its largest.
constexpr std::size_t kProbedCohorts = 16;

} // namespace similarResultsQueries
