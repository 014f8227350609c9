#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "server/store/StoredResult.h"

// What the pages show, as plain data: the read side (ResultQueries) fills it, the renderers
// turn it into HTML and JSON, and tests build it by hand.

// One measured figure independent of the result: "FillRect" at 64x64 in Ops_s.
struct TestKey {
    std::string test;
    int32_t width = 0;
    int32_t height = 0;
    std::string unit;

    static TestKey of(const Measurement& m) { return {m.test, m.width, m.height, m.unit}; }
    bool operator<(const TestKey& o) const;
    bool operator==(const TestKey& o) const;
};

// One test's figures among a cohort of results: its quartiles and enough of its values to
// place another value within it (all values of a small cohort, evenly spaced quantiles of a
// large one).
struct CohortFigure {
    TestKey key;
    int32_t count = 0;
    double lower = 0.0;
    double median = 0.0;
    double upper = 0.0;
    std::vector<double> sample;  // ascending
};

// The results of one graphics card under one set of driver libraries.
struct DriverCohort {
    std::string driverKey;
    std::string driverText;  // "name version; ..."
    int32_t resultCount = 0;
    double medianScore = 0.0;
    int64_t latestAt = 0;    // upload time of its newest result
    std::vector<CohortFigure> figures;

    const CohortFigure* figure(const TestKey& key) const;
};

struct ScoreFigures {
    double score = 0.0;       // 0: no score (no test with a reference)
    int32_t testsUsed = 0;
    int32_t rankAmongCard = 0;  // 1 = best
    int32_t scoredWithCard = 0;
    int32_t rankAmongAll = 0;
    int32_t scoredInAll = 0;
};

struct ResultLink {
    int32_t id = 0;
    std::string label;
};

struct ResultPageData {
    StoredResult result;
    ScoreFigures score;
    // Every driver the same card was measured with, newest first; the result's own is among them.
    std::vector<DriverCohort> driverCohorts;
    // The median of every result for each test: what the score divides by.
    std::map<TestKey, double> references;
    std::optional<ResultLink> cohortMedian;    // the cohort's result nearest its median score
    std::optional<ResultLink> previousDriver;  // newest result of the card's previous driver

    const DriverCohort* ownCohort() const;
};

// A result in a list.
struct ResultSummary {
    int32_t id = 0;
    int64_t createdAt = 0;
    bool imported = false;
    int32_t graphicsCardId = 0;
    std::string cardName;
    std::string driverText;
    std::string cpuName;
    std::string osText;
    double score = 0.0;
};

struct CompareEntry {
    StoredResult result;
    double score = 0.0;
    std::vector<CohortFigure> cohort;  // of its own card and driver
};

struct ComparePageData {
    std::vector<CompareEntry> entries;  // the first is what the others are measured against
};

struct IndexPageData {
    std::string search;
    std::vector<ResultSummary> results;
    int32_t totalResults = 0;
};

struct RankingRow {
    int32_t graphicsCardId = 0;
    std::string cardName;
    std::string driverKey;   // empty in the per-card ranking
    std::string driverText;
    double medianScore = 0.0;
    int32_t resultCount = 0;
};

struct RankingPageData {
    std::vector<RankingRow> cards;
    std::vector<RankingRow> cardDrivers;
    int64_t computedAt = 0;
};

struct CardPageData {
    int32_t graphicsCardId = 0;
    std::string cardName;
    std::string productId;
    std::string vendorId;
    std::string subProductId;
    std::string subVendorId;
    std::vector<RankingRow> drivers;
    std::vector<ResultSummary> results;  // newest first
    int32_t totalResults = 0;
};

struct PackageFile {
    std::string name;
    std::string version;
    uint64_t size = 0;
    std::string sha256;  // lower-case hexadecimal
    int64_t modifiedAt = 0;
};

struct DownloadPageData {
    std::vector<PackageFile> packages;  // newest version first
};

// "name version; name version": how a driver set is named on the pages.
std::string driverTextOf(const StoredResult& result);
