// The figures a result gets as it arrives, on both storages, from variants of a real GDI
// transcript: cohorts kept apart by driver, display mode and graphics system, drivers in version
// order, a duplicate import, an outlier, a cohort of one and a partial run without a score.
#include <cmath>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "server/import/TranscriptImport.h"
#include "server/store/Database.h"
#include "server/store/SociRecordStore.h"
#include "server/store/ScoreVersions.h"
#include "server/store/SociResultQueries.h"
#include "../ServerFixture.h"

namespace {

std::string replaced(std::string text, const std::string& from, const std::string& to)
{
    const std::size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos)
        text.replace(at, from.size(), to);
    return text;
}

std::string number(double v)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", v);
    return text;
}

// Every rate of the transcript times factor: the transfers' MiB/s, each sized row's Ops/s and
// MPixel/s, and the random mix's row.
std::string scaled(const std::string& transcript, double factor)
{
    std::istringstream in(transcript);
    std::string line, out;
    bool random = false;
    while (std::getline(in, line)) {
        const bool crlf = !line.empty() && line.back() == '\r';
        if (crlf)
            line.pop_back();
        std::vector<std::string> cells;
        std::size_t start = 0;
        for (std::size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1)
            cells.push_back(line.substr(start, tab - start));
        cells.push_back(line.substr(start));
        const std::size_t mib = line.find(" MiB/s");
        if (line.rfind("WritePixelArray: ", 0) == 0 || line.rfind("ReadPixelArray: ", 0) == 0) {
            const std::size_t colon = line.find(": ") + 2;
            line = line.substr(0, colon) + number(std::stod(line.substr(colon, mib - colon)) * factor) + line.substr(mib);
        } else if ((cells.size() == 4 && line[0] == '(') || (random && cells.size() == 3)) {
            const std::size_t first = cells.size() - 2;
            for (std::size_t i = first; i < cells.size(); ++i) {
                const std::string value = number(std::stod(cells[i]) * factor);
                cells[i] = std::string(cells[i].size() > value.size() ? cells[i].size() - value.size() : 0, ' ') + value;
            }
            line.clear();
            for (std::size_t i = 0; i < cells.size(); ++i)
                line += (i ? "\t" : "") + cells[i];
            random = false;
        }
        if (line.rfind("Time (s)", 0) == 0)
            random = true;
        out += line + (crlf ? "\r\n" : "\n");
    }
    return out;
}

std::string withRam(const std::string& transcript, int n)
{
    return replaced(transcript, "Total RAM: 23.5403", "Total RAM: 23.54" + std::to_string(10 + n));
}

class FiguresOnArrivalTest : public StorageTest {
protected:
    void SetUp() override
    {
        StorageTest::SetUp();
        if (!IsSkipped())
            store_->setCountImported(true);
    }

    int32_t import(const std::string& text) { return importTranscript(text, *store_, "Korvid_Windows_2.9"); }

    ResultPageData page(int32_t id)
    {
        auto data = queries_->resultPage(id);
        EXPECT_TRUE(data);
        return data ? *data : ResultPageData{};
    }
};

} // namespace

TEST_P(FiguresOnArrivalTest, CohortsDriversOutliersAndPartialRunsAsWorkedOutByHand)
{
    const std::string gdi = importFixture("gdi-run.kvdresult");
    // Five runs of one GDI machine (other memory sizes), then the same file again.
    for (int n = 1; n <= 5; ++n)
        EXPECT_EQ(import(withRam(gdi, n)), n);
    EXPECT_EQ(import(withRam(gdi, 1)), 1);
    // An older driver arrives after the newer one; another display mode; the other system.
    const int32_t older = import(replaced(gdi, "nvd3dum.dll (30.0.14023.3004)", "nvd3dum.dll (8.17.12.6099)"));
    const int32_t wide = import(replaced(gdi, "Display mode: 320x240@0 (32 bpp)", "Display mode: 640x480@0 (32 bpp)"));
    const int32_t d2d = import(importFixture("d2d-run.kvdresult"));
    // A run at 0.3 times every rate; a run without FillRect at 128x128.
    const int32_t slow = import(withRam(scaled(gdi, 0.3), 6));
    const int32_t partial = import(withRam(replaced(gdi, "(128, 128)\t       1.141\t  146027.169\t    2281.675\r\n", ""), 7));
    EXPECT_EQ(older, 6);
    EXPECT_EQ(d2d, 8);

    const ResultPageData first = page(1);
    ASSERT_TRUE(first.own);
    ASSERT_TRUE(first.score.score);
    EXPECT_NEAR(*first.score.score, 80877.08, 0.01);  // see ResultSiteTest for the sum
    EXPECT_EQ(first.result.graphicsSystem, model::GraphicsSystem::GDI);
    // The cohort: five runs and the partial one counted; the outlier and the other modes are not in it.
    EXPECT_EQ(first.own->resultCount, 7);
    EXPECT_EQ(first.own->counted, 6);
    EXPECT_EQ(first.own->scores(1)->count(), 5);
    EXPECT_EQ(first.own->figure(*model::TestId::of("FillRect", 128, 128, "Ops_s"))->count(), 5);
    EXPECT_EQ(first.own->figure(*model::TestId::of("FillRect", 64, 64, "Ops_s"))->count(), 6);
    // Ranks among the eight counted scores (the five, the older driver's, the wider mode's, all
    // in one bin, and the Direct2D run's 1000): nothing in a higher bin, so 1 of 8.
    EXPECT_EQ(first.score.rankAmongAll, 1);
    EXPECT_EQ(first.score.scoredInAll, 8);
    EXPECT_EQ(page(d2d).score.rankAmongAll, 8);
    // Drivers of the same card, system and mode, newest version first though uploaded last.
    ASSERT_EQ(first.drivers.size(), 2u);
    EXPECT_EQ(first.drivers[0].driverText, "nvd3dum.dll 30.0.14023.3004");
    EXPECT_EQ(first.drivers[1].driverText, "nvd3dum.dll 8.17.12.6099");
    ASSERT_TRUE(first.previousDriver);
    EXPECT_EQ(first.previousDriver->driverText, "nvd3dum.dll 8.17.12.6099");
    EXPECT_FALSE(page(older).previousDriver);
    // The other mode and the other system are linked, not pooled.
    // Both have the same driver libraries: Direct2D first, then the wider GDI mode.
    ASSERT_EQ(first.otherModes.size(), 2u);
    EXPECT_EQ(first.otherModes[0].key.system, model::GraphicsSystem::Direct2D);
    EXPECT_EQ(first.otherModes[0].newestResultId, d2d);
    EXPECT_EQ(first.otherModes[1].key.width, 640);
    EXPECT_EQ(first.otherModes[1].newestResultId, wide);

    // The Direct2D run: a cohort of one, its own median, no noise band, no median link.
    const ResultPageData alone = page(d2d);
    EXPECT_EQ(alone.result.graphicsSystem, model::GraphicsSystem::Direct2D);
    ASSERT_TRUE(alone.own);
    EXPECT_EQ(alone.own->counted, 1);
    EXPECT_NEAR(*alone.score.score, 1000.0, 0.01);  // it is the reference
    EXPECT_FALSE(alone.cohortMedian);
    EXPECT_DOUBLE_EQ(alone.own->figure(*model::TestId::of("Random", 0, 0, "Ops_s"))->percentile(2589.67), 50.0);

    // 80877 x 0.3 = 24263 lies below 80877 / 1.05^3 = 69865: flagged, left out.
    const ResultPageData outlier = page(slow);
    EXPECT_EQ(outlier.score.standing, model::Standing::Outlier);
    EXPECT_NEAR(*outlier.score.score, 80877.08 * 0.3, 0.5);

    const ResultPageData none = page(partial);
    EXPECT_FALSE(none.score.score);
    EXPECT_EQ(none.score.note, "no score: FillRect 128x128 Ops/s was not measured");
    EXPECT_EQ(none.score.standing, model::Standing::Counted);

    // The ranking: one card, ranked on its counted scores (five GDI runs, the older driver's,
    // the wider mode's and the Direct2D run: eight), median 80877 read from a 0.1 % bin.
    const RankingListData ranking = queries_->ranking({});
    ASSERT_EQ(ranking.ranked.size(), 1u);
    EXPECT_EQ(ranking.ranked[0].counted, 8);
    EXPECT_NEAR(ranking.ranked[0].medianScore, 80877.08, 80877.08 * 0.0006);
    EXPECT_NEAR(ranking.ranked[0].lowerScore, 80877.08, 80877.08 * 0.0006);

    // A new score version rated against the first GDI run: built in the background, then
    // current; the first run scores 1000 and the Direct2D run 1000 x 1000 / 80877.08 = 12.36.
    const int version = database_->inTransaction([](soci::session& s) { return scoreVersions::start(s, 1); });
    EXPECT_EQ(version, 2);
    EXPECT_THROW(database_->inTransaction([](soci::session& s) { return scoreVersions::start(s, 2); }),
                 std::runtime_error);  // one version at a time
    EXPECT_EQ(page(1).score.version, 1);  // until it is built
    queries_->refreshStatistics();
    const ResultPageData rescored = page(1);
    EXPECT_EQ(rescored.score.version, 2);
    EXPECT_NEAR(*rescored.score.score, 1000.0, 1e-6);
    EXPECT_NEAR(*page(d2d).score.score, 1000.0 * 1000.0 / 80877.08, 0.001);
    EXPECT_EQ(queries_->ranking({}).ranked[0].counted, 8);
    EXPECT_THROW(database_->inTransaction([&](soci::session& s) { return scoreVersions::start(s, partial); }),
                 std::runtime_error);  // no FillRect 128: cannot be a reference
    for (const char* sql : {"SELECT COUNT(*) FROM scores WHERE version = 1",
                            "SELECT COUNT(*) FROM cohort_bins WHERE test = -1",
                            "SELECT COUNT(*) FROM score_bins WHERE version = 1"}) {
        EXPECT_EQ(database_->withSession([&](soci::session& s) {
            long long n = -1;
            s << sql, soci::into(n);
            return n;
        }), 0) << sql;  // the retired version's rows are gone
    }
    EXPECT_GT(database_->withSession([](soci::session& s) {
        long long n = -1;
        s << "SELECT COUNT(*) FROM cohort_bins WHERE test = -2", soci::into(n);
        return n;
    }), 0);
}

INSTANTIATE_TEST_SUITE_P(Storages, FiguresOnArrivalTest, ::testing::Values(Storage::SQLite, Storage::PostgreSQL),
                         storageName);

TEST_P(FiguresOnArrivalTest, AnEarlyOutlierIsJudgedWhenItsCohortReachesFiveCountedScores)
{
    const std::string gdi = importFixture("gdi-run.kvdresult");
    // The slow run arrives first: its cohort has no scores to judge it by, so it is counted.
    const int32_t slow = import(withRam(scaled(gdi, 0.3), 6));
    for (int n = 1; n <= 3; ++n)
        import(withRam(gdi, n));
    EXPECT_EQ(page(slow).score.standing, model::Standing::Counted);
    EXPECT_EQ(page(slow).own->scores(1)->count(), 4);
    // The fifth counted score: sorted 24263, 80877 x 4, so Q1 = Q3 = 80877, r = 1.05 at least,
    // the lower fence 80877 / 1.05^3 = 69865, and 24263 lies below it. The slow run leaves every
    // figure it was counted in; the four others stay counted.
    const int32_t fifth = import(withRam(gdi, 4));
    const ResultPageData judged = page(slow);
    EXPECT_EQ(judged.score.standing, model::Standing::Outlier);
    EXPECT_EQ(page(fifth).score.standing, model::Standing::Counted);
    ASSERT_TRUE(judged.own);
    EXPECT_EQ(judged.own->resultCount, 5);
    EXPECT_EQ(judged.own->counted, 4);
    EXPECT_EQ(judged.own->scores(1)->count(), 4);
    const model::TestId fill64 = *model::TestId::of("FillRect", 64, 64, "Ops_s");
    EXPECT_EQ(judged.own->figure(fill64)->count(), 4);
    // Its bin is gone, not left at a count of 0: the lowest FillRect value is the others' again.
    EXPECT_NEAR(judged.own->figure(fill64)->quantile(0.0), 400353.0, 400353.0 * 0.005);
    EXPECT_EQ(queries_->ranking({}).ranked.size(), 1u);
    EXPECT_EQ(queries_->ranking({}).ranked[0].counted, 4);
    EXPECT_NEAR(queries_->ranking({}).ranked[0].lowerScore, 80877.08, 80877.08 * 0.0006);
    EXPECT_EQ(judged.score.scoredInAll, 4);  // the ranks count the four alone
    for (const char* sql : {"SELECT COUNT(*) FROM cohort_bins WHERE count <= 0",
                            "SELECT COUNT(*) FROM score_bins WHERE count <= 0"}) {
        long long n = -1;
        database_->withSession([&](soci::session& s) { s << sql, soci::into(n); });
        EXPECT_EQ(n, 0) << sql;
    }
    // Back at four counted scores, the next one makes five again: all five are judged, and none
    // is far out. Later arrivals are judged as they arrive, as before.
    import(withRam(gdi, 5));
    EXPECT_EQ(page(fifth).own->counted, 5);
    const int32_t slowAgain = import(withRam(scaled(gdi, 0.3), 7));
    EXPECT_EQ(page(slowAgain).score.standing, model::Standing::Outlier);
    EXPECT_EQ(page(fifth).own->counted, 5);
}
