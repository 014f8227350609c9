#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "server/model/GraphicsSystem.h"
#include "server/store/ResultViews.h"

// A list of results as its address asks for it (docs/scores.md, "Result lists"): filters,
// a sort column and a page.
enum class ResultSort { Id, Score, Card, Driver, Processor, Os };

struct ResultListRequest {
    std::string search;  // card, driver, processor or OS text, a card's IDs ("0x6898") or a vendor's name
    int32_t card = 0;
    std::string driver, os, processor;  // contained, case-insensitively
    model::GraphicsSystem system = model::GraphicsSystem::Unknown;
    int32_t width = 0, height = 0, bitsPerPixel = 0;  // 0: any display mode
    ResultSort sort = ResultSort::Id;
    bool ascending = false;
    int32_t after = 0;   // sorted by ID: the page after the result with this ID
    int64_t page = 1;    // other sorts: 1-based
    int pageSize = 50;

    bool hasTextFilter() const { return !search.empty() || !driver.empty() || !os.empty() || !processor.empty(); }
};

struct ResultListData {
    ResultListRequest request;
    std::vector<ResultSummary> results;
    int64_t matched = 0;        // rows the filters select (those with a score when sorted by score)
    bool withinWindow = false;  // filtered or sorted among the newest kListWindow results only
    bool hasMore = false;
    int64_t totalResults = 0;
};

// How many of the newest results a text filter, or a sort by a name, looks through when no
// card narrows the list: enough for any real search, bounded so that a page reads no more
// rows than that at a million results.
constexpr int64_t kListWindow = 100000;
// The deepest page an offset reaches (sorted by ID, the pages follow IDs and have no end).
constexpr int64_t kDeepestPage = kListWindow / 50;
