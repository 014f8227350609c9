#pragma once

#include <string>
#include <vector>

#include <soci/soci.h>

#include "server/store/ResultViews.h"

// Lists of results, newest first, read backwards along the results' ID index and stopped at the
// limit; totals are summed over the cohorts (one row per cohort) instead of counting results.
namespace listQueries {

// The newest results; with a search text, those the result list's search finds.
std::vector<ResultSummary> latest(soci::session& session, const std::string& search, int limit, int version);
std::vector<ResultSummary> ofCard(soci::session& session, int32_t card, int limit, int version);
long long totalResults(soci::session& session);
long long totalOfCard(soci::session& session, int32_t card);

} // namespace listQueries
