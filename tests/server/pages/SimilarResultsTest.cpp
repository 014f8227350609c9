// A result's similar results over a real database of each storage: the same card under other
// drivers and in other modes and graphics systems, the same processor and OS, each counted, linked
// to the list filtered that way and with the results nearest by ID.
#include <gtest/gtest.h>

#include <regex>

#include "SiteFixture.h"

namespace {

const std::string kOtherCpu = "CPU: Xeon <i>\"&, Model 1 Stepping 2 @ 3.0 GHz";

class SimilarResultsTest : public SiteTest {
protected:
    // The GDI run under another driver, display mode, processor or OS; a machine of its own.
    void importVariant(const std::string& driver, int machine, const std::string& mode, bool otherCpu, bool win10)
    {
        std::string run = gdi_;
        run.replace(run.find("30.0.14023.3004"), 15, driver);
        run.replace(run.find("Total RAM: 23.5403"), 18, "Total RAM: 23.54" + std::to_string(10 + machine));
        run.replace(run.find("Display mode: 320x240"), 21, "Display mode: " + mode);
        if (otherCpu)
            run.replace(run.find("CPU: AMD EPYC, Model 49 Stepping 0 @ 2.245 GHz"), 46, kOtherCpu);
        if (win10)
            run.replace(run.find("Windows 7 Professional"), 22, "Windows 10 Pro");
        EXPECT_GT(importTranscript(run, *store_, kImportClientName), 0);
    }

    void SetUp() override
    {
        SiteTest::SetUp();
        if (IsSkipped())
            return;
        const std::string a = "30.0.14023.3004", b = "30.0.9.1", c = "31.0.1.1";
        importVariant(a, 1, "320x240", false, false);  // 1
        importVariant(b, 2, "320x240", false, false);  // 2
        importVariant(a, 3, "640x480", false, true);   // 3
        importVariant(c, 4, "320x240", true, false);   // 4
        importVariant(a, 5, "320x240", false, false);  // 5: the one looked at
        importVariant(b, 6, "640x480", true, true);    // 6
        EXPECT_EQ(importTranscript(importFixture("d2d-run.kvdresult"), *store_, kImportClientName), 7);  // Direct2D, driver a
        importVariant(a, 8, "320x240", false, false);   // 8
        importVariant(a, 9, "320x240", false, false);   // 9
        importVariant(b, 10, "320x240", false, false);  // 10
        queries_->refreshStatistics();
    }

    std::string column(const char* name, int id)
    {
        std::string value;
        database_->withSession([&](soci::session& s) {
            s << std::string("SELECT ") + name + " FROM results WHERE id = " + std::to_string(id), soci::into(value);
            return 0;
        });
        return value;
    }

    std::vector<int> nearestIn(const std::string& json, const std::string& group)
    {
        std::vector<int> ids;
        std::smatch m;
        if (!std::regex_search(json, m, std::regex("\"" + group + "\":\\{[^]*?\"nearest\":\\[([^\\]]*)\\]")))
            return {-1};
        const std::string list = m[1].str();
        const std::regex id("\\{\"id\":([0-9]+),");
        for (auto it = std::sregex_iterator(list.begin(), list.end(), id); it != std::sregex_iterator(); ++it)
            ids.push_back(std::stoi((*it)[1]));
        return ids;
    }
};

} // namespace

TEST_P(SimilarResultsTest, CardDriversModesProcessorAndOsCountedLinkedAndNearestById)
{
    const std::string card = std::to_string(std::stoi(column("CAST(graphics_card_id AS TEXT)", 5)));
    const std::string epyc = column("cpu_name", 5), win7 = column("os_text", 5);
    ASSERT_FALSE(epyc.empty());
    ASSERT_NE(epyc, column("cpu_name", 4));
    ASSERT_NE(win7, column("os_text", 3));

    const std::string json = get("/Benchmark/Korvid/Result/5.json").body;
    // Other drivers in GDI 320x240x32: 2 and 10 (b), 4 (c); its own cohort (1, 8, 9) is not among them.
    EXPECT_NE(json.find("\"otherDrivers\":{\"drivers\":2,\"list\":\"/Benchmark/Korvid/?card=" + card +
                        "\\u0026system=GDI\\u0026mode=320x240x32\",\"count\":3,"),
              std::string::npos)
        << json.substr(json.find("\"similar\""));
    EXPECT_EQ(nearestIn(json, "otherDrivers"), (std::vector<int>{2, 4, 10}));
    // Other modes and systems: GDI 640x480 (3, 6), Direct2D 320x240 (7), most results first.
    EXPECT_NE(json.find("\"modes\":[{\"graphicsSystem\":\"GDI\",\"width\":640,\"height\":480,\"bitsPerPixel\":32,"
                        "\"count\":2,\"list\":\"/Benchmark/Korvid/?card=" + card +
                        "\\u0026system=GDI\\u0026mode=640x480x32\"},{\"graphicsSystem\":\"Direct2D\",\"width\":320,"),
              std::string::npos);
    EXPECT_EQ(nearestIn(json, "otherModes"), (std::vector<int>{3, 6, 7}));
    // The same processor: 1, 2, 3, 7, 8, 9, 10 (seven); the five nearest to 5 by ID are 3 and 7 (2
    // away), 2 and 8 (3), then 1 before 9 (4 away, the lower ID first).
    EXPECT_NE(json.find("\"processor\":{\"name\":\"" + epyc + "\",\"list\":\"/Benchmark/Korvid/?processor="),
              std::string::npos);
    EXPECT_NE(json.find("\"count\":7,\"countCapped\":false,\"nearest\":[{\"id\":1,"), std::string::npos);
    EXPECT_EQ(nearestIn(json, "processor"), (std::vector<int>{1, 2, 3, 7, 8}));
    // The same OS: 1, 2, 4, 7, 8, 9, 10; nearest 4 (1 away), 7, 2, 8, 1.
    EXPECT_EQ(nearestIn(json, "os"), (std::vector<int>{1, 2, 4, 7, 8}));

    const std::string html = get("/Benchmark/Korvid/Result/5").body;
    EXPECT_NE(html.find("<h2 id=\"similar\">Similar results</h2>"), std::string::npos);
    EXPECT_NE(html.find("3 results of 2 other drivers in GDI, 320x240, 32 bpp: <a href=\"/Benchmark/Korvid/?card=" +
                        card + "&amp;system=GDI&amp;mode=320x240x32\">every result of this card in this mode</a>."),
              std::string::npos);
    EXPECT_NE(html.find("3 results: <a href=\"/Benchmark/Korvid/?card=" + card +
                        "&amp;system=GDI&amp;mode=640x480x32\">GDI, 640x480, 32 bpp, 2 results</a>; "),
              std::string::npos);
    EXPECT_NE(html.find("<li><a href=\"/Benchmark/Korvid/Result/7\">Result 7</a>: NVIDIA GeForce GTX 470 · "),
              std::string::npos);

    // Each link's list finds what the group counts, the result itself included.
    EXPECT_EQ(matched("card=" + card + "&system=GDI&mode=640x480x32"), "2");
    EXPECT_EQ(matched("card=" + card + "&system=GDI&mode=320x240x32"), "7");
    std::smatch link;
    ASSERT_TRUE(std::regex_search(html, link, std::regex("<a href=\"/Benchmark/Korvid/\\?(processor=[^\"]*)\">list them")));
    EXPECT_EQ(matched(link[1].str()), "8");
    ASSERT_TRUE(std::regex_search(html, link, std::regex("<a href=\"/Benchmark/Korvid/\\?(os=[^\"]*)\">list them")));
    EXPECT_EQ(matched(link[1].str()), "8");

    // A processor named with markup: escaped on the page, percent-encoded in its list's address.
    const std::string other = get("/Benchmark/Korvid/Result/4").body;
    EXPECT_EQ(other.find("Xeon <i>"), std::string::npos);
    EXPECT_NE(other.find("1 other result with the processor “Xeon &lt;i&gt;&quot;&amp;"), std::string::npos);
    EXPECT_NE(other.find("?processor=Xeon%20%3Ci%3E%22%26"), std::string::npos);
    EXPECT_NE(other.find("<li><a href=\"/Benchmark/Korvid/Result/6\">Result 6</a>"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Storages, SimilarResultsTest, ::testing::Values(Storage::SQLite, Storage::PostgreSQL),
                         storageName);
