#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "server/store/ResultQueries.h"

class Database;

// The read side of the result pages on SQLite and PostgreSQL: each page's data put together
// from the queries of each concern (ScoreQueries, CohortQueries, HistoryQueries, ListQueries),
// one session per page and one error path (Database::withSession). Also the entry for the
// server's background work on the figures (FigureWork).
class SociResultQueries : public ResultQueries {
public:
    explicit SociResultQueries(Database& database, int64_t unused = 0);

    std::optional<ResultPageData> resultPage(int32_t id) override;
    std::optional<ResultPageData> resultMeasurements(int32_t id) override;
    std::optional<ComparePageData> comparePage(const std::vector<int32_t>& ids) override;
    IndexPageData latestResults(const std::string& search, int limit) override;
    ResultListData resultList(const ResultListRequest& request) override;
    RankingListData ranking(const RankingRequest& request) override;
    std::optional<CohortComparisonData> cohortComparison(int32_t first, int32_t second) override;
    std::optional<CardPageData> cardPage(int32_t graphicsCardId, int limit) override;
    std::optional<DriverHistoryData> driverHistory(int32_t graphicsCardId, const model::CohortKey& wanted) override;

    // Does all background work now (an upgrade's waiting results, a score version being
    // built); for tests and commands.
    void refreshStatistics();
    // Kept for the server's loop: the work is always done in the background.
    void setRefreshedInBackground(bool) {}
    // A few seconds of background work, in short transactions; for the server's thread.
    // True when work remains (the thread goes on without resting).
    bool refreshIfDue();
    // Whether imported results count in figures worked out from now on.
    void setCountImported(bool on) { countImported_ = on; }

private:
    Database& database_;
    std::atomic<bool> countImported_{false};
};
