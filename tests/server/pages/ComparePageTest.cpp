// The machine rows of the comparison as the console prints them, and the cohort comparison's
// JSON carrying every figure its page shows.
#include <gtest/gtest.h>

#include <cmath>
#include <regex>

#include "server/pages/CohortComparePage.h"
#include "server/pages/ComparePage.h"

namespace {

CompareEntry entry(int32_t id, std::vector<RecordField> fields, int32_t refreshRate)
{
    CompareEntry e;
    e.result.id = id;
    e.result.cardName = "Card <" + std::to_string(id) + ">";
    e.result.displayWidth = 1920;
    e.result.displayHeight = 1080;
    e.result.bitsPerPixel = 32;
    e.result.refreshRate = refreshRate;
    e.result.machineFields = std::move(fields);
    return e;
}

} // namespace

TEST(ComparePage, MachineRowsCarryTheConsolesUnitsAndSayUnknownForWhatTheSystemDidNotTell)
{
    ComparePageData data;
    data.entries = {entry(7, {{"ProcessorClockSpeed", "3400000000"}, {"RAMSize", "25276190720"}}, 60),
                    entry(9, {{"ProcessorClockSpeed", "0"}, {"RAMSize", "1023"}}, 0),
                    entry(11, {{"ProcessorClockSpeed", "999"}, {"RAMSize", "8589934592"}}, 75),
                    entry(12, {{"ProcessorClockSpeed", "-5"}}, 0)};
    const std::string html = comparePageHtml(data);
    EXPECT_NE(html.find("<tr><th>Processor clock</th><td>3.4 GHz</td><td>unknown</td><td>999 Hz</td>"
                        "<td>unknown</td><td></td></tr>"),
              std::string::npos)
        << html;
    EXPECT_NE(html.find("<tr><th>Memory</th><td>23.5403 GiB</td><td>1023 bytes</td><td>8 GiB</td><td>unknown</td>"),
              std::string::npos)
        << html;
    EXPECT_NE(html.find("<tr><th>Display mode</th><td>1920x1080@60 Hz (32 bpp)</td>"
                        "<td>1920x1080 (32 bpp), refresh rate unknown</td><td>1920x1080@75 Hz (32 bpp)</td>"),
              std::string::npos);
    EXPECT_NE(html.find("<title>Compare results 7, 9, 11, 12: Card &lt;7&gt; – Korvid results</title>"),
              std::string::npos);
    const std::string json = comparePageJson(data);
    EXPECT_NE(json.find("\"processorClock\":3400000000,\"memory\":25276190720,\"displayMode\":{\"width\":1920,"
                        "\"height\":1080,\"refreshRate\":60,\"bitsPerPixel\":32}"),
              std::string::npos)
        << json;
    EXPECT_NE(json.find("\"processorClock\":null,\"memory\":1023,"), std::string::npos);
    EXPECT_NE(json.find("\"processorClock\":null,\"memory\":null,"), std::string::npos);
}

TEST(ComparePage, CohortComparisonJsonHoldsTheQuartilesAndCountsThePageShows)
{
    // Bins 100, 200, 300 (one result each) against 400, 400: medians e^2.005 and e^4.005, the first's
    // quartiles at positions 0.5 and 1.5.
    CohortComparisonData data;
    data.scoreVersion = 1;
    data.first.cohortId = 3;
    data.first.cardName = "Card";
    data.first.driverText = "a.dll 1";
    data.second.cohortId = 4;
    data.second.cardName = "Other <card>";
    data.second.driverText = "a.dll 2";
    const int code = model::TestId{model::Test::FillRect, 16, model::Unit::Ops}.code();
    for (int bin : {100, 200, 300})
        data.first.tests[code].addBin(bin, 1);
    data.second.tests[code].addBin(400, 2);
    const std::string json = cohortComparePageJson(data);
    EXPECT_NE(json.find("\"FillRect_16x16_Ops_s\":{\"firstMedian\":"), std::string::npos) << json;
    // Bin centres e^1.005, e^2.005, e^3.005; quartiles halfway between neighbouring ranks.
    const double e1 = std::exp(1.005), e2 = std::exp(2.005), e3 = std::exp(3.005), e4 = std::exp(4.005);
    const struct {
        const char* side;
        double lower, median, upper;
        int count;
    } expected[] = {{"first", (e1 + e2) / 2, e2, (e2 + e3) / 2, 3}, {"second", e4, e4, e4, 2}};
    for (const auto& x : expected) {
        std::smatch m;
        const std::regex object(std::string("\"") + x.side + "\":\\{\"lower\":([^,]+),\"median\":([^,]+),"
                                "\"upper\":([^,]+),\"count\":([0-9]+)\\}");
        ASSERT_TRUE(std::regex_search(json, m, object)) << x.side << " " << json;
        EXPECT_NEAR(std::stod(m[1]), x.lower, 1e-9) << x.side;
        EXPECT_NEAR(std::stod(m[2]), x.median, 1e-9) << x.side;
        EXPECT_NEAR(std::stod(m[3]), x.upper, 1e-9) << x.side;
        EXPECT_EQ(std::stoi(m[4]), x.count) << x.side;
    }
    // Too few results for the rank test, but the ratio of the medians is known: e^2 = 7.389.
    EXPECT_NE(json.find("\"change\":\"unknown\",\"z\":null,\"p\":null,\"medianRatio\":7.389056"), std::string::npos) << json;
    EXPECT_NE(cohortComparePageHtml(data).find("<td class=\"n\">×7.389</td><td class=\"n\">–</td><td>too few results"),
              std::string::npos);
    EXPECT_NE(cohortComparePageHtml(data).find("<title>Card – a.dll 1 against Other &lt;card&gt; – a.dll 2"),
              std::string::npos);
}
