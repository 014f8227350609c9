#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "server/model/GraphicsSystem.h"
#include "server/store/ResultViews.h"

// A list of results as its address asks for it (docs/scores.md, "Result lists"): filters,
// a sort column and the result the page follows.
enum class ResultSort { Id, Score, Card, Driver, Processor, Os };

struct ResultListRequest {
    std::string search;  // card, driver, processor or OS text, a card's IDs ("0x6898") or a vendor's name
    int32_t card = 0;
    std::string driver, os, processor;  // contained, case-insensitively
    model::GraphicsSystem system = model::GraphicsSystem::Unknown;
    int32_t width = 0, height = 0, bitsPerPixel = 0;  // 0: any display mode
    ResultSort sort = ResultSort::Id;
    bool ascending = false;
    int32_t after = 0;  // the page after this result (its place in the sort order), 0: the first page
    int pageSize = 50;

    bool hasTextFilter() const { return !search.empty() || !driver.empty() || !os.empty() || !processor.empty(); }
    bool filtered() const
    {
        return hasTextFilter() || card > 0 || system != model::GraphicsSystem::Unknown || width > 0;
    }
};

// How far the matched number is known: counting reads at most a limit of results.
enum class MatchCount {
    Exact,
    MoreThan,  // more than the limit
    AtLeast,   // at least this many among the first results read along one filter's index
};

struct ResultListData {
    ResultListRequest request;
    std::vector<ResultSummary> results;
    int64_t matched = 0;  // rows the filters select (those with a score when sorted by score)
    MatchCount matchCount = MatchCount::Exact;
    bool hasMore = false;
    int64_t totalResults = 0;
    int64_t countLimit = 0;  // the most results counting reads
};

// The most results a count reads, and the most a page gathers and sorts; beyond it a page
// walks the index of its sort order instead.
constexpr int64_t kCountLimit = 10000;
