// The pages rendered from plain data: escaping, the tables' figures, one line per chart series,
// the compare marks, the download folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>

#include "server/pages/BrowsePages.h"
#include "server/pages/ComparePage.h"
#include "server/pages/DownloadPage.h"
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
    r.machineFields = {{"RAMSize", "25276190720"}, {"VRAMSize", "0"}};
    r.measurements = {{"WritePixelArray", 0, 0, "MiB_s", 34217.7},
                      {"FillRect", 16, 16, "Ops_s", 1033760},     {"FillRect", 16, 16, "MP_s", 252.383},
                      {"FillRect", 32, 32, "Ops_s", 772956},      {"FillRect", 32, 32, "MP_s", 754.84},
                      {"Random", 0, 0, "Ops_s", 145427},          {"Random", 0, 0, "MP_s", 697.21}};
    d.score = {1234.4, 4, 2, 3, 7, 10};
    DriverCohort own{"k1", "nvd3dum.dll 30.0.1", 4, 1100, 1700000000, {}};
    own.figures = {{{"FillRect", 16, 16, "MP_s"}, 4, 200, 250, 300, {100, 200, 300, 400}},
                   {{"FillRect", 32, 32, "MP_s"}, 4, 700, 750, 800, {600, 700, 800, 900}},
                   {{"FillRect", 16, 16, "Ops_s"}, 4, 1e6, 1.1e6, 1.2e6, {9e5, 1e6, 1.2e6, 1.3e6}},
                   {{"WritePixelArray", 0, 0, "MiB_s"}, 4, 3e4, 3.5e4, 4e4, {2e4, 3e4, 4e4, 5e4}}};
    DriverCohort older{"k0", "nvd3dum.dll 29.9", 2, 900, 1600000000, {}};
    older.figures = {{{"FillRect", 16, 16, "Ops_s"}, 2, 8e5, 8.5e5, 9e5, {8e5, 9e5}}};
    d.driverCohorts = {own, older};
    d.cohortMedian = ResultLink{40, "the median result"};
    d.previousDriver = ResultLink{7, "driver " + kEvil};
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

    // The FillRect table: the rates as the console prints them, the cohort median, the percentile
    // within {100, 200, 300, 400} of 252.383: (2 + 0) / 4 = 50.
    EXPECT_NE(html.find("<tr><td>(16, 16)</td><td class=\"n\">1033760.000</td><td class=\"n\">252.383</td>"
                        "<td class=\"n\">250.000</td><td class=\"n\">50</td></tr>"),
              std::string::npos);
    // 754.84 within {600, 700, 800, 900}: 50 again; the write transfer 34217.7 in {2e4..5e4}: 50 too.
    EXPECT_NE(html.find("<td class=\"n\">34217.700</td><td class=\"n\">35000.000</td><td class=\"n\">50</td>"),
              std::string::npos);
    EXPECT_NE(html.find("<span class=\"score\">1234</span> over 4 tests. Rank 2 of 3 among the results of this "
                        "card, rank 7 of 10 among all cards."),
              std::string::npos);
    EXPECT_NE(html.find("href=\"/Benchmark/Korvid/Compare/42,40\""), std::string::npos);
    EXPECT_NE(html.find("href=\"/Benchmark/Korvid/Compare/42,7\""), std::string::npos);
    EXPECT_NE(html.find("Video memory</th><td>Unknown"), std::string::npos);
    EXPECT_NE(html.find("23.54 GiB (25276190720 bytes)"), std::string::npos);
    EXPECT_NE(html.find("2023-11-14 22:13 UTC"), std::string::npos);
    // Medians of both drivers with their counts, for the test both measured.
    EXPECT_NE(html.find("<td class=\"n\">1100000.000 <span class=\"note\">(4)</span></td>"
                        "<td class=\"n\">850000.000 <span class=\"note\">(2)</span></td>"),
              std::string::npos);

    // One chart for the one sized group measured, with the band and two line series; the
    // unsized groups get a gauge each.
    const std::regex chart("<svg class=\"chart\"[^]*?</svg>");
    std::vector<std::string> charts;
    for (auto it = std::sregex_iterator(html.begin(), html.end(), chart); it != std::sregex_iterator(); ++it)
        charts.push_back(it->str());
    ASSERT_EQ(charts.size(), 1u);
    EXPECT_EQ(count(charts[0], "<polyline class=\"series\" data-series=\"This result\""), 1);
    EXPECT_EQ(count(charts[0], "<polyline class=\"series\" data-series=\"Cohort median\""), 1);
    EXPECT_EQ(count(charts[0], "<polygon class=\"band\""), 1);
    EXPECT_EQ(count(html, "<svg class=\"gauge\""), 3);  // write, read, random

    const std::string json = resultPageJson(sampleResult());
    EXPECT_NE(json.find("\"name\":\"\\u003cscript\\u003ealert(1)\\u003c/script\\u003e \\u0026 \\\"R\\u0026D\\\"\""),
              std::string::npos);
    EXPECT_NE(json.find("{\"test\":\"FillRect\",\"width\":16,\"height\":16,\"unit\":\"MP_s\",\"value\":252.383,"
                        "\"cohort\":{\"count\":4,\"lower\":200,\"median\":250,\"upper\":300,\"percentile\":50}}"),
              std::string::npos);
}

TEST(PageRendering, ComparePageMarksOnlyChangesBeyondTheFirstCohortsSpread)
{
    const CohortFigure spread{{"FillRect", 16, 16, "Ops_s"}, 5, 90, 100, 110, {}};
    EXPECT_EQ(changeBeyondSpread(100, 115, &spread), Change::None);     // 15 < 20
    EXPECT_EQ(changeBeyondSpread(100, 125, &spread), Change::Faster);
    EXPECT_EQ(changeBeyondSpread(100, 79, &spread), Change::Slower);
    const CohortFigure two{{"FillRect", 16, 16, "Ops_s"}, 2, 99, 100, 101, {}};
    EXPECT_EQ(changeBeyondSpread(100, 500, &two), Change::Unknown);
    EXPECT_EQ(changeBeyondSpread(100, 500, nullptr), Change::Unknown);

    ComparePageData data;
    CompareEntry a, b;
    a.result.id = 1;
    a.result.measurements = {{"FillRect", 16, 16, "Ops_s", 100}, {"Random", 0, 0, "Ops_s", 50}};
    a.cohort = {spread};
    b.result.id = 2;
    b.result.cardName = kEvil;
    b.result.measurements = {{"FillRect", 16, 16, "Ops_s", 125}};
    data.entries = {a, b};
    const std::string html = comparePageHtml(data);
    EXPECT_EQ(html.find("<script"), std::string::npos);
    EXPECT_NE(html.find("<tr><th>FillRect 16x16 Ops/s</th><td class=\"n\">100.000</td><td class=\"n\">125.000 "
                        "<span class=\"note\">×1.25</span> <span class=\"up\" title=\"faster beyond the spread\">▲"
                        "</span></td></tr>"),
              std::string::npos);
    EXPECT_NE(html.find("<tr><th>Random Ops/s</th><td class=\"n\">50.000</td><td class=\"n\">–</td></tr>"),
              std::string::npos);
    EXPECT_NE(comparePageJson(data).find("\"values\":[{\"value\":100,\"ratio\":1,\"change\":\"none\"},"
                                         "{\"value\":125,\"ratio\":1.25,\"change\":\"faster\"}]"),
              std::string::npos);
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
    const DownloadPageData data = scanPackages(folder.string());
    fs::remove_all(folder);

    ASSERT_EQ(data.packages.size(), 2u);
    EXPECT_EQ(data.packages[0].name, "korvid-2.10-win64.zip");
    EXPECT_EQ(data.packages[0].size, 2048u);
    EXPECT_EQ(data.packages[1].version, "2.9");
    EXPECT_EQ(data.packages[1].sha256, "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    const std::string html = downloadPageHtml(data);
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
    IndexPageData index;
    index.search = kEvil;
    index.results = {{9, 1700000000, true, 5, kEvil, "drv 1", "cpu", "Windows 7", 1500.2}};
    index.totalResults = 1;
    const std::string html = indexPageHtml(index, "line 3: " + kEvil);
    EXPECT_EQ(html.find("<script"), std::string::npos);
    EXPECT_NE(html.find("value=\"&lt;script&gt;alert(1)&lt;/script&gt; &amp; &quot;R&amp;D&quot;\""), std::string::npos);
    EXPECT_NE(html.find("<a href=\"/Benchmark/Korvid/Result/9\">9</a> <span class=\"imported\">imported</span>"),
              std::string::npos);
    EXPECT_NE(html.find("<td class=\"n\">1500</td>"), std::string::npos);

    RankingPageData ranking;
    ranking.cards = {{5, kEvil, "", "", 1500, 3}};
    EXPECT_EQ(rankingPageHtml(ranking).find("<script"), std::string::npos);
    EXPECT_NE(rankingPageJson(ranking).find("\"cards\":[{\"graphicsCardId\":5,\"cardName\":\"\\u003cscript"),
              std::string::npos);
    EXPECT_EQ(jsonEscape("a\"b\\c\n\x01"), "\"a\\\"b\\\\c\\n\\u0001\"");
}
