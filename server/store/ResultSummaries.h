#pragma once

#include <string>
#include <vector>

#include <soci/soci.h>

#include "server/store/ResultViews.h"

// What every list shows of a result (its card, driver, processor, OS, standing and its score
// under one version), read in bulk: one statement, however many results.
namespace resultSummaries {

// These results in the order given; an ID that names no stored result is left out.
std::vector<ResultSummary> byIds(soci::session& session, const std::vector<int32_t>& ids, int version);
// The newest `limit` results meeting `where` (empty, or "WHERE" and a condition on r), newest
// first, read backwards along the results' ID index.
std::vector<ResultSummary> newest(soci::session& session, const std::string& where, int limit, int version);

} // namespace resultSummaries
