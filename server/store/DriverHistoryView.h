#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "server/store/ResultViews.h"

// A card's drivers in one graphics system and display mode, oldest version first, each with
// its cohort's figures: what someone deciding whether to update a driver reads
// (docs/scores.md, "Driver history").
struct DriverHistoryVersion {
    CohortFigures figures;
    int64_t firstUploadAt = 0;  // the cohort's first and newest results
    int64_t lastUploadAt = 0;
};

// A system and mode the card has results in.
struct DriverHistoryMode {
    model::CohortKey key;  // system and display mode; no card or driver
    int64_t resultCount = 0;
    int32_t drivers = 0;
};

struct DriverHistoryData {
    int32_t graphicsCardId = 0;
    std::string cardName;
    int scoreVersion = 0;
    model::CohortKey mode;                 // the one shown
    std::vector<DriverHistoryMode> modes;  // every one of the card, most results first
    // By version (numbers compared as numbers), equal versions by their first upload.
    std::vector<DriverHistoryVersion> versions;
};
