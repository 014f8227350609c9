#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "server/model/GraphicsSystem.h"

// The card ranking as its address asks for it (docs/scores.md, "Ranking"): a score version,
// a graphics system and display mode, a card's name or IDs, a sort column and a page.
enum class RankingSort { Median, Card, Lower, Upper, Counted };

struct RankingRequest {
    int version = 0;  // 0: the current one
    model::GraphicsSystem system = model::GraphicsSystem::Unknown;
    int32_t width = 0, height = 0, bitsPerPixel = 0;  // 0: every display mode
    std::string card;  // contained in the card's name, or its IDs ("0x6898"), or its vendor's name
    RankingSort sort = RankingSort::Median;
    bool ascending = false;
    int64_t page = 1;          // of the ranked cards, 1-based
    int64_t unrankedPage = 1;  // of those with too few results
    int pageSize = 50;

    bool scoped() const { return system != model::GraphicsSystem::Unknown || width > 0; }
};

struct RankedCard {
    int32_t graphicsCardId = 0;
    std::string cardName;
    int64_t counted = 0;  // counted scores
    double lowerScore = 0.0;
    double medianScore = 0.0;
    double upperScore = 0.0;
    int64_t place = 0;  // by median among the ranked cards of the request; 0: not ranked
    // The card's cohort with the most counted results among those ranked (its comparison).
    int32_t cohortId = 0;
    std::string cohortText;
};

struct RankingVersion {
    int version = 0;
    std::string state;  // "current" or "building"
};

struct RankingListData {
    RankingRequest request;
    int version = 0;  // what is shown; 0 when no version exists
    std::string referenceLabel;
    bool building = false;  // a new version whose older results are still being scored
    std::vector<RankingVersion> versions;
    bool fromCohortBins = false;  // a system or mode chosen: read from the cohorts' 1 % bins
    std::vector<RankedCard> ranked;    // this page of those with enough counted scores
    std::vector<RankedCard> unranked;  // this page of the others
    int64_t rankedCount = 0;
    int64_t unrankedCount = 0;

    bool moreRanked() const { return request.page * request.pageSize < rankedCount; }
    bool moreUnranked() const { return request.unrankedPage * request.pageSize < unrankedCount; }
};
