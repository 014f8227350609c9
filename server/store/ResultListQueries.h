#pragma once

#include <soci/soci.h>

#include "server/store/ResultListView.h"

namespace resultListQueries {

// One page of a filtered, sorted list of results, and how many match. Sorted by ID it walks the
// ID index from the previous page's last ID; by score the (version, score) index of the scores;
// by a name it sorts the card's results, or the newest kListWindow.
ResultListData list(soci::session& session, const ResultListRequest& request, int version);

} // namespace resultListQueries
