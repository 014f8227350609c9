#pragma once

#include <string>

#include "server/store/RankingView.h"

// The card ranking: cards by the median of their counted scores, filtered by graphics system,
// display mode, card name or IDs and score version, sorted by its columns and paged, all
// through the address (links and a GET form, no script); cards with too few counted scores
// listed apart. Also as JSON and CSV.
std::string rankingPageHtml(const RankingListData& data);
std::string rankingPageJson(const RankingListData& data);
// Every card of the request, ranked ones first, not only the page's.
std::string rankingCsv(const RankingListData& data);
// The ranking's query string for a request ("system=GDI&sort=card"), defaults left out.
std::string rankingQuery(const RankingRequest& request);
// The request a query string asks for; anything it cannot read is left at its default.
RankingRequest parseRankingQuery(const std::string& query);
