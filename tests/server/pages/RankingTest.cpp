// The card ranking over a real database of each storage: places by median, the rule of three
// counted scores, sorting, paging, the filters of its address, and its JSON and CSV, with
// figures worked out by hand from the scores' bins.
#include <gtest/gtest.h>

#include <regex>

#include "SiteFixture.h"
#include "server/store/RankingQueries.h"

namespace {

// Three cards. A GDI run scores 80877.08; the random mix f times as fast scores
// 80877.08 * f^(1/11) (one of the eleven core rates): 86137.41 at f = 2, 91739.88 at f = 4.
// In 0.1 % bins their centres are 80862.06, 86120.26 and 91720.39; in 1 % bins 81226.76,
// 86249.54 and 91582.91.
class RankingTest : public SiteTest {
protected:
    void SetUp() override
    {
        SiteTest::SetUp();
        if (IsSkipped())
            return;
        // GTX 470: two runs at 320x240, one at 640x480. Radeon: three at 320x240, twice as
        // fast a mix. Matrox: one run, four times as fast: highest, and not ranked.
        for (int i = 0; i < 3; ++i)
            importCard("NVIDIA GeForce GTX 470", "0x6cd", "0x10de", i == 2 ? "640x480" : "320x240", "", i);
        for (int i = 0; i < 3; ++i)
            importCard("Radeon HD <7970>", "0x6898", "0x1002", "320x240", "290854.854", 10 + i);
        importCard("Matrox, \"Lone\"", "0x525", "0x102b", "320x240", "581709.708", 20);
    }

    void importCard(const std::string& name, const std::string& product, const std::string& vendor,
                    const std::string& mode, const std::string& mix, int machine)
    {
        std::string run = gdi_;
        run.replace(run.find("NVIDIA GeForce GTX 470"), 22, name);
        run.replace(run.find("Product ID: 0x6cd Vendor ID: 0x10de"), 35,
                    "Product ID: " + product + " Vendor ID: " + vendor);
        run.replace(run.find("320x240@0"), 7, mode);
        run.replace(run.find("Total RAM: 23.5403"), 18, "Total RAM: 23.54" + std::to_string(10 + machine));
        if (!mix.empty())
            run.replace(run.find("145427.427"), 10, mix);
        EXPECT_GT(importTranscript(run, *store_, kImportClientName), 0);
    }

    std::string json(const std::string& query) { return get("/Benchmark/Korvid/Ranking.json", query).body; }

    // "place:card" of the ranked rows, then "-:card" of the others.
    std::string order(const std::string& query)
    {
        const std::string text = json(query);
        std::string out;
        const std::regex row("\\{\"graphicsCardId\":([0-9]+),(\"place\":([0-9]+),)?\"cardName\":\"([A-Za-z]+)");
        for (auto it = std::sregex_iterator(text.begin(), text.end(), row); it != std::sregex_iterator(); ++it)
            out += std::string(out.empty() ? "" : " ") + ((*it)[3].matched ? (*it)[3].str() : "-") + ":" + (*it)[4].str();
        return out;
    }
};

} // namespace

TEST_P(RankingTest, CardsArePlacedByMedianOnlyWithThreeCountedScores)
{
    EXPECT_EQ(order(""), "1:Radeon 2:NVIDIA -:Matrox");
    const std::string all = json("");
    EXPECT_NE(all.find("\"version\":1,"), std::string::npos);
    EXPECT_NE(all.find("\"binWidth\":0.001,\"rankedCount\":2,\"unrankedCount\":1,\"next\":null,\"nextUnranked\":null,"),
              std::string::npos)
        << all;
    // The GTX 470's three equal scores: median and quartiles the centre of their 0.1 % bin.
    EXPECT_TRUE(std::regex_search(all, std::regex("\"place\":2,\"cardName\":\"NVIDIA GeForce GTX 470\",\"medianScore\":"
                                                  "80862\\.05[0-9]*,\"lowerScore\":80862\\.05[0-9]*,\"upperScore\":"
                                                  "80862\\.05[0-9]*,\"counted\":3,\"cohortId\":[0-9]+,\"cohort\":"
                                                  "\"nvd3dum\\.dll 30\\.0\\.14023\\.3004 \\(GDI, 320x240, 32 bpp\\)\"")))
        << all;

    // CSV: every card, ranked first; the name with a comma and quotes quoted.
    const HttpReply csv = get("/Benchmark/Korvid/Ranking.csv", "per=1");
    EXPECT_EQ(csv.contentType, "text/csv; charset=utf-8");
    EXPECT_TRUE(std::regex_match(csv.body, std::regex(
        "place,graphics_card_id,card,median_score,lower_score,upper_score,counted,cohort_id,cohort\r\n"
        "1,[0-9]+,Radeon HD <7970>,86120\\.26,86120\\.26,86120\\.26,3,[0-9]+,\"nvd3dum\\.dll 30\\.0\\.14023\\.3004 "
        "\\(GDI, 320x240, 32 bpp\\)\"\r\n"
        "2,[0-9]+,NVIDIA GeForce GTX 470,80862\\.06,80862\\.06,80862\\.06,3,[0-9]+,\"nvd3dum\\.dll 30\\.0\\.14023\\.3004 "
        "\\(GDI, 320x240, 32 bpp\\)\"\r\n"
        ",[0-9]+,\"Matrox, \"\"Lone\"\"\",91720\\.39,91720\\.39,91720\\.39,1,[0-9]+,\"nvd3dum\\.dll 30\\.0\\.14023\\.3004 "
        "\\(GDI, 320x240, 32 bpp\\)\"\r\n")))
        << csv.body;
}

TEST_P(RankingTest, SortsPagesAndFiltersThroughTheAddress)
{
    // By name from A; by counted results, equal counts by place; ascending median.
    EXPECT_EQ(order("sort=card&order=asc"), "2:NVIDIA 1:Radeon -:Matrox");
    EXPECT_EQ(order("sort=counted"), "1:Radeon 2:NVIDIA -:Matrox");
    EXPECT_EQ(order("order=asc"), "2:NVIDIA 1:Radeon -:Matrox");
    // One a page: the second page of the ranked cards, the unranked on their own first page.
    EXPECT_EQ(order("per=1&page=2"), "2:NVIDIA -:Matrox");
    EXPECT_NE(json("per=1").find("\"next\":\"/Benchmark/Korvid/Ranking.json?page=2\\u0026per=1\""), std::string::npos);
    EXPECT_EQ(order("per=1&page=3"), "-:Matrox");
    // The card's text: its vendor's name, its product ID as the console prints it, its name.
    EXPECT_EQ(order("card=radeon"), "1:Radeon");
    EXPECT_EQ(order("card=0x6898"), "1:Radeon");
    EXPECT_EQ(order("card=0x10DE"), "1:NVIDIA");
    EXPECT_EQ(order("card=lone"), "-:Matrox");
    EXPECT_EQ(order("card=%25"), "");
    // One display mode: the GTX 470 has two counted scores at 320x240, too few; figures read
    // from the cohorts' 1 % bins.
    EXPECT_EQ(order("mode=320x240x32"), "1:Radeon -:Matrox -:NVIDIA");
    const std::string mode = json("mode=320x240x32&system=GDI");
    EXPECT_NE(mode.find("\"binWidth\":0.01,\"rankedCount\":1,\"unrankedCount\":2,"), std::string::npos) << mode;
    EXPECT_TRUE(std::regex_search(mode, std::regex("\"cardName\":\"NVIDIA GeForce GTX 470\",\"medianScore\":81226\\.7[0-9]*,"
                                                   "\"lowerScore\":81226\\.7[0-9]*,\"upperScore\":81226\\.7[0-9]*,"
                                                   "\"counted\":2,")))
        << mode;
    EXPECT_EQ(order("mode=640x480x32"), "-:NVIDIA");
    EXPECT_EQ(order("system=Direct2D"), "");
    EXPECT_EQ(order("version=7"), order(""));  // no such version: the current one
}

TEST_P(RankingTest, ThePageFormsAndCheckBoxesCompareTwoCardsLargestCohorts)
{
    const std::string html = get("/Benchmark/Korvid/Ranking", "sort=card&order=asc&mode=320x240x32").body;
    EXPECT_NE(html.find("<label>Display mode (WxHxbpp) <input type=\"text\" name=\"mode\" size=\"12\" "
                        "value=\"320x240x32\"></label>"),
              std::string::npos);
    EXPECT_NE(html.find("<th aria-sort=\"ascending\"><a href=\"/Benchmark/Korvid/Ranking?mode=320x240x32&amp;sort=card\">"
                        "Graphics card</a> ▲</th>"),
              std::string::npos);
    EXPECT_NE(html.find(">Radeon HD &lt;7970&gt;</a></td><td class=\"n\">86250</td>"), std::string::npos);
    EXPECT_NE(html.find("<p>Graphics system: <a href=\"/Benchmark/Korvid/Ranking?mode=320x240x32&amp;sort=card&amp;"
                        "order=asc\" aria-current=\"page\">any</a> · <a href=\"/Benchmark/Korvid/Ranking?system="
                        "Direct2D&amp;mode=320x240x32&amp;sort=card&amp;order=asc\">Direct2D</a> · "),
              std::string::npos);
    EXPECT_NE(html.find("1 card ranked, 2 with too few counted results. Download as <a href=\"/Benchmark/Korvid/"
                        "Ranking.csv?mode=320x240x32&amp;sort=card&amp;order=asc\">CSV</a>"),
              std::string::npos);
    std::vector<std::string> cohorts;
    const std::regex box("name=\"cohort\" value=\"([0-9]+)\"");
    for (auto it = std::sregex_iterator(html.begin(), html.end(), box); it != std::sregex_iterator(); ++it)
        cohorts.push_back((*it)[1].str());
    ASSERT_EQ(cohorts.size(), 3u);
    const HttpReply sent = get("/Benchmark/Korvid/Cohorts", "cohort=" + cohorts[0] + "&cohort=" + cohorts[1]);
    EXPECT_EQ(sent.status, 303);
    const std::string location = "/Benchmark/Korvid/Cohorts/" + cohorts[0] + "," + cohorts[1];
    bool found = false;
    for (const auto& [name, value] : sent.headers)
        found = found || (name == "Location" && value == location);
    EXPECT_TRUE(found) << location;
    EXPECT_EQ(get(location).status, 200);
}

// The arithmetic of the order alone, on figures given by hand.
TEST(RankingArrangement, PlacesByMedianThenCountThenIdAndPagesEachPart)
{
    const auto card = [](int32_t id, const char* name, int64_t counted, double lower, double median, double upper) {
        RankedCard c;
        c.graphicsCardId = id;
        c.cardName = name;
        c.counted = counted;
        c.lowerScore = lower;
        c.medianScore = median;
        c.upperScore = upper;
        return c;
    };
    const std::vector<RankedCard> cards = {card(4, "d", 3, 90, 100, 110), card(2, "b", 5, 95, 100, 105),
                                           card(9, "a", 2, 10, 500, 900), card(7, "c", 3, 80, 100, 120),
                                           card(3, "e", 10, 50, 60, 70),  card(5, "f", 1, 1, 1, 1)};
    RankingListData data;
    rankingQueries::arrange(cards, data);
    // Median 100 three times: 5 counted first, then IDs 4 and 7 with 3 each.
    std::string placed;
    for (const RankedCard& c : data.ranked)
        placed += std::to_string(c.place) + c.cardName + " ";
    EXPECT_EQ(placed, "1b 2d 3c 4e ");
    ASSERT_EQ(data.unranked.size(), 2u);
    EXPECT_EQ(data.unranked[0].cardName + data.unranked[1].cardName, "af");
    EXPECT_EQ(data.unranked[0].place, 0);

    data.request.sort = RankingSort::Upper;
    data.request.pageSize = 2;
    data.request.page = 2;
    rankingQueries::arrange(cards, data);
    EXPECT_EQ(data.rankedCount, 4);
    ASSERT_EQ(data.ranked.size(), 2u);  // 120, 110 | 105, 70
    EXPECT_EQ(data.ranked[0].cardName + data.ranked[1].cardName, "be");
    EXPECT_FALSE(data.moreRanked());
    data.request.page = 1;
    data.request.sort = RankingSort::Lower;
    data.request.ascending = true;
    rankingQueries::arrange(cards, data);
    EXPECT_EQ(data.ranked[0].cardName + data.ranked[1].cardName, "ec");
    EXPECT_TRUE(data.moreRanked());
    EXPECT_EQ(data.unranked[0].cardName, "f");
}

INSTANTIATE_TEST_SUITE_P(Storages, RankingTest, ::testing::Values(Storage::SQLite, Storage::PostgreSQL), storageName);
