#pragma once

#include <vector>

#include <soci/soci.h>

#include "server/store/RankingView.h"

namespace rankingQueries {

// One page of the card ranking. Without a system or mode it reads each card's figures
// (0.1 % score bins, one row per card); with one, the counted scores' 1 % bins of the card's
// cohorts in that system and mode. Either way it reads rows per card or cohort, never per result.
RankingListData ranking(soci::session& session, const RankingRequest& request);

// Places the cards by median (more counted scores first on a tie, then by card ID), parts
// those with fewer than model::kRankingMinimum counted scores from the ranked ones, sorts
// each part as asked (ties by place, then card ID) and keeps the asked page of each.
void arrange(std::vector<RankedCard> cards, RankingListData& data);

} // namespace rankingQueries
