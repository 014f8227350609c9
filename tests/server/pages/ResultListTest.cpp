// Result lists over a real database of each storage: every result reached by paging, sorted,
// filtered and searched through the address, counted, and downloaded as CSV.
#include <gtest/gtest.h>

#include <regex>
#include <set>

#include "SiteFixture.h"

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

    std::string matched(const std::string& query)
    {
        const std::string json = get("/Benchmark/Korvid/Results.json", query).body;
        std::smatch m;
        return std::regex_search(json, m, std::regex("\"matched\":([0-9]+)")) ? m[1].str() : "none";
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
    // By score, best first; equal scores by the newest ID first.
    EXPECT_EQ(ids(get("/Benchmark/Korvid/Results.json", "sort=score&per=4&page=2").body),
              (std::vector<int>{7, 6, 5, 4}));
    EXPECT_EQ(ids(get("/Benchmark/Korvid/Results.json", "sort=score&order=asc&per=4").body),
              (std::vector<int>{1, 2, 3, 4}));
    EXPECT_EQ(ids(get("/Benchmark/Korvid/Results.json", "sort=driver&per=3").body), (std::vector<int>{6, 11, 10}));
    const std::string html = get("/Benchmark/Korvid/", "sort=score&per=4&page=2").body;
    EXPECT_NE(html.find("<a href=\"/Benchmark/Korvid/?sort=score&amp;per=4\" rel=\"prev\">Previous page</a> Page 2 "
                        "<a href=\"/Benchmark/Korvid/?sort=score&amp;page=3&amp;per=4\" rel=\"next\">Next page</a>"),
              std::string::npos);
    EXPECT_NE(html.find("<th class=\"n\" aria-sort=\"descending\"><a href=\"/Benchmark/Korvid/?sort=score&amp;order=asc"
                        "&amp;per=4\">Score</a> ▼</th>"),
              std::string::npos);
    EXPECT_NE(html.find("11 results with a score."), std::string::npos);
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
    EXPECT_NE(page.find("5 results match among the newest 100000 results."), std::string::npos);
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
    EXPECT_EQ(get("/Benchmark/Korvid/Ranking.csv").status, 404);
}

INSTANTIATE_TEST_SUITE_P(Storages, ResultListTest, ::testing::Values(Storage::SQLite, Storage::PostgreSQL),
                         storageName);
