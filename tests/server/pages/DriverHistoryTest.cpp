// A card's driver history over a real database of each storage: drivers uploaded out of version
// order come back in version order, with figures and changes worked out by hand.
#include <gtest/gtest.h>

#include <cstring>
#include <regex>

#include "SiteFixture.h"
#include "server/pages/DriverHistoryPage.h"


namespace {

class DriverHistoryTest : public SiteTest {};

} // namespace

TEST_P(DriverHistoryTest, VersionsComeInNumericOrderWithChangesMarkedOnlyBeyondTheNoise)
{
    // Five results of 30.0.14023.3004 (NVIDIA 330.04), then one of 8.17.12.6099 (260.99), then
    // five of 31.0.15.3161 (531.61) whose random mix ran twice as many operations (145427.427 ->
    // 290854.854 Ops/s). As text the versions would sort 30, 31, 8.
    for (int i = 0; i < 5; ++i)
        importRun("30.0.14023.3004", i, false);
    importRun("8.17.12.6099", 5, false);
    for (int i = 6; i < 11; ++i)
        importRun("31.0.15.3161", i, true);

    const std::string result = get("/Benchmark/Korvid/Result/1").body;
    std::smatch card;
    ASSERT_TRUE(std::regex_search(result, card, std::regex("Korvid/Card/([0-9]+)\"")));
    const std::string base = "/Benchmark/Korvid/Card/" + card[1].str() + "/Drivers";

    const std::string json = get(base + ".json").body;
    EXPECT_NE(json.find("\"graphicsSystem\":\"GDI\",\"width\":320,\"height\":240,\"bitsPerPixel\":32,\"modes\":[{"),
              std::string::npos)
        << json;
    const std::size_t v9 = json.find("\"driver\":\"nvd3dum.dll 8.17.12.6099\"");
    const std::size_t v14023 = json.find("\"driver\":\"nvd3dum.dll 30.0.14023.3004\"");
    const std::size_t v20000 = json.find("\"driver\":\"nvd3dum.dll 31.0.15.3161\"");
    ASSERT_NE(v9, std::string::npos);
    EXPECT_LT(v9, v14023);
    EXPECT_LT(v14023, v20000);
    // Scores 80877.08 (five) and 80877.08 x 2^(1/11) = 86137.41 (five), read back as the centres
    // of their 1 % bins: exp(11.305) = 81226.76 and exp(11.365) = 86249.54.
    EXPECT_TRUE(std::regex_search(json, std::regex("\"results\":5,\"counted\":5,\"newestResultId\":5,\"vendor\":"
                                                   "\"NVIDIA\",\"release\":\"330.04\",\"predecessor\":[0-9]+,"
                                                   "\"score\":\\{\"median\":81226\\.7576843")))
        << json;
    // Against a single result the rank test says nothing; five against five all higher give
    // U = 25, z = 12.5 / sqrt(25/12 x (11 - 240/90)) = 3 > 2.576. The random mix's medians are
    // the centres of bins 1188 and 1258: a ratio of exp(0.70) = 2.01375.
    const std::string newest = json.substr(v20000);
    // The same run under both drivers: their medians agree though the test cannot judge.
    EXPECT_NE(json.substr(v14023, v20000 - v14023).find("\"count\":5,\"againstPrevious\":{\"change\":\"unknown\","
                                                       "\"z\":null,\"p\":null,\"medianRatio\":1}"),
              std::string::npos);
    // p = the normal curve's two tails beyond 3: 0.0027, marked by Benjamini-Hochberg as the
    // smallest two of the page's 17 judged comparisons (within 2 x 0.05 / 17 = 0.0059).
    EXPECT_NE(newest.find("\"count\":5,\"againstPrevious\":{\"change\":\"faster\",\"z\":3,\"p\":0.0026997960632601913,"
                          "\"medianRatio\":1.0618"),
              std::string::npos)
        << newest;
    EXPECT_TRUE(std::regex_search(newest, std::regex("\"Random_Ops_s\":\\{\"median\":292143\\.38[0-9]*,[^}]*"
                                                     "\"againstPrevious\":\\{\"change\":\"faster\",\"z\":3,"
                                                     "\"p\":0\\.0026997[0-9]*,\"medianRatio\":2\\.0137")));
    EXPECT_TRUE(std::regex_search(newest, std::regex("\"FillRect_64x64_Ops_s\":\\{[^}]*\\{\"change\":\"none\",\"z\":0,")));

    const HttpReply page = get(base);
    EXPECT_EQ(page.status, 200);
    EXPECT_NE(page.body.find("<title>NVIDIA GeForce GTX 470 – driver history, GDI, 320x240, 32 bpp"),
              std::string::npos);
    // Marked twice: the score and the random mix's Ops/s of the newest version; nothing else.
    EXPECT_NE(page.body.find("<td class=\"n\">292143 <span class=\"up\" title=\"faster than the previous version "
                             "beyond the noise\">▲ ×2.014</span><br><span class=\"note\">292143–292143</span></td>"),
              std::string::npos);
    std::size_t marks = 0;
    for (std::size_t at = page.body.find("▲ ×"); at != std::string::npos; at = page.body.find("▲ ×", at + 1))
        ++marks;
    EXPECT_EQ(marks, 2u);
    EXPECT_EQ(page.body.find("▼ ×"), std::string::npos);
    EXPECT_NE(page.body.find("<polyline class=\"series\" data-series=\"score\""), std::string::npos);

    // Linked from the card and every result; a mode the card has no results in shows its most used.
    const std::string link = "href=\"" + base + "?system=GDI&amp;mode=320x240x32\"";
    EXPECT_NE(get("/Benchmark/Korvid/Card/" + card[1].str()).body.find(link), std::string::npos);
    EXPECT_NE(get("/Benchmark/Korvid/Result/6").body.find(link), std::string::npos);
    EXPECT_EQ(get(base, "system=Direct2D&mode=1920x1080x32").body, page.body);
    // Any two drivers picked on the page, at the comparison's own address.
    std::smatch cohorts;
    ASSERT_TRUE(std::regex_search(json, cohorts, std::regex("\"cohortId\":([0-9]+),\"driver\":\"nvd3dum.dll "
                                                            "30.0.14023.3004\".*\"cohortId\":([0-9]+),\"driver\"")));
    const std::string pair = cohorts[1].str() + "," + cohorts[2].str();
    EXPECT_EQ(get("/Benchmark/Korvid/Cohorts", "first=" + cohorts[1].str() + "&second=" + cohorts[2].str())
                  .headers.back().second,
              "/Benchmark/Korvid/Cohorts/" + pair);
    const std::string compared = get("/Benchmark/Korvid/Cohorts/" + pair + ".json").body;
    EXPECT_NE(compared.find("\"Random_Ops_s\":{\"firstMedian\":145074.110829518"), std::string::npos) << compared;
    EXPECT_TRUE(std::regex_search(compared, std::regex("\"Random_Ops_s\":\\{[^}]*\"change\":\"faster\",\"z\":3,")));
    EXPECT_TRUE(std::regex_search(compared, std::regex("\"FillRect_16x16_Ops_s\":\\{[^}]*\"change\":\"none\",\"z\":0,")));
    const std::string comparedPage = get("/Benchmark/Korvid/Cohorts/" + pair).body;
    EXPECT_NE(comparedPage.find("<tr><td>Random Ops/s</td><td class=\"n\">145074<br><span class=\"note\">145074–145074 "
                                "(5)</span></td><td class=\"n\">292143<br><span class=\"note\">292143–292143 (5)"
                                "</span></td><td class=\"n\">×2.014</td><td class=\"n\">3.00</td><td><span "
                                "class=\"up\">▲ faster</span></td></tr>"),
              std::string::npos);
    EXPECT_EQ(get("/Benchmark/Korvid/Cohorts/" + cohorts[1].str() + "," + cohorts[1].str()).status, 404);
    EXPECT_EQ(get("/Benchmark/Korvid/Cohorts/" + cohorts[1].str() + ",999").status, 404);
    for (const std::string path : {"/Benchmark/Korvid/Card/999/Drivers", "/Benchmark/Korvid/Card/x/Drivers",
                                   "/Benchmark/Korvid/Card//Drivers"})
        EXPECT_EQ(get(path).status, 404) << path;
}

TEST_P(DriverHistoryTest, EachVersionShowsItsLowestAndNewestResultsUploadTimes)
{
    // Results 1-3 under 30.0.14023.3004, 4 under 8.17.12.6099, 5-6 under 31.0.15.3161, their upload
    // times set apart: result n at 1 700 000 000 + n x 1000, except result 2 stamped before
    // result 1 (a clock set back): the first upload is the lowest ID's, not the earliest time.
    for (int i = 0; i < 3; ++i)
        importRun("30.0.14023.3004", i, false);
    importRun("8.17.12.6099", 3, false);
    importRun("31.0.15.3161", 4, false);
    importRun("31.0.15.3161", 5, false);
    database_->withSession([](soci::session& s) {
        s << "UPDATE results SET created_at = 1700000000 + id * 1000";
        s << "UPDATE results SET created_at = 1699999000 WHERE id = 2";
    });
    const std::string result = get("/Benchmark/Korvid/Result/1").body;
    std::smatch card;
    ASSERT_TRUE(std::regex_search(result, card, std::regex("Korvid/Card/([0-9]+)\"")));
    const std::string json = get("/Benchmark/Korvid/Card/" + card[1].str() + "/Drivers.json").body;
    const struct {
        const char* driver;
        const char* times;
    } cases[] = {
        {"8.17.12.6099", "\"firstUploadAt\":1700004000,\"lastUploadAt\":1700004000,\"results\":1,"},
        {"30.0.14023.3004", "\"firstUploadAt\":1700001000,\"lastUploadAt\":1700003000,\"results\":3,"},
        {"31.0.15.3161", "\"firstUploadAt\":1700005000,\"lastUploadAt\":1700006000,\"results\":2,"},
    };
    std::size_t previous = 0;
    for (const auto& c : cases) {
        const std::size_t at = json.find(std::string("\"driver\":\"nvd3dum.dll ") + c.driver + "\",");
        ASSERT_NE(at, std::string::npos) << c.driver;
        EXPECT_GT(at, previous) << c.driver;
        previous = at;
        EXPECT_EQ(json.compare(json.find(',', at) + 1, std::strlen(c.times), c.times), 0)
            << c.driver << ": " << json.substr(at, 160);
    }
}

TEST(DriverHistoryPage, EveryComparisonOnThePageIsJudgedTogether)
{
    // Three drivers of another vendor's numbering ("a.dll 1" to "3"). 2 against 1 in two tests:
    // FillRect 16x16 five results 5 bins higher (z = 3, p = 0.0027, x1.05) and FillRect 32x32 the
    // same (p = 1). Alone, two judged rows would keep 0.0027 (<= 0.05 / 2). But 3 against 2 adds
    // 20 rows (both measured 20 more tests, all alike): 22 judged rows, 0.0027 > 0.05 / 22.
    auto version = [](int id, const std::string& text) {
        DriverHistoryVersion v;
        v.figures.cohortId = id;
        v.figures.driverText = text;
        v.figures.counted = 5;
        return v;
    };
    DriverHistoryData data;
    data.scoreVersion = 1;
    data.versions = {version(1, "a.dll 1"), version(2, "a.dll 2"), version(3, "a.dll 3")};
    const int fill16 = model::TestId{model::Test::FillRect, 16, model::Unit::Ops}.code();
    const int fill32 = model::TestId{model::Test::FillRect, 32, model::Unit::Ops}.code();
    data.versions[0].figures.tests[fill16].addBin(0, 5);
    data.versions[1].figures.tests[fill16].addBin(5, 5);
    for (int code : {fill32})
        for (DriverHistoryVersion& v : data.versions)
            v.figures.tests[code].addBin(0, 5);
    const std::string alone = driverHistoryPageJson(data);
    EXPECT_NE(alone.find("\"change\":\"faster\",\"z\":3,"), std::string::npos) << alone;

    int added = 0;
    for (model::Test test : {model::Test::BlitRect, model::Test::OverlappedBlitRect, model::Test::Composite,
                             model::Test::CompositeSrcMask}) {
        for (int size : {16, 32, 64, 128, 256}) {
            for (std::size_t i = 1; i < 3; ++i)
                data.versions[i].figures.tests[model::TestId{test, size, model::Unit::Ops}.code()].addBin(0, 5);
            ++added;
        }
    }
    ASSERT_EQ(added, 20);
    const std::string crowded = driverHistoryPageJson(data);
    EXPECT_EQ(crowded.find("\"change\":\"faster\""), std::string::npos) << crowded;
    EXPECT_NE(crowded.find("\"change\":\"none\",\"z\":3,"), std::string::npos);
    EXPECT_EQ(driverHistoryPageHtml(data).find("▲ ×"), std::string::npos);
}

TEST_P(DriverHistoryTest, OneReleaseForTwoDriverModelsIsOneVersionAndEveryPageNamesOnePredecessor)
{
    // NVIDIA 511.79 for driver models 30 and 31 (results 1-5 and 6-10), then 531.61 for 31
    // (11-15): 531.61 is set against 511.79 for its own model, and the two 511.79 are never
    // set against each other, on the result page as in the driver history.
    for (int i = 0; i < 5; ++i)
        importRun("30.0.15.1179", i, false);
    for (int i = 5; i < 10; ++i)
        importRun("31.0.15.1179", i, false);
    for (int i = 10; i < 15; ++i)
        importRun("31.0.15.3161", i, true);
    const std::string result = get("/Benchmark/Korvid/Result/11").body;
    std::smatch card;
    ASSERT_TRUE(std::regex_search(result, card, std::regex("Korvid/Card/([0-9]+)\"")));
    const std::string json = get("/Benchmark/Korvid/Card/" + card[1].str() + "/Drivers.json").body;

    std::smatch found;
    const auto cohortOf = [&](const std::string& version) {
        EXPECT_TRUE(std::regex_search(json, found, std::regex("\"cohortId\":([0-9]+),\"driver\":\"nvd3dum.dll " +
                                                               std::regex_replace(version, std::regex("\\."), "\\.") +
                                                               "\"[^{]*\"release\":\"([0-9.]+)\",\"predecessor\":([0-9a-z]+)")))
            << version << ": " << json;
        return std::vector<std::string>{found[1].str(), found[2].str(), found[3].str()};
    };
    const std::vector<std::string> older30 = cohortOf("30.0.15.1179"), older31 = cohortOf("31.0.15.1179"),
                                   newer = cohortOf("31.0.15.3161");
    EXPECT_EQ(older30[1], "511.79");
    EXPECT_EQ(older31[1], "511.79");
    EXPECT_EQ(newer[1], "531.61");
    EXPECT_EQ(older30[2], "null");
    EXPECT_EQ(older31[2], "null");
    EXPECT_EQ(newer[2], older31[0]);
    // Equal versions by their first upload; the newer release last.
    EXPECT_LT(json.find("30.0.15.1179"), json.find("31.0.15.1179"));
    EXPECT_LT(json.find("31.0.15.1179"), json.find("31.0.15.3161"));

    // The result page names the same predecessor, and none for either 511.79.
    EXPECT_NE(result.find("<a href=\"#previous-driver\">This driver against the previous version (nvd3dum.dll "
                          "31.0.15.1179)</a>"),
              std::string::npos);
    EXPECT_NE(result.find("nvd3dum.dll 31.0.15.3161 (5 counted) against nvd3dum.dll 31.0.15.1179 (5 counted)"),
              std::string::npos);
    for (const char* id : {"1", "6"})
        EXPECT_EQ(get(std::string("/Benchmark/Korvid/Result/") + id).body.find("previous-driver"), std::string::npos)
            << id;
    const std::string page = get("/Benchmark/Korvid/Card/" + card[1].str() + "/Drivers").body;
    EXPECT_NE(page.find("<td>NVIDIA 531.61</td><td class=\"n\">#2</td>"), std::string::npos) << page;
}

INSTANTIATE_TEST_SUITE_P(Storages, DriverHistoryTest, ::testing::Values(Storage::SQLite, Storage::PostgreSQL),
                         storageName);
