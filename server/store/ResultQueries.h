#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "server/pages/PageData.h"

// What the result pages read from the database, each call one page's data. Implementations
// keep the figures that need every result (the medians the score divides by, the scores, the
// ranking) in tables of their own and refresh them when they fall behind, so a page view
// reads a bounded number of rows however many results are stored.
class ResultQueries {
public:
    virtual ~ResultQueries() = default;

    virtual std::optional<ResultPageData> resultPage(int32_t id) = 0;
    // Nothing when any of the IDs names no result.
    virtual std::optional<ComparePageData> comparePage(const std::vector<int32_t>& ids) = 0;
    // The newest results, or those whose card, processor or driver contains the search text.
    virtual IndexPageData latestResults(const std::string& search, int limit) = 0;
    virtual RankingPageData ranking() = 0;
    virtual std::optional<CardPageData> cardPage(int32_t graphicsCardId, int limit) = 0;
};
