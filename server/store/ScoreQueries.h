#pragma once

#include <soci/soci.h>

#include "server/store/ResultViews.h"
#include "server/store/ScoreVersions.h"

// Scores, ranks and the card ranking under the current score version. Ranks are sums over
// score bins (0.1 % wide) and the ranking reads one row per card: neither counts through the
// scores of all results.
namespace scoreQueries {

ScoreFigures ofResult(soci::session& session, const StoredResult& result);
// The score alone under the current version, without ranks.
std::optional<double> scoreOf(soci::session& session, int32_t resultId);
RankingPageData ranking(soci::session& session);

} // namespace scoreQueries
