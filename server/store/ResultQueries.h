#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "server/store/CohortComparisonView.h"
#include "server/store/DriverHistoryView.h"
#include "server/store/RankingView.h"
#include "server/store/ResultListView.h"
#include "server/store/ResultViews.h"

// What the result pages read from the database, each call one page's data. Every figure was
// worked out when its results arrived (ResultFigures), so a page view reads a bounded number
// of rows however many results are stored, and never waits for work over all of them.
class ResultQueries {
public:
    virtual ~ResultQueries() = default;

    virtual std::optional<ResultPageData> resultPage(int32_t id) = 0;
    // A result with its own cohort's figures only (what its CSV holds): no ranks, drivers or
    // similar results.
    virtual std::optional<ResultPageData> resultMeasurements(int32_t id) = 0;
    // Nothing when any of the IDs names no result.
    virtual std::optional<ComparePageData> comparePage(const std::vector<int32_t>& ids) = 0;
    // The newest results, or those whose card, processor or driver contains the search text.
    virtual IndexPageData latestResults(const std::string& search, int limit) = 0;
    // A page of a filtered, sorted list of results.
    virtual ResultListData resultList(const ResultListRequest& request) = 0;
    // A page of the card ranking.
    virtual RankingListData ranking(const RankingRequest& request) = 0;
    // Nothing when either cohort does not exist.
    virtual std::optional<CohortComparisonData> cohortComparison(int32_t first, int32_t second) = 0;
    virtual std::optional<CardPageData> cardPage(int32_t graphicsCardId, int limit) = 0;
    // A card's drivers in one system and display mode (wanted, or the card's most used one).
    virtual std::optional<DriverHistoryData> driverHistory(int32_t graphicsCardId, const model::CohortKey& wanted) = 0;
};
