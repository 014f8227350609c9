#pragma once

#include <soci/soci.h>

#include "server/store/ResultViews.h"
#include "server/store/ScoreVersions.h"

// Scores and ranks under the current score version. Ranks are sums over score bins (0.1 %
// wide): they never count through the scores of all results.
namespace scoreQueries {

ScoreFigures ofResult(soci::session& session, const StoredResult& result);
// The score alone under the current version, without ranks.
std::optional<double> scoreOf(soci::session& session, int32_t resultId);

} // namespace scoreQueries
