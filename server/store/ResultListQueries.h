#pragma once

#include <soci/soci.h>

#include "server/store/ResultListView.h"

namespace resultListQueries {

// One page of a filtered, sorted list of results, and how many match (docs/scores.md, "Result
// lists"). Each page starts after the previous page's last result in the sort order. Filters
// are resolved to cohorts (card, driver, system, mode) and to distinct OS and processor names
// first; when at most kCountLimit results meet the narrowest filter they are gathered along
// its index and sorted, otherwise the page walks the index of its order (the ID, a name with
// the ID, the score with the ID) and filters on the way. Counts read at most countLimit results.
ResultListData list(soci::session& session, const ResultListRequest& request, int version,
                    int64_t countLimit = kCountLimit);

} // namespace resultListQueries
