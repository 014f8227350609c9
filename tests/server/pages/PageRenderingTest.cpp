// The pages rendered from plain data: escaping, the tables' figures, one line per chart series,
// the compare marks, the download folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>

#include "server/pages/BrowsePages.h"
#include "server/pages/Csv.h"
#include "server/pages/RankingPage.h"
#include "server/pages/ResultListPage.h"
#include "server/pages/ComparePage.h"
#include "server/pages/DownloadPage.h"
#include "server/pages/Html.h"
#include "server/pages/MachineText.h"
#include "server/pages/PackageDigests.h"
#include "server/pages/JsonWriter.h"
#include "server/pages/ResultPage.h"

namespace {

const std::string kEvil = "<script>alert(1)</script> & \"R&D\"";

int count(const std::string& text, const std::string& what)
{
    int n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

model::TestId id(const std::string& test, int size, const std::string& unit)
{
    return *model::TestId::of(test, size, size, unit);
}

model::LogHistogram histogramOf(std::initializer_list<double> values)
{
    model::LogHistogram h;
    for (double v : values)
        h.add(v);
    return h;
}

CohortFigures cohort(int32_t cohortId, const std::string& driver, const std::string& key)
{
    CohortFigures c;
    c.cohortId = cohortId;
    c.key = {5, key, model::GraphicsSystem::GDI, 320, 240, 32};
    c.driverText = driver;
    return c;
}

ResultPageData sampleResult()
{
    ResultPageData d;
    StoredResult& r = d.result;
    r.id = 42;
    r.createdAt = 1700000000;  // 2023-11-14 22:13 UTC
    r.graphicsCardId = 5;
    r.cardName = kEvil;
    r.productId = "0x6cd";
    r.vendorId = "0x10de";
    r.driverKey = "k1";
    r.driverLibraries = {{"nvd3dum.dll", "30.0.1"}};
    r.cpuName = "AMD EPYC";
    r.displayWidth = 320;
    r.displayHeight = 240;
    r.bitsPerPixel = 32;
    r.graphicsSystem = model::GraphicsSystem::GDI;
    r.cohortId = 3;
    r.machineFields = {{"RAMSize", "25276190720"}, {"VRAMSize", "0"},  {"ProcessorClockSpeed", "0"},
                       {"L1CacheSize", "32768"}, {"L2CacheSize", "0"}, {"L3CacheSize", "33554432"}};
    r.rates = {{id("WritePixelArray", 0, "MiB_s"), 34217.7},
               {id("FillRect", 16, "Ops_s"), 1033760},     {id("FillRect", 16, "MP_s"), 252.383},
               {id("FillRect", 32, "Ops_s"), 772956},      {id("FillRect", 32, "MP_s"), 754.84},
               {id("Random", 0, "Ops_s"), 145427},         {id("Random", 0, "MP_s"), 697.21}};
    d.score.version = 1;
    d.score.referenceLabel = "the reference " + kEvil;
    d.score.score = 1234.4;
    d.score.standing = model::Standing::Counted;
    d.score.rankAmongCard = 2;
    d.score.scoredWithCard = 3;
    d.score.rankAmongAll = 7;
    d.score.scoredInAll = 10;
    CohortFigures own = cohort(3, "nvd3dum.dll 30.0.1", "k1");
    own.resultCount = 5;
    own.counted = 5;
    // FillRect 16 Ops/s: 1033760 lies above two of four values and below two: 50.
    own.tests[id("FillRect", 16, "Ops_s").code()] = histogramOf({9e5, 1e6, 1.1e6, 1.2e6});
    own.tests[id("WritePixelArray", 0, "MiB_s").code()] = histogramOf({2e4, 3e4, 4e4, 5e4});
    for (double v : {9.5e5, 9.6e5, 9.7e5, 9.8e5, 9.9e5})
        own.tests[id("BlitRect", 16, "Ops_s").code()].add(v);
    own.tests[-1] = histogramOf({1000, 1100, 1200, 1300, 1400});
    CohortFigures before = cohort(2, "nvd3dum.dll 29.9", "k0");
    before.counted = 5;
    for (double v : {5e5, 5.1e5, 5.2e5, 5.3e5, 5.4e5})
        before.tests[id("BlitRect", 16, "Ops_s").code()].add(v);
    d.own = own;
    d.previousDriver = before;
    d.drivers = {{3, own.key, "nvd3dum.dll 30.0.1", 5, 5, 1200, 42}, {2, before.key, "nvd3dum.dll 29.9", 5, 5, 900, 7}};
    CohortSummary other{9, own.key, "nvd3dum.dll 30.0.1", 2, 2, 800, 77};
    other.key.system = model::GraphicsSystem::Direct2D;
    d.otherModes = {other};
    d.cohortMedian = ResultLink{40, "the median result"};
    return d;
}

} // namespace

TEST(PageRendering, ResultPageEscapesEveryValueAndShowsTheFiguresAndCharts)
{
    const std::string html = resultPageHtml(sampleResult());
    EXPECT_EQ(html.find("<script"), std::string::npos);
    EXPECT_EQ(html.find(" style="), std::string::npos) << "the policy admits only the style sheet";
    EXPECT_EQ(count(html, "<style>"), 1);
    EXPECT_GE(count(html, "&lt;script&gt;alert(1)&lt;/script&gt; &amp; &quot;R&amp;D&quot;"), 3);
    EXPECT_EQ(count(html, "<table"), count(html, "<caption>")) << "every table says what it holds";

    // FillRect 16: the rates with the six significant digits uploaded, the cohort's median Ops/s (1.05e6, read
    // from bins within 0.5 %) in MPixel/s (x 256 / 2^20 = 256.35), the percentile 50 of 4, and the rate
    // as a ratio to that median: 1033760 / 1052048 (the centres of the bins of 1e6 and 1.1e6) = 0.983.
    const std::regex fill16("<tr><td>\\(16, 16\\)</td><td class=\"n\">1033760</td><td class=\"n\">252.383</td>"
                            "<td class=\"n\">25[56]\\.[0-9]</td><td class=\"n\">50 <span class=\"note\">\\(of 4\\)"
                            "</span></td><td class=\"n\">×0.98</td></tr>");
    EXPECT_TRUE(std::regex_search(html, fill16));
    EXPECT_NE(html.find("<td class=\"n\">34217.7</td><td class=\"n\">3"), std::string::npos);
    // WritePixelArray against the median of 2e4, 3e4, 4e4, 5e4 (34908 from the bins): ×0.98.
    EXPECT_NE(html.find("(of 4)</span></td><td class=\"n\">×0.98</td><td><svg class=\"gauge\""), std::string::npos);
    EXPECT_NE(html.find("<span class=\"score\">1234</span> (score version 1, rated against the reference &lt;script"),
              std::string::npos);
    EXPECT_NE(html.find("Rank 2 of 3 among the counted results of this card, rank 7 of 10 among all counted results"),
              std::string::npos);
    EXPECT_NE(html.find("href=\"/Benchmark/Korvid/Compare/42,40\""), std::string::npos);
    EXPECT_NE(html.find("href=\"#previous-driver\""), std::string::npos);
    // Unknown values say so, not "0 Hz" or "@0"; caches carry their units.
    EXPECT_NE(html.find("Video memory</th><td>unknown"), std::string::npos);
    EXPECT_NE(html.find("Processor clock</th><td>unknown"), std::string::npos);
    EXPECT_NE(html.find("<title>Result 42: &lt;script&gt;alert(1)"), std::string::npos);
    EXPECT_NE(html.find("Caches L1 / L2 / L3</th><td>32 KiB / unknown / 32 MiB"), std::string::npos);
    EXPECT_EQ(html.find("@0"), std::string::npos);
    EXPECT_NE(html.find("Graphics system</th><td>GDI"), std::string::npos);
    EXPECT_NE(html.find("23.5403 GiB (25276190720 bytes)"), std::string::npos);
    EXPECT_NE(html.find("2023-11-14 22:13 UTC"), std::string::npos);
    // Drivers in the order given (version order), the other mode linked, not pooled.
    EXPECT_LT(html.find("nvd3dum.dll 30.0.1 <span class=\"note\">(this result's)"), html.find("<td>nvd3dum.dll 29.9"));
    EXPECT_NE(html.find("<a href=\"/Benchmark/Korvid/Result/77\">Direct2D, 320x240, 32 bpp, 2 results</a>"),
              std::string::npos);
    // BltBitMap 16 against the previous driver: five above five, z = 2.61 (ties none), marked.
    EXPECT_NE(html.find("<tr><td>BltBitMap 16x16 Ops/s</td><td class=\"n\">×1.8"), std::string::npos);
    EXPECT_NE(html.find("<td class=\"n\">2.61</td><td><span class=\"up\">▲</span></td>"), std::string::npos);

    // One chart for the one sized group measured, with the band and two line series; the
    // unsized groups get a gauge each.
    const std::regex chart("<svg class=\"chart\"[^]*?</svg>");
    std::vector<std::string> charts;
    for (auto it = std::sregex_iterator(html.begin(), html.end(), chart); it != std::sregex_iterator(); ++it)
        charts.push_back(it->str());
    ASSERT_EQ(charts.size(), 2u);  // FillRect measured, BltBitMap only in the cohort
    EXPECT_EQ(count(charts[0], "<polyline class=\"series\" data-series=\"This result\""), 1);
    EXPECT_EQ(count(charts[0], "<polyline class=\"series\" data-series=\"Cohort median\""), 1);
    EXPECT_EQ(count(charts[0], "<polygon class=\"band\""), 1);
    EXPECT_EQ(count(html, "<svg class=\"gauge\""), 3);  // write, read, random

    const std::string json = resultPageJson(sampleResult());
    EXPECT_NE(json.find("\"name\":\"\\u003cscript\\u003ealert(1)\\u003c/script\\u003e \\u0026 \\\"R\\u0026D\\\"\""),
              std::string::npos);
    EXPECT_NE(json.find("{\"test\":\"FillRect\",\"width\":16,\"height\":16,\"unit\":\"Ops_s\",\"value\":1033760,"
                        "\"cohort\":{\"count\":4,"),
              std::string::npos);
    EXPECT_NE(json.find("\"graphicsSystem\":\"GDI\""), std::string::npos);
    // Its ratio, band and histogram: 9e5, 1e6, 1.1e6 and 1.2e6 lie in bins 1371, 1381, 1391 and 1399
    // and the result in 1384: 29 bins, a bar each, bar 13 its own.
    EXPECT_TRUE(std::regex_search(json, std::regex("\"value\":1033760,\"cohort\":\\{\"count\":4,[^}]*\"percentile\":50,"
                                                   "\"ratio\":0\\.98261658[0-9]*,\"bandLower\":0\\.9[0-9]*,"
                                                   "\"bandUpper\":1\\.0[0-9]*,\"histogram\":\\{\"binsPerBar\":1,"
                                                   "\"bars\":29,\"lower\":[0-9.]+,\"upper\":[0-9.]+,\"markedBar\":13,"
                                                   "\"counts\":\\[\\{\"bar\":0,[^}]*\"count\":1\\},\\{\"bar\":10,"
                                                   "[^}]*\\},\\{\"bar\":20,[^}]*\\},\\{\"bar\":28,[^}]*\\}\\]")));
    // A histogram per rate with figures (FillRect and BltBitMap 16, WritePixelArray) and of the
    // cohort's scores, each titled. The scores 1000 to 1400 lie in bins 690, 700, 709, 717 and 724:
    // median the centre of bin 709, e^7.095 = 1206, quartiles the centres of 700 and 717 (x0.91 and
    // x1.08 of it), and 1234.4 is x1.02 of it.
    EXPECT_EQ(count(html, "<svg class=\"histogram\""), 4);
    EXPECT_NE(html.find("Its cohort's 5 counted scores: median 1206, quartiles ×0.91 and ×1.08 the median; this score "
                        "×1.02 the median."),
              std::string::npos);
    EXPECT_NE(html.find("<title>FillRect 16x16 Ops/s in its cohort: 4 counted results in 29 bars of 1 bin (1 % each) "
                        "from 899865 to 1202604, median 1052048; this result 1033760, ×0.98 the median</title>"),
              std::string::npos);

    ResultPageData none = sampleResult();
    none.score.score.reset();
    none.score.note = "no score: Random Ops/s was not measured";
    none.score.standing = model::Standing::Outlier;
    const std::string partial = resultPageHtml(none);
    EXPECT_NE(partial.find("<span class=\"score\">–</span> no score: Random Ops/s was not measured."), std::string::npos);
    EXPECT_NE(partial.find("<p class=\"outlier\">Outlier:"), std::string::npos);
    EXPECT_NE(resultPageJson(none).find("\"score\":{\"score\":null,\"reason\":\"no score: Random Ops/s was not measured\""),
              std::string::npos);
}

TEST(PageRendering, ComparePageMarksOnlyChangesBeyondTheFirstCohortsNoise)
{
    // Twelve results of FillRect 16, two in each of bins 460 to 465 (100 is in bin 460). Their
    // ordered pairs (132) by distance: 0: 12, 1: 40, 2: 32 (half within 2): the spread is 3 bins,
    // x1.03. 125 (bin 482) lies beyond every pair: p = 1/133 (Student's t, 8.7 with 11 degrees of
    // freedom, says far less), within 0.05/2 on a page of two judged rows: faster. 104 (bin 464):
    // 24 pairs lie 4 bins apart or more, p = 25/133: noise, though over 3 %.
    ComparePageData data;
    CompareEntry a, b, c;
    a.result.id = 1;
    a.result.rates = {{id("FillRect", 16, "Ops_s"), 100}, {id("Random", 0, "Ops_s"), 50}};
    CohortFigures own = cohort(1, "d", "k");
    model::LogHistogram& h = own.tests[id("FillRect", 16, "Ops_s").code()];
    for (int bin = 460; bin <= 465; ++bin)
        h.addBin(bin, 2);
    a.cohort = own;
    b.result.id = 2;
    b.result.cardName = kEvil;
    b.result.rates = {{id("FillRect", 16, "Ops_s"), 125}};
    c.result.id = 3;
    c.result.rates = {{id("FillRect", 16, "Ops_s"), 104}, {id("Random", 0, "Ops_s"), 500}};
    data.entries = {a, b, c};
    const std::string html = comparePageHtml(data);
    EXPECT_EQ(html.find("<script"), std::string::npos);
    EXPECT_NE(html.find("<tr><th>FillRect 16x16 Ops/s</th><td class=\"n\">100</td><td class=\"n\">125 "
                        "<span class=\"note\">×1.25</span> <span class=\"up\" title=\"faster beyond the noise\">▲"
                        "</span></td><td class=\"n\">104 <span class=\"note\">×1.04</span></td>"
                        "<td class=\"n\">×1.03</td></tr>"),
              std::string::npos)
        << html;
    // No figures for the random mix in the first cohort: nothing marked even at x10.
    EXPECT_NE(html.find("<tr><th>Random Ops/s</th><td class=\"n\">50</td><td class=\"n\">–</td>"
                        "<td class=\"n\">500 <span class=\"note\">×10.00</span></td><td class=\"n\">–</td></tr>"),
              std::string::npos);
    EXPECT_NE(comparePageJson(data).find("\"noise\":1.030454533953517,\"values\":[{\"value\":100,\"ratio\":1,"
                                         "\"change\":\"none\"},{\"value\":125,\"ratio\":1.25,\"change\":\"faster\"},"
                                         "{\"value\":104,\"ratio\":1.04,\"change\":\"none\"}]"),
              std::string::npos)
        << comparePageJson(data);

    // The same 125 on a page that also compares seven more results: nine judged rows, and 1/133 =
    // 0.0075 is over 0.05/9 = 0.0056: the page marks nothing.
    ComparePageData crowded = data;
    for (int i = 0; i < 7; ++i) {
        CompareEntry same;
        same.result.id = 10 + i;
        same.result.rates = {{id("FillRect", 16, "Ops_s"), 100.5}};
        crowded.entries.push_back(same);
    }
    EXPECT_EQ(comparePageHtml(crowded).find("faster beyond the noise"), std::string::npos);
}

TEST(PageRendering, DownloadPageListsThePackagesNewestFirstWithSizeAndHash)
{
    namespace fs = std::filesystem;
    const fs::path folder = fs::temp_directory_path() / ("korvid-packages-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    auto write = [&](const std::string& name, const std::string& bytes) {
        std::ofstream(folder / name, std::ios::binary) << bytes;
    };
    write("korvid-2.9-win64.zip", "abc");
    write("korvid-2.10-win64.zip", std::string(2048, 'x'));
    write("korvid-2.9-win32.zip", "no");
    write("notes.txt", "no");
    write("korvid-2.10000000000-win64.zip", "a version number no comparison can hold");
    PackageDigests digests;
    const DownloadPageData data = scanPackages(folder.string(), digests);
    // Hashed once per file version: a second view reads no file, a changed file is read again.
    scanPackages(folder.string(), digests);
    EXPECT_EQ(digests.filesHashed(), 2u);
    write("korvid-2.9-win64.zip", "abcd");
    EXPECT_EQ(scanPackages(folder.string(), digests).packages[1].sha256,
              "88d4266fd4e6338d13b845fcf289579d209c897823b9217da3e161936f031589");
    EXPECT_EQ(digests.filesHashed(), 3u);
    fs::remove_all(folder);

    ASSERT_EQ(data.packages.size(), 2u);
    EXPECT_EQ(data.packages[0].name, "korvid-2.10-win64.zip");
    EXPECT_EQ(data.packages[0].size, 2048u);
    EXPECT_EQ(data.packages[1].version, "2.9");
    EXPECT_EQ(data.packages[1].sha256, "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    const std::string html = downloadPageHtml(data);
    EXPECT_EQ(count(html, "<table"), count(html, "<caption>"));
    EXPECT_NE(html.find(">korvid-2.9-win64.zip</a></td><td>2.9</td><td class=\"n\">3 bytes</td><td><code>"
                        "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad</code>"),
              std::string::npos);
    EXPECT_NE(html.find("<td class=\"n\">2.0 KiB</td>"), std::string::npos);
    EXPECT_EQ(packageVersion("korvid-..-win64.zip"), "");
    EXPECT_EQ(packageVersion("korvid-2.9-win64.zip"), "2.9");
    EXPECT_TRUE(scanPackages("/nonexistent/korvid").packages.empty());
    EXPECT_NE(downloadPageHtml({}).find("No package is available"), std::string::npos);
}

TEST(PageRendering, BrowsePagesEscapeSearchAndNames)
{
    ResultListData index;
    index.request.search = kEvil;
    ResultSummary one;
    one.id = 9;
    one.createdAt = 1700000000;
    one.imported = true;
    one.standing = model::Standing::Imported;
    one.graphicsCardId = 5;
    one.cardName = kEvil;
    one.driverText = "drv 1";
    one.cpuName = "cpu";
    one.osText = "Windows 7";
    one.score = 1500.2;
    index.results = {one};
    index.totalResults = 1;
    index.matched = 1;
    const std::string html = indexPageHtml(index, "line 3: " + kEvil);
    EXPECT_EQ(html.find("<script"), std::string::npos);
    EXPECT_NE(html.find("value=\"&lt;script&gt;alert(1)&lt;/script&gt; &amp; &quot;R&amp;D&quot;\""), std::string::npos);
    EXPECT_NE(html.find("<a href=\"/Benchmark/Korvid/Result/9\">9</a> <span class=\"imported\">imported</span>"),
              std::string::npos);
    EXPECT_NE(html.find("<td class=\"n\">1500</td>"), std::string::npos);
    // The import's refusal comes first, before the list.
    EXPECT_LT(html.find("line 3: &lt;script"), html.find("<h1>"));
    // In CSV: quoted where a comma or quote needs it, formulas kept as text.
    EXPECT_EQ(csvField(kEvil), "\"<script>alert(1)</script> & \"\"R&D\"\"\"");
    EXPECT_EQ(csvField("=1+2"), "'=1+2");
    EXPECT_EQ(csvField("-2,5"), "\"'-2,5\"");
    EXPECT_EQ(csvField("plain text"), "plain text");
    EXPECT_EQ(csvField("@SUM(A1)"), "'@SUM(A1)");
    EXPECT_EQ(csvField("+1"), "'+1");
    EXPECT_EQ(csvField("\t=1+2"), "'\t=1+2");
    EXPECT_EQ(csvField("\r=1+2"), "\"'\r=1+2\"");
    EXPECT_EQ(csvField("a=1"), "a=1");
    EXPECT_NE(resultListCsv(index).find("\r\n9,1700000000,1,imported,5,\"<script>"), std::string::npos);

    RankingListData ranking;
    ranking.version = 1;
    ranking.ranked = {{5, kEvil, 3, 1400, 1500, 1600, 1, 12, "nvd3dum.dll 1 <b>"}};
    ranking.unranked = {{6, "Lone card", 1, 9000, 9000, 9000, 0, 0, ""}};
    ranking.rankedCount = 1;
    ranking.unrankedCount = 1;
    const std::string rankingHtml = rankingPageHtml(ranking);
    EXPECT_EQ(rankingHtml.find("<script"), std::string::npos);
    EXPECT_NE(rankingHtml.find("<td><input type=\"checkbox\" name=\"cohort\" value=\"12\" aria-label=\"Compare the "
                               "largest cohort of &lt;script&gt;"),
              std::string::npos);
    EXPECT_NE(rankingHtml.find("<td class=\"n\">1</td><td><a href=\"/Benchmark/Korvid/Card/5\">&lt;script"),
              std::string::npos);
    EXPECT_NE(rankingHtml.find("<td>nvd3dum.dll 1 &lt;b&gt;</td>"), std::string::npos);
    // The card with one result is listed apart, without a place, however high its score.
    EXPECT_NE(rankingHtml.find("<h2>Too few results to rank</h2>\n<div class=\"scroll\"><table class=\"results\">"
                               "<caption>Cards with too few counted results, 1 on this page</caption><tr><th>Compare"
                               "</th><th><a href=\"/Benchmark/Korvid/Ranking?sort=card&amp;order=asc\">Graphics card"),
              std::string::npos);
    EXPECT_NE(rankingHtml.find("<tr><td></td><td><a href=\"/Benchmark/Korvid/Card/6\">Lone card</a></td><td class=\"n\">"
                               "9000</td><td class=\"n\">9000</td><td class=\"n\">9000</td><td class=\"n\">1</td>"
                               "<td>–</td></tr>"),
              std::string::npos);
    EXPECT_NE(rankingPageJson(ranking).find("\"ranked\":[{\"graphicsCardId\":5,\"place\":1,\"cardName\":\"\\u003cscript"),
              std::string::npos);
    EXPECT_NE(rankingCsv(ranking).find("\r\n1,5,\"<script>alert(1)</script> & \"\"R&D\"\"\",1500.00,1400.00,1600.00,3,12,"
                                       "nvd3dum.dll 1 <b>\r\n,6,Lone card,9000.00,9000.00,9000.00,1,,\r\n"),
              std::string::npos);
    EXPECT_EQ(jsonEscape("a\"b\\c\n\x01"), "\"a\\\"b\\\\c\\n\\u0001\"");
}

// Rates keep the six significant digits an upload sends, in plain decimals whatever their size;
// figures read from binned counts keep four.
TEST(NumberFormat, RatesAndFiguresAsTheirPrecisionAllows)
{
    const struct {
        double value;
        const char* rate;
        const char* figure;
    } cases[] = {
        {34000.6, "34000.6", "34001"},
        {34000.593, "34000.6", "34001"},
        {774865, "774865", "774865"},
        {1234567, "1234570", "1234567"},
        {999999.7, "1000000", "1000000"},
        {512.3456, "512.346", "512.3"},
        {0.5123456, "0.512346", "0.5123"},
        {2, "2", "2"},
        {0, "0", "–"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(formatRate(c.value), c.rate) << c.value;
        EXPECT_EQ(formatFigure(c.value), c.figure) << c.value;
    }
    EXPECT_EQ(id("BlitRect", 64, "Ops_s").label(), "BltBitMap 64x64 Ops/s");
    EXPECT_EQ(id("OverlappedBlitRect", 16, "MP_s").label(), "OverlappedBltBitMap 16x16 MPixel/s");
    EXPECT_EQ(id("BlitRect", 64, "Ops_s").fieldName(), "BlitRect_64x64_Ops_s");
}

// A machine's clocks and sizes as the console prints them, unknown where the system did not say.
TEST(NumberFormat, MachineFiguresAsTheConsolePrintsThem)
{
    const struct {
        std::string decimal;
        std::string frequency;
        std::string size;
    } cases[] = {
        {"2245000000", "2.245 GHz", "2.09082 GiB"},
        {"3400000000", "3.4 GHz", "3.1665 GiB"},
        {"999", "999 Hz", "999 bytes"},
        {"1536", "1.536 KHz", "1.5 KiB"},
        {"25276190720", "25.2762 GHz", "23.5403 GiB"},
        {"0", "unknown", "unknown"},
        {"", "unknown", "unknown"},
        {"12 MB", "unknown", "unknown"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(frequencyText(c.decimal), c.frequency) << c.decimal;
        EXPECT_EQ(sizeText(c.decimal), c.size) << c.decimal;
    }
    EXPECT_EQ(sizeText("4294967296", 3), "4 GiB");   // the video memory line's three digits
    EXPECT_EQ(sizeText("4563402752", 3), "4.25 GiB");
}
