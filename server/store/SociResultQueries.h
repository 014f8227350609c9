#pragma once

#include <atomic>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "server/store/ResultQueries.h"

class Database;
namespace soci {
class session;
}

// The read side of the result pages on SQLite and PostgreSQL. Figures over all results (the
// medians the score divides by, the scores, the ranking) are rebuilt in one transaction when a
// newer result exists and either the database is small or the last rebuild is older than
// refreshSeconds; until then a new result is scored against the medians in force. The figures
// of one card and driver are rebuilt when that cohort has a newer result, from its newest
// kCohortSample results. Everything lives in the database: several server processes may
// share it.
class SociResultQueries : public ResultQueries {
public:
    static constexpr int kCohortSample = 1000;
    static constexpr int32_t kSmallDatabase = 2000;  // results: rebuilt on every change below it

    explicit SociResultQueries(Database& database, int64_t refreshSeconds = 300);

    std::optional<ResultPageData> resultPage(int32_t id) override;
    std::optional<ComparePageData> comparePage(const std::vector<int32_t>& ids) override;
    IndexPageData latestResults(const std::string& search, int limit) override;
    RankingPageData ranking() override;
    std::optional<CardPageData> cardPage(int32_t graphicsCardId, int limit) override;

    // Rebuilds the figures over all results now, whatever their age.
    void refreshStatistics();
    // The server's own thread keeps the figures of a large database fresh: page views then
    // show the figures in force instead of one of them waiting for a rebuild.
    void setRefreshedInBackground(bool on) { refreshedInBackground_ = on; }
    // Rebuilds the figures when they are stale by the rules above; for that thread.
    void refreshIfDue();

private:
    void refreshIfStale(soci::session& session, bool force, bool fromRefresher = false);
    // Whether the figures over all results may serve as they are; newest: the newest result.
    bool statisticsAreCurrent(soci::session& session, int32_t& newest, bool fromRefresher);
    std::vector<CohortFigure> cohortFigures(soci::session& session, int32_t card, const std::string& driverKey);

    Database& database_;
    int64_t refreshSeconds_;
    std::atomic<bool> refreshedInBackground_{false};
};
