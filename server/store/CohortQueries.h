#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <soci/soci.h>

#include "server/store/ResultViews.h"

// The cohorts and their binned figures. Each call reads one cohort's rows or one card's
// cohorts through their indexes: its cost follows the number of bins and drivers, never the
// number of stored results.
namespace cohortQueries {

std::optional<CohortFigures> figures(soci::session& session, int32_t cohortId);
// Several cohorts of one card with their bins, in two statements whatever their number, each
// with its sortable driver version; the IDs of other cards' cohorts are left out.
std::vector<std::pair<CohortFigures, std::string>> figuresOfCard(soci::session& session, int32_t card,
                                                                  const std::vector<int32_t>& cohortIds);
// The cohorts of a card, with their median score under a version.
std::vector<CohortSummary> ofCard(soci::session& session, int32_t card, int version);
// The counted result of a cohort whose score is nearest the median (other than `except`).
std::optional<int32_t> nearestToScore(soci::session& session, int version, int32_t cohortId, double score,
                                      int32_t except);

} // namespace cohortQueries
