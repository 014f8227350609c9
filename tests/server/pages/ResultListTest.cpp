// Result lists over a real database of each storage: every result reached by paging, sorted,
// filtered and searched through the address, counted, and downloaded as CSV.
#include <gtest/gtest.h>

#include <regex>
#include <set>

#include "SiteFixture.h"
#include "server/pages/ResultListPage.h"
#include "server/store/ResultListQueries.h"

namespace {

class ResultListTest : public SiteTest {
protected:
    void SetUp() override
    {
        SiteTest::SetUp();
        if (IsSkipped())
            return;
        // Results 1-5 under 30.0.14023.3004, 6 under 30.0.9.1, 7-11 under 30.0.20000.1 with a
        // random mix twice as fast: scores 80877.08 (1-6) and 86137.41 (7-11).
        for (int i = 0; i < 5; ++i)
            importRun("30.0.14023.3004", i, false);
        importRun("30.0.9.1", 5, false);
        for (int i = 6; i < 11; ++i)
            importRun("30.0.20000.1", i, true);
    }

    std::vector<int> ids(const std::string& json)
    {
        std::vector<int> found;
        const std::regex id("\\{\"id\":([0-9]+),");
        for (auto it = std::sregex_iterator(json.begin(), json.end(), id); it != std::sregex_iterator(); ++it)
            found.push_back(std::stoi((*it)[1]));
        return found;
    }
};

} // namespace

TEST_P(ResultListTest, PagesReachEveryResultInTheOrderOfTheirColumn)
{
    // By ID, each page follows from the last ID of the one before, to the end.
    std::vector<int> seen;
    std::string query = "per=4";
    for (int pages = 0; pages < 5 && !query.empty(); ++pages) {
        const std::string json = get("/Benchmark/Korvid/Results.json", query).body;
        for (int id : ids(json))
            seen.push_back(id);
        std::smatch next;
        query = std::regex_search(json, next, std::regex("\"next\":\"/Benchmark/Korvid/Results\\.json\\?([^\"]*)\""))
                    ? std::regex_replace(next[1].str(), std::regex("\\\\u0026"), "&")  // JSON's escaped &
                    : "";
    }
    EXPECT_EQ(seen, (std::vector<int>{11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1}));
    EXPECT_TRUE(query.empty());
    // By score, best first; equal scores by the newest ID first; the next page from the last
    // result of the one before, whatever the sort.
    EXPECT_EQ(ids(get("/Benchmark/Korvid/Results.json", "sort=score&per=4").body), (std::vector<int>{11, 10, 9, 8}));
    EXPECT_EQ(ids(get("/Benchmark/Korvid/Results.json", "sort=score&per=4&after=8").body),
              (std::vector<int>{7, 6, 5, 4}));
    EXPECT_EQ(ids(get("/Benchmark/Korvid/Results.json", "sort=score&order=asc&per=4").body),
              (std::vector<int>{1, 2, 3, 4}));
    EXPECT_EQ(ids(get("/Benchmark/Korvid/Results.json", "sort=score&order=asc&per=4&after=4").body),
              (std::vector<int>{5, 6, 7, 8}));
    EXPECT_EQ(ids(get("/Benchmark/Korvid/Results.json", "sort=driver&per=3").body), (std::vector<int>{6, 11, 10}));
    EXPECT_EQ(ids(get("/Benchmark/Korvid/Results.json", "sort=driver&per=3&after=10").body),
              (std::vector<int>{9, 8, 7}));
    EXPECT_EQ(ids(get("/Benchmark/Korvid/Results.json", "sort=driver&order=asc&per=3&after=5").body),
              (std::vector<int>{7, 8, 9}));
    const std::string html = get("/Benchmark/Korvid/", "sort=score&per=4&after=8").body;
    EXPECT_NE(html.find("<p class=\"paging\"><a href=\"/Benchmark/Korvid/?sort=score&amp;per=4\">First page</a> "
                        "<a href=\"/Benchmark/Korvid/?sort=score&amp;after=4&amp;per=4\" rel=\"next\">Next page</a></p>"),
              std::string::npos);
    EXPECT_NE(html.find("<th class=\"n\" aria-sort=\"descending\"><a href=\"/Benchmark/Korvid/?sort=score&amp;order=asc"
                        "&amp;per=4\">Score</a> ▼</th>"),
              std::string::npos);
    EXPECT_NE(html.find("11 results; sorted by score, those without a score are not listed."), std::string::npos);
}

TEST_P(ResultListTest, FiltersAndTheSearchSayHowManyMatch)
{
    EXPECT_EQ(matched(""), "11");
    EXPECT_EQ(matched("driver=20000.1"), "5");
    EXPECT_EQ(matched("driver=30.0.9"), "1");
    EXPECT_EQ(matched("system=GDI&mode=320x240x32"), "11");
    EXPECT_EQ(matched("system=Direct2D"), "0");
    EXPECT_EQ(matched("mode=640x480x32"), "0");
    EXPECT_EQ(matched("os=windows+7&processor=epyc"), "11");
    EXPECT_EQ(matched("os=linux"), "0");
    // The card's IDs as the console prints them, its vendor by name, an OS name.
    EXPECT_EQ(matched("q=0x6cd"), "11");
    EXPECT_EQ(matched("q=0x6CE"), "0");
    EXPECT_EQ(matched("q=0x10DE"), "11");
    EXPECT_EQ(matched("q=nvidia"), "11");
    EXPECT_EQ(matched("q=service+pack+1"), "11");
    EXPECT_EQ(matched("q=intel"), "0");
    EXPECT_EQ(matched("q=%25"), "0");  // a wildcard of LIKE is a plain character
    EXPECT_EQ(matched("driver=20000&sort=score"), "5");
    const std::string page = get("/Benchmark/Korvid/", "driver=20000").body;
    EXPECT_NE(page.find("5 results match. Download"), std::string::npos);
    EXPECT_NE(page.find("<input type=\"text\" name=\"driver\" size=\"14\" value=\"20000\">"), std::string::npos);
}

TEST_P(ResultListTest, ListsAndMeasurementsDownloadAsCsv)
{
    const HttpReply list = get("/Benchmark/Korvid/Results.csv", "driver=30.0.9.1");
    EXPECT_EQ(list.contentType, "text/csv; charset=utf-8");
    EXPECT_TRUE(std::regex_match(list.body, std::regex("id,uploaded,imported,standing,graphics_card_id,card,driver,"
                                                       "processor,os,score\r\n"
                                                       "6,[0-9]{10},1,counted,[0-9]+,NVIDIA GeForce GTX 470,"
                                                       "nvd3dum\\.dll 30\\.0\\.9\\.1,AMD EPYC,Windows 7 Professional "
                                                       "Service Pack 1 \\(build 7601\\)[^,]*,80877\\.08\r\n")))
        << list.body;
    // Result 6 is alone in its cohort: its cohort's figures are the centre of its own bin.
    const HttpReply result = get("/Benchmark/Korvid/Result/6.csv");
    EXPECT_EQ(result.contentType, "text/csv; charset=utf-8");
    EXPECT_EQ(result.body.rfind("result,field,test,size,unit,value,cohort_lower,cohort_median,cohort_upper,"
                                "cohort_counted\r\n6,WritePixelArray_MiB_s,WritePixelArray,0,MiB_s,34217.7,",
                                0),
              0u)
        << result.body.substr(0, 300);
    EXPECT_NE(result.body.find("\r\n6,Random_Ops_s,Random,0,Ops_s,145427,145074.110829518,145074.110829518,"
                               "145074.110829518,1\r\n"),
              std::string::npos);
    EXPECT_EQ(std::count(result.body.begin(), result.body.end(), '\n'), 29);  // 28 rates
    EXPECT_EQ(get("/Benchmark/Korvid/Result/99.csv").status, 404);
    EXPECT_EQ(get("/Benchmark/Korvid/Downloads.csv").status, 404);
}

// A page either gathers the results of its narrowest filter and sorts them, or walks the index
// of its order when that filter holds more than the count limit: with a limit of 2 every filter
// here is walked, with the default one gathered, and every order pages through the same results.
TEST_P(ResultListTest, WalkingTheOrderAndGatheringAFilterPageAlike)
{
    const auto everything = [&](const std::string& query, int64_t limit) {
        ResultListRequest request = parseResultListQuery(query);
        request.pageSize = 3;
        std::string seen;
        for (int pages = 0; pages < 6; ++pages) {
            const ResultListData data = database_->withSession(
                [&](soci::session& s) { return resultListQueries::list(s, request, 1, limit); });
            for (const ResultSummary& r : data.results)
                seen += std::to_string(r.id) + " ";
            if (!data.hasMore)
                return seen;
            request.after = data.results.back().id;
        }
        return seen + "...";
    };
    for (const char* filter : {"", "driver=20000.1&", "os=windows&", "q=nvidia&", "driver=30.0&processor=epyc&",
                               "q=service&mode=320x240x32&"}) {
        for (const char* sort : {"sort=id", "sort=score", "sort=card", "sort=driver", "sort=os", "sort=processor"}) {
            for (const char* order : {"", "&order=asc"}) {
                const std::string query = std::string(filter) + sort + order;
                EXPECT_EQ(everything(query, 2), everything(query, kCountLimit)) << query;
            }
        }
    }
    EXPECT_EQ(everything("sort=score", 2), "11 10 9 8 7 6 5 4 3 2 1 ");
    EXPECT_EQ(everything("driver=20000.1&sort=id&order=asc", 2), "7 8 9 10 11 ");
    EXPECT_EQ(everything("driver=30.0&sort=driver&order=asc", 2), "1 2 3 4 5 7 8 9 10 11 6 ");

    // How many match: exactly from the cohorts, else reading at most two results.
    const auto counted = [&](const std::string& query) {
        const ResultListData data = database_->withSession(
            [&](soci::session& s) { return resultListQueries::list(s, parseResultListQuery(query), 1, 2); });
        return std::to_string(data.matched) + (data.matchCount == MatchCount::Exact      ? " exactly"
                                               : data.matchCount == MatchCount::MoreThan ? " more than"
                                                                                          : " at least");
    };
    EXPECT_EQ(counted("driver=20000.1"), "5 exactly");
    EXPECT_EQ(counted("q=20000.1"), "5 exactly");
    EXPECT_EQ(counted("os=windows"), "2 more than");
    EXPECT_EQ(counted("q=epyc"), "2 more than");
    EXPECT_EQ(counted("sort=score"), "11 exactly");  // the results, scored or not
    EXPECT_EQ(counted("driver=30.0.9.1&sort=score"), "1 exactly");
    EXPECT_EQ(counted("os=linux"), "0 exactly");
    const std::string both = counted("driver=20000.1&processor=epyc");
    EXPECT_TRUE(both == "0 at least" || both == "1 at least" || both == "2 at least") << both;
    EXPECT_EQ(counted("driver=30.0.9.1&processor=epyc"), "1 exactly");  // one result: gathered and counted
}

INSTANTIATE_TEST_SUITE_P(Storages, ResultListTest, ::testing::Values(Storage::SQLite, Storage::PostgreSQL),
                         storageName);
