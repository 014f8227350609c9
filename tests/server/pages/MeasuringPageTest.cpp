// The "How it is measured" page: the sizes and the random mix's largest square by display mode
// worked out by hand from the run's rules, the page's own worked figures, and links that lead
// somewhere on it.
#include <gtest/gtest.h>

#include <regex>
#include <set>

#include "server/pages/MeasuringPage.h"
#include "server/pages/PageFrame.h"

namespace {

struct ModeCase {
    int width, height;
    std::vector<int> sizes;
    int mixLargest;
};

} // namespace

TEST(MeasuringPage, SizesAndTheRandomMixFollowTheDisplayMode)
{
    const std::vector<int> to128 = {16, 32, 64, 128}, to256 = {16, 32, 64, 128, 256},
                           to512 = {16, 32, 64, 128, 256, 512}, to1024 = {16, 32, 64, 128, 256, 512, 1024};
    const ModeCase cases[] = {
        {320, 240, to128, 128},     // 220 below the strip: 256 does not fit
        {640, 480, to256, 256},
        {1024, 768, to512, 512},
        {1280, 1024, to512, 512},   // 1004 below the strip
        {1920, 1080, to1024, 1024}, // 1060 below the strip
        {1920, 1200, to1024, 1024},
        {1280, 1044, to1024, 512},  // exactly 1024 below the strip: the mix stays below it
        {1024, 1200, to1024, 512},  // exactly 1024 wide: the same on the other side
        {4000, 3000, to1024, 1024}, // both capped at 1024
        {600, 35, {}, 8},           // 15 pixels below the strip: nothing fits
    };
    for (const ModeCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
        EXPECT_EQ(squareSizesFor(c.width, c.height), c.sizes);
        EXPECT_EQ(randomMixLargestSquare(c.width, c.height), c.mixLargest);
    }
    // GDI's strip follows the system font: 24 pixels leave 1000 of 1024.
    EXPECT_EQ(squareSizesFor(1280, 1024, 24), to512);
    EXPECT_EQ(squareSizesFor(1280, 1048, 24), to1024);
}

TEST(MeasuringPage, SaysWhatEachTestDrawsWithTheConsolesNamesAndWorkedFigures)
{
    const std::string html = measuringPageHtml();
    for (const char* name : {"WritePixelArray", "ReadPixelArray", "FillRect", "BltBitMap", "OverlappedBltBitMap",
                             "Composite", "CompositeSrcMask", "Random"})
        EXPECT_NE(html.find("<tr><th id=\"test-" + std::string(name) + "\">" + name + "</th>"), std::string::npos)
            << name;
    EXPECT_EQ(html.find("BlitRect"), std::string::npos);  // the field's name, not the console's
    EXPECT_NE(html.find("A <b>MPixel</b> (megapixel) is 2<sup>20</sup> = 1048576 pixels, and a <b>MiB</b> is "
                        "2<sup>20</sup> = 1048576 bytes."),
              std::string::npos);
    EXPECT_NE(html.find("FillRect 64x64 at 400000 Ops/s is 400000 × 4096 / 1048576 = 1562.5 MPixel/s."),
              std::string::npos);
    EXPECT_NE(html.find("<tr><td>1280x1024</td><td>16–512 (6 sizes)</td><td class=\"n\">512</td></tr>"),
              std::string::npos);
    EXPECT_NE(html.find("<tr><td>320x240</td><td>16–128 (4 sizes)</td><td class=\"n\">128</td></tr>"),
              std::string::npos);
    // The mix: 1 + 1 + 5 × 20 places, the last empty under GDI.
    EXPECT_NE(html.find("a list of 102 places"), std::string::npos);
    EXPECT_NE(html.find("<tr><td>ReadPixelArray</td><td class=\"n\">1</td><td>the same</td></tr>"), std::string::npos);
    EXPECT_NE(html.find("<tr><td>CompositeSrcMask</td><td class=\"n\">20</td><td>nothing (an empty operation)</td></tr>"),
              std::string::npos);
    // The program's own figures (measuring/MeasuringPlan.h), written out here as it runs them.
    EXPECT_NE(html.find("Each size starts with 10000 operations (OverlappedBltBitMap 20000, Random 80000)"),
              std::string::npos);
    EXPECT_NE(html.find("The transfers start with 16588800 bytes a pass and grow the same way. A test still too "
                        "short after 11 runs gives up"),
              std::string::npos);
    EXPECT_NE(html.find("run at N = 16, 32, 64 and so on"), std::string::npos);
    EXPECT_NE(html.find("its squares run from 16"), std::string::npos);
    // The score: the eleven core tests and version 1's reference rates as uploaded.
    EXPECT_NE(html.find("on 11 <b>core tests</b>"), std::string::npos);
    EXPECT_NE(html.find("FillRect 128x128 Ops/s, BltBitMap 16x16 Ops/s"), std::string::npos);
    EXPECT_NE(html.find("BltBitMap 128x128 Ops/s and Random Ops/s."), std::string::npos);
    EXPECT_NE(html.find("<tr><td>WritePixelArray MiB/s</td><td class=\"n\">18457.1</td></tr>"), std::string::npos);
    EXPECT_NE(html.find("<tr><td>FillRect 128x128 Ops/s</td><td class=\"n\">998.004</td></tr>"), std::string::npos);
    EXPECT_NE(html.find("(the p-value of its z), with at least 5 counted results on each side"), std::string::npos);
    EXPECT_NE(html.find("judged against the first one's cohort (at least 6 counted results)"), std::string::npos);
    EXPECT_NE(html.find("<title>How it is measured – Korvid results</title>"), std::string::npos);

    // Every link within the page leads to an element of the page.
    std::set<std::string> ids;
    const std::regex id("id=\"([^\"]+)\""), anchor("href=\"#([^\"]+)\"");
    for (auto it = std::sregex_iterator(html.begin(), html.end(), id); it != std::sregex_iterator(); ++it)
        ids.insert((*it)[1]);
    int anchors = 0;
    for (auto it = std::sregex_iterator(html.begin(), html.end(), anchor); it != std::sregex_iterator(); ++it, ++anchors)
        EXPECT_TRUE(ids.count((*it)[1])) << (*it)[1];
    EXPECT_GE(anchors, 10);
}

TEST(MeasuringPage, JsonCarriesThePagesFiguresAndEveryPageLinksToIt)
{
    const std::string json = measuringPageJson();
    EXPECT_EQ(json.rfind("{\"units\":{\"pixelsPerMPixel\":1048576,\"bytesPerMiB\":1048576},\"example\":"
                         "{\"test\":\"FillRect 64x64 Ops/s\",\"opsPerSecond\":400000,\"side\":64,"
                         "\"mpixelsPerSecond\":1562.5},",
                         0),
              0u)
        << json;
    EXPECT_NE(json.find("{\"name\":\"BltBitMap\",\"field\":\"BlitRect\",\"sized\":true,"), std::string::npos);
    EXPECT_NE(json.find("{\"width\":1280,\"height\":1024,\"sizes\":[16,32,64,128,256,512],\"randomMixLargest\":512}"),
              std::string::npos);
    EXPECT_NE(json.find("\"randomMix\":{\"entries\":102,\"places\":[{\"name\":\"WritePixelArray\",\"weight\":1,"),
              std::string::npos);
    EXPECT_NE(json.find("\"giveUpAfterRuns\":11,\"transferStartBytes\":16588800,\"startCounts\":{\"FillRect\":10000,"
                        "\"BltBitMap\":10000,\"OverlappedBltBitMap\":20000,\"Composite\":10000,"
                        "\"CompositeSrcMask\":10000,\"Random\":80000}"),
              std::string::npos)
        << json;
    EXPECT_NE(json.find("\"sizes\":{\"smallest\":16,\"largest\":1024,"), std::string::npos);
    EXPECT_NE(json.find("{\"test\":\"Random Ops/s\",\"value\":2589.67}]"), std::string::npos);

    const std::string link = "<a href=\"/Benchmark/Korvid/Measuring\">How it is measured</a></header>";
    EXPECT_NE(pageFrame("Any page", "<p>body</p>").find(link), std::string::npos);
    EXPECT_NE(scoreDefinitionHtml().find("<a href=\"/Benchmark/Korvid/Measuring#score\">"), std::string::npos);
}
