#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "server/model/Cohort.h"
#include "server/model/LogHistogram.h"
#include "server/model/Rate.h"
#include "server/store/StoredResult.h"

// What the read side of the store gives the pages, as plain data: filled by ResultQueries,
// rendered by the pages, built by hand in tests. Every figure is defined in docs/scores.md.

// One cohort (model::CohortKey) and its figures: a binned histogram of each rate with figures
// (by model::TestId code) and of the counted scores (under -version).
struct CohortFigures {
    int32_t cohortId = 0;
    model::CohortKey key;
    std::string cardName;
    std::string driverText;
    int64_t resultCount = 0;  // every result of the cohort, counted or not
    int64_t counted = 0;      // those in its figures
    int32_t newestResultId = 0;
    std::map<int, model::LogHistogram> tests;

    const model::LogHistogram* figure(const model::TestId& id) const;
    const model::LogHistogram* scores(int version) const;
    // The median counted score under a version; 0 when none.
    double medianScore(int version) const;
};

// The rates with figures in any of these cohorts, in the console's order (a sized test's MP/s
// and the scores left out).
std::vector<model::TestId> testsWithFigures(const std::vector<const CohortFigures*>& cohorts);

// A cohort in a list, with no histograms.
struct CohortSummary {
    int32_t cohortId = 0;
    model::CohortKey key;
    std::string driverText;
    int64_t resultCount = 0;
    int64_t counted = 0;
    double medianScore = 0.0;  // 0: no counted score
    int32_t newestResultId = 0;
};

struct ScoreFigures {
    int version = 0;
    std::string referenceLabel;
    std::optional<double> score;
    std::string note;  // why there is no score
    model::Standing standing = model::Standing::Pending;
    // Ranks among the counted scores of the version: 1 + those in higher score bins (0.1 %
    // wide, so results within 0.1 % of one another share a rank). 0 when not ranked.
    int64_t rankAmongCard = 0;
    int64_t scoredWithCard = 0;
    int64_t rankAmongAll = 0;
    int64_t scoredInAll = 0;
};

struct ResultLink {
    int32_t id = 0;
    std::string label;
};

// A result in a list.
struct ResultSummary {
    int32_t id = 0;
    int64_t createdAt = 0;
    bool imported = false;
    model::Standing standing = model::Standing::Pending;
    int32_t graphicsCardId = 0;
    std::string cardName;
    std::string driverText;
    std::string cpuName;
    std::string osText;
    std::optional<double> score;
};

// Results like a result, for the links of its page (docs/scores.md, "Similar results"). Each
// group has its number of results (other than the result itself) and the few nearest to it by ID.
struct SimilarGroup {
    int64_t count = 0;
    bool countCapped = false;            // there are more than count (kSimilarCountCap)
    std::vector<ResultSummary> nearest;  // up to kSimilarNearest, ascending ID
};

// A display mode and graphics system of a card, with its results over all drivers.
struct ModeCount {
    model::GraphicsSystem system = model::GraphicsSystem::Unknown;
    int32_t width = 0, height = 0, bitsPerPixel = 0;
    int64_t count = 0;
};

struct SimilarResults {
    // The same card, graphics system and display mode under other drivers.
    SimilarGroup otherDrivers;
    int64_t otherDriverCount = 0;  // how many other drivers
    // The same card in other display modes or the other graphics system, any driver.
    SimilarGroup otherModes;
    std::vector<ModeCount> modes;  // each of them, most results first
    // Exactly the same processor name, and the same OS name and version, any card.
    std::string cpuName, osText;   // as stored; empty: unknown, no group
    SimilarGroup sameProcessor;
    SimilarGroup sameOs;
};

constexpr int kSimilarNearest = 5;
constexpr int64_t kSimilarCountCap = 100;

struct ResultPageData {
    StoredResult result;
    ScoreFigures score;
    std::optional<CohortFigures> own;
    // The same card, system and mode under the driver version before this one.
    std::optional<CohortFigures> previousDriver;
    // Every driver of the same card, system and mode, newest version first (own included).
    std::vector<CohortSummary> drivers;
    // The same card and driver in other display modes or the other graphics system: linked.
    std::vector<CohortSummary> otherModes;
    std::optional<ResultLink> cohortMedian;  // the counted result nearest the cohort's median score
    SimilarResults similar;
};

struct CompareEntry {
    StoredResult result;
    std::optional<double> score;
    std::optional<CohortFigures> cohort;  // its own
};

struct ComparePageData {
    std::vector<CompareEntry> entries;  // the first is what the others are measured against
};

struct IndexPageData {
    std::string search;
    std::vector<ResultSummary> results;
    int64_t totalResults = 0;
};

struct CardPageData {
    int32_t graphicsCardId = 0;
    std::string cardName;
    std::string productId;
    std::string vendorId;
    std::string subProductId;
    std::string subVendorId;
    int scoreVersion = 0;
    std::vector<CohortSummary> cohorts;  // by system and mode, then driver version, newest first
    std::vector<ResultSummary> results;  // newest first
    int64_t totalResults = 0;
};

// "name version; name version": how a driver set is named on the pages.
std::string driverTextOf(const StoredResult& result);
