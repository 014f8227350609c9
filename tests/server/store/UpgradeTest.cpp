// A database written by the server before rates were coded and figures kept on arrival
// (tests/server/store/upgrade/b4cdf79.sql: two imported transcripts, three uploads through the
// upload API, a second client, and the old figure tables as a page view left them; on PostgreSQL
// the same rows under that server's PostgreSQL schema, b4cdf79.postgresql.sql) is upgraded in
// place when opened: results, fields, clients and keys kept, rates moved to coded rows, the
// figures worked out by the background work.
#include <filesystem>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>
#include <soci/postgresql/soci-postgresql.h>
#include <sqlite3.h>

#include "server/store/Database.h"
#include "server/store/FigureWork.h"
#include "server/store/Migrations.h"
#include "server/store/SociRecordStore.h"
#include "server/store/SociResultQueries.h"
#include "../ServerFixture.h"

namespace {

std::string dumpText(const std::string& name)
{
    std::ifstream in(std::string(KORVID_SOURCE_DIR) + "/tests/server/store/upgrade/" + name);
    std::ostringstream dump;
    dump << in.rdbuf();
    return dump.str();
}

class UpgradeTest : public testing::TestWithParam<Storage> {
protected:
    void SetUp() override
    {
        std::string reason;
        url_ = freshDatabaseURL(GetParam(), reason);
        if (url_.empty())
            GTEST_SKIP() << reason;
        if (GetParam() == Storage::SQLite) {
            folder_ = std::filesystem::path(url_.substr(7)).parent_path();
            sqlite3* db = nullptr;
            ASSERT_EQ(sqlite3_open(url_.substr(7).c_str(), &db), SQLITE_OK);
            char* error = nullptr;
            const int status = sqlite3_exec(db, dumpText("b4cdf79.sql").c_str(), nullptr, nullptr, &error);
            const std::string message = error ? error : "";
            sqlite3_free(error);
            sqlite3_close(db);
            ASSERT_EQ(status, SQLITE_OK) << message;
        } else {
            soci::session old(*soci::factory_postgresql(), postgresConnectString(url_));
            std::istringstream lines(dumpText("b4cdf79.postgresql.sql"));
            int statements = 0;
            for (std::string line; std::getline(lines, line);) {
                if (line.empty() || line.rfind("--", 0) == 0)
                    continue;
                old << line;
                ++statements;
            }
            ASSERT_GT(statements, 900);
        }
        database_ = Database::open(url_, 2);
    }
    void TearDown() override
    {
        database_.reset();
        if (!folder_.empty())
            std::filesystem::remove_all(folder_);
    }

    long long count(const std::string& sql)
    {
        long long n = -1;
        database_->withSession([&](soci::session& s) { s << sql, soci::into(n); });
        return n;
    }

    // How many of the tables named (SQL string literals) exist.
    long long tables(const std::string& names)
    {
        return count(GetParam() == Storage::SQLite
                         ? "SELECT COUNT(*) FROM sqlite_master WHERE name IN (" + names + ")"
                         : "SELECT COUNT(*) FROM information_schema.tables WHERE table_schema = 'public' "
                           "AND table_name IN (" + names + ")");
    }

    std::string url_;
    std::filesystem::path folder_;
    std::unique_ptr<Database> database_;
};

} // namespace

INSTANTIATE_TEST_SUITE_P(Storages, UpgradeTest, testing::Values(Storage::SQLite, Storage::PostgreSQL),
                         storageName);

TEST_P(UpgradeTest, ResultsClientsAndKeysAreKeptAndFiguresFollowInTheBackground)
{
    // Every migration since, whatever their number now.
    EXPECT_EQ(count("SELECT MAX(version) FROM schema_version"), newestSchemaVersion());
    EXPECT_GE(newestSchemaVersion(), 5);
    EXPECT_EQ(count("SELECT COUNT(*) FROM results"), 5);
    // 28 rates of each transcript, 74 of each upload: now coded rows, seen through the view too.
    EXPECT_EQ(count("SELECT COUNT(*) FROM rate_values"), 2 * 28 + 3 * 74);
    EXPECT_EQ(count("SELECT COUNT(*) FROM measurements WHERE result_id = 3"), 74);
    EXPECT_EQ(count("SELECT COUNT(*) FROM measurements WHERE result_id = 1 AND test = 'Random' AND unit = 'Ops_s' "
                    "AND value = 145427"),
              1);
    // The GDI transcript's 40 fields less its 28 rates.
    EXPECT_EQ(count("SELECT COUNT(*) FROM result_fields WHERE result_id = 1"), 12);
    EXPECT_EQ(count("SELECT COUNT(*) FROM result_fields WHERE result_id = 1 AND name = 'RAMSize'"), 1);
    EXPECT_EQ(tables("'score_references', 'result_scores', 'ranking_rows', 'cohort_figures', 'cohort_state', "
                     "'statistics_state'"),
              0);
    EXPECT_EQ(tables("'rate_values', 'test_codes', 'cohorts', 'cohort_bins', 'scores', 'score_bins'"), 6);
    EXPECT_EQ(count("SELECT COUNT(*) FROM results WHERE standing = 0"), 5);

    // Both clients log in with their keys as before.
    SociRecordStore store(*database_);
    EXPECT_EQ(store.checkLogin("Operator", "s3cret-key"), LoginOutcome::Accepted);
    EXPECT_EQ(store.checkLogin("Operator", "s3cret"), LoginOutcome::WrongKey);

    SociResultQueries queries(*database_);
    queries.refreshStatistics();
    EXPECT_EQ(count("SELECT COUNT(*) FROM results WHERE standing = 0"), 0);
    // The imported ones are left out of the figures; the uploads are counted.
    EXPECT_EQ(count("SELECT COUNT(*) FROM results WHERE standing = 3"), 2);
    EXPECT_EQ(count("SELECT COUNT(*) FROM results WHERE standing = 1"), 3);
    const auto gdi = queries.resultPage(1);
    ASSERT_TRUE(gdi && gdi->score.score);
    EXPECT_NEAR(*gdi->score.score, 80877.08, 0.01);
    EXPECT_EQ(gdi->result.graphicsSystem, model::GraphicsSystem::GDI);
    const auto d2d = queries.resultPage(2);
    ASSERT_TRUE(d2d && d2d->score.score);
    EXPECT_NEAR(*d2d->score.score, 1000.0, 0.01);
    EXPECT_EQ(d2d->result.graphicsSystem, model::GraphicsSystem::Direct2D);
    EXPECT_EQ(queries.latestResults("", 10).totalResults, 5);

    // The upgraded database takes new results as any other.
    RecordDocument extra;
    extra.type = "KorvidResult";
    extra.fields = {{"FillRect_16x16_Ops_s", "1000"}, {"RAMSize", "1"}};
    EXPECT_EQ(store.storeResult(extra, "Operator", false), 6);
    EXPECT_EQ(count("SELECT COUNT(*) FROM rate_values WHERE result_id = 6"), 1);
}

TEST_P(UpgradeTest, BackgroundWorkCommitsWhenTheClockSaysAndNeverBeforeItsFirstResult)
{
    // No time at all: each transaction still does one result, so the work always moves on.
    FigureWork stingy(*database_, false, std::chrono::milliseconds(0));
    EXPECT_FALSE(stingy.run(std::chrono::seconds(60)));
    EXPECT_EQ(stingy.transactions(), 5);
    EXPECT_EQ(stingy.resultsDone(), 5);
    EXPECT_EQ(count("SELECT COUNT(*) FROM results WHERE standing = 0"), 0);
}

TEST_P(UpgradeTest, BackgroundWorkWithTimeToSpareDoesEveryWaitingResultInOneTransactionOnSQLite)
{
    FigureWork generous(*database_, false, std::chrono::minutes(10));
    EXPECT_FALSE(generous.run(std::chrono::seconds(60)));
    // On PostgreSQL one result a transaction, as an upload, so that the two lock rows in one order.
    EXPECT_EQ(generous.transactions(), GetParam() == Storage::SQLite ? 1 : 5);
    EXPECT_EQ(generous.resultsDone(), 5);
    EXPECT_EQ(count("SELECT COUNT(*) FROM results WHERE standing = 0"), 0);
    EXPECT_EQ(count("SELECT SUM(result_count) FROM cohorts"), 5);
}
