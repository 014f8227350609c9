#pragma once

#include <string>

#include "server/store/DriverHistoryView.h"

// A card's driver history in one graphics system and display mode: every driver version in
// version order with its dates, counts, median and quartiles of the score and of every test,
// a chart per test group across the versions, and each version set against the one before it
// with the rank test, marked only beyond the noise (docs/scores.md, "Driver history").
std::string driverHistoryPageHtml(const DriverHistoryData& data);
std::string driverHistoryPageJson(const DriverHistoryData& data);
// The page's address for a card, system and mode: ".../Card/7/Drivers?system=GDI&mode=1920x1080x32".
std::string driverHistoryPath(int32_t graphicsCardId, const model::CohortKey& mode);
