// The result site over a real database of each storage: saved runs imported through the form and
// the import function, then every page read through the handler, as the server serves them.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include <openssl/evp.h>
#include <soci/soci.h>

#include "server/import/TranscriptImport.h"
#include "server/http/ResultSite.h"
#include "server/store/Database.h"
#include "server/store/SociRecordStore.h"
#include "server/store/SociResultQueries.h"
#include "../ServerFixture.h"

namespace {

class ResultSiteTest : public StorageTest {
protected:
    void SetUp() override
    {
        StorageTest::SetUp();
        if (!IsSkipped())
            site_ = std::make_unique<ResultSite>(*queries_, *store_, "/nonexistent/korvid-packages");
    }
    void TearDown() override
    {
        site_.reset();
        StorageTest::TearDown();
    }

    HttpReply get(const std::string& path, const std::string& query = "", const std::string& accept = "text/html")
    {
        HttpRequestView request;
        request.method = "GET";
        request.path = path;
        request.query = query;
        request.accept = accept;
        HttpReply reply;
        EXPECT_TRUE(site_->handle(request, reply));
        return reply;
    }

    HttpReply postForm(const std::string& file, const std::string& login = defaultLogin())
    {
        HttpRequestView request;
        request.method = "POST";
        request.path = "/Benchmark/Korvid/Import";
        request.authorization = login;
        request.contentType = "multipart/form-data; boundary=----korvid7";
        request.body = "------korvid7\r\nContent-Disposition: form-data; name=\"transcript\"; filename=\"a.kvdresult\"\r\n"
                       "Content-Type: application/octet-stream\r\n\r\n" + file + "\r\n------korvid7--\r\n";
        HttpReply reply;
        EXPECT_TRUE(site_->handle(request, reply));
        return reply;
    }

    static std::string defaultLogin()
    {
        const std::string pair = std::string(kClientName) + ":" + kClientKey;
        std::string encoded(4 * ((pair.size() + 2) / 3) + 1, '\0');
        const int length = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(&encoded[0]),
                                           reinterpret_cast<const unsigned char*>(pair.data()),
                                           static_cast<int>(pair.size()));
        return "Basic " + encoded.substr(0, static_cast<std::size_t>(length));
    }

    static std::string header(const HttpReply& reply, const std::string& name)
    {
        for (const auto& [n, v] : reply.headers) {
            if (n == name)
                return v;
        }
        return "";
    }

    std::unique_ptr<ResultSite> site_;
};

} // namespace

TEST_P(ResultSiteTest, ImportedRunsAreScoredRankedAndComparedAsWorkedOutByHand)
{
    // The operator counts imported results here. Two identical GDI runs and a third whose random
    // mix ran twice as many operations. Against the reference's eleven core rates the GDI run
    // scores 1000 x exp(mean ln ratio) = 80877.08 (34217.7 / 18457.1 MiB/s, ..., 145427 / 2589.67
    // Ops/s: an import keeps six significant digits, as an upload does), the third
    // 80877.08 x 2^(1/11) = 86137.41.
    store_->setCountImported(true);
    const std::string gdi = importFixture("gdi-run.kvdresult");
    const HttpReply first = postForm(gdi);
    EXPECT_EQ(first.status, 303);
    EXPECT_EQ(header(first, "Location"), "/Benchmark/Korvid/Result/1");
    // The same file again is the same run; a twin machine with other memory is another.
    EXPECT_EQ(header(postForm(gdi), "Location"), "/Benchmark/Korvid/Result/1");
    std::string twin = gdi;
    twin.replace(twin.find("Total RAM: 23.5403"), 18, "Total RAM: 23.5404");
    EXPECT_EQ(importTranscript(twin, *store_, kImportClientName), 2);
    std::string faster = gdi;
    faster.replace(faster.find("145427.427"), 10, "290854.854");
    EXPECT_EQ(importTranscript(faster, *store_, kImportClientName), 3);

    // Only a known client adds results; the refusals store nothing (three results rank below).
    std::string other = gdi;
    other.replace(other.find("Total RAM: 23.5403"), 18, "Total RAM: 23.5405");
    const HttpReply anonymous = postForm(other, "");
    EXPECT_EQ(anonymous.status, 401);
    EXPECT_EQ(header(anonymous, "WWW-Authenticate"), "Basic realm=\"Korvid results\", charset=\"UTF-8\"");
    EXPECT_EQ(postForm(other, "Basic " + std::string("S29ydmlkOndyb25n")).status, 401);  // Korvid:wrong

    const HttpReply bad = postForm("Hello\r\n");
    EXPECT_EQ(bad.status, 400);
    EXPECT_NE(bad.body.find("The file was not imported: line 1: not a Korvid result file"), std::string::npos);

    const HttpReply page = get("/Benchmark/Korvid/Result/3");
    EXPECT_EQ(page.status, 200);
    EXPECT_EQ(page.contentType, "text/html; charset=utf-8");
    EXPECT_EQ(header(page, "Content-Security-Policy").rfind("default-src 'none'; style-src 'sha256-", 0), 0u);
    EXPECT_NE(page.body.find("<span class=\"score\">86137</span> (score version 1, rated against NVIDIA GeForce "
                             "GTX 470, nvd3dum.dll 30.0.14023.3004, Direct2D, 320x240 32 bpp). Rank 1 of 3 among the "
                             "counted results of this card, rank 1 of 3 among all counted results"),
              std::string::npos);
    EXPECT_NE(page.body.find("imported from a saved transcript"), std::string::npos);
    EXPECT_NE(page.body.find("Graphics system</th><td>GDI"), std::string::npos);
    // Random MPixel/s among 697.21, 697.21 and 697.21 x 1: all in one bin, 50; Ops/s shown.
    EXPECT_NE(page.body.find("<tr><td>Random</td><td class=\"n\">290855</td>"), std::string::npos);
    EXPECT_NE(page.body.find("href=\"/Benchmark/Korvid/Compare/3,1\""), std::string::npos);

    const HttpReply json = get("/Benchmark/Korvid/Result/1.json");
    EXPECT_EQ(json.contentType, "application/json; charset=utf-8");
    EXPECT_NE(json.body.find("\"score\":{\"score\":80877.08"), std::string::npos);
    EXPECT_NE(json.body.find(",\"version\":1,\"rankAmongCard\":2,\"scoredWithCard\":3,\"rankAmongAll\":2,"
                             "\"scoredInAll\":3,\"cohort\":{\"count\":3,"),
              std::string::npos);
    EXPECT_EQ(get("/Benchmark/Korvid/Result/2", "", "application/json").body.front(), '{');

    // A cohort of three is too small for a noise band: the doubled random mix is not marked.
    const HttpReply compare = get("/Benchmark/Korvid/Compare/1,3");
    EXPECT_EQ(compare.status, 200);
    EXPECT_NE(compare.body.find("<tr><th>Random Ops/s</th><td class=\"n\">145427</td><td class=\"n\">290855 "
                                "<span class=\"note\">×2.00</span></td><td class=\"n\">–</td></tr>"),
              std::string::npos);

    const HttpReply index = get("/Benchmark/Korvid/", "q=epyc");
    EXPECT_EQ(index.status, 200);
    EXPECT_NE(index.body.find("3 results of the Korvid"), std::string::npos);
    EXPECT_EQ(get("/Benchmark/Korvid/", "q=no+such+card").body.find("/Benchmark/Korvid/Result/1\""), std::string::npos);

    // The ranking defines its score where it links "score" to, on the page itself; the card's
    // median of 80877, 80877 and 86137 is read from 0.1 % bins.
    const HttpReply ranking = get("/Benchmark/Korvid/Ranking");
    EXPECT_TRUE(std::regex_search(ranking.body, std::regex(">NVIDIA GeForce GTX 470</a></td><td class=\"n\">808[5-9][0-9]"
                                                           "</td><td class=\"n\">808[5-9][0-9]</td><td class=\"n\">8[0-9]{4}</td>"
                                                           "<td class=\"n\">3</td>")));
    EXPECT_NE(ranking.body.find("<a href=\"#score\">score</a>"), std::string::npos);
    EXPECT_NE(ranking.body.find("<p class=\"note\" id=\"score\">The score is 1000 times the geometric mean"),
              std::string::npos);
    EXPECT_NE(get("/Benchmark/Korvid/Ranking.json").body.find("\"ranked\":[{\"graphicsCardId\":"), std::string::npos);
}

TEST_P(ResultSiteTest, ImportedResultsAreShownButNotCountedUnlessTheOperatorSaysSo)
{
    const std::string gdi = importFixture("gdi-run.kvdresult");
    EXPECT_EQ(importTranscript(gdi, *store_, kImportClientName), 1);
    const HttpReply page = get("/Benchmark/Korvid/Result/1");
    EXPECT_NE(page.body.find("<span class=\"score\">80877</span>"), std::string::npos);
    EXPECT_NE(page.body.find("<p class=\"imported\">Imported from a saved transcript: shown, but left out"),
              std::string::npos);
    EXPECT_EQ(page.body.find("Rank "), std::string::npos);
    EXPECT_NE(page.body.find("1 result, 0 of them counted"), std::string::npos);
    const HttpReply ranking = get("/Benchmark/Korvid/Ranking.json");
    EXPECT_NE(ranking.body.find("\"ranked\":[],\"unranked\":[]"), std::string::npos);
    EXPECT_NE(get("/Benchmark/Korvid/").body.find("<span class=\"imported\">imported</span>"), std::string::npos);
}

TEST_P(ResultSiteTest, AResultShowsEveryRecordItNamesTwoLevelsDeep)
{
    // The transcript's system and card lines, each read back from the record that holds it: the
    // OS's name through its version's reference, the driver library's name through its version's.
    EXPECT_EQ(importTranscript(importFixture("gdi-run.kvdresult"), *store_, kImportClientName), 1);
    const std::string json = get("/Benchmark/Korvid/Result/1.json", "", "application/json").body;
    const std::string page = get("/Benchmark/Korvid/Result/1").body;
    for (const char* expected : {
             // The import takes the OS line's first word as the system's name, the rest as its version.
             "\"osName\":\"Windows\",\"osVersion\":\"7 Professional Service Pack 1 (build 7601)\"",
             "\"motherboard\":\"Wine\",\"motherboardManufacturer\":\"The Wine Project\"",
             "\"productId\":\"0x6cd\",\"vendorId\":\"0x10de\",\"subProductId\":\"0x0\",\"subVendorId\":\"0x0\"",
             "\"driverLibraries\":[{\"name\":\"nvd3dum.dll\",\"version\":\"30.0.14023.3004\"}]",
         })
        EXPECT_NE(json.find(expected), std::string::npos) << expected << "\n" << json.substr(0, 1500);
    EXPECT_NE(page.find("<tr><th>Card IDs</th><td>Product ID 0x6cd, Vendor ID 0x10de, SubProduct ID 0x0, "
                        "SubVendor ID 0x0</td></tr>"),
              std::string::npos);
}

TEST_P(ResultSiteTest, UnknownAndMalformedAddressesGetTheNotFoundPage)
{
    importTranscript(importFixture("gdi-run.kvdresult"), *store_, kImportClientName);
    for (const std::string path : {"/Benchmark/Korvid/Result/999", "/Benchmark/Korvid/Result/abc",
                                   "/Benchmark/Korvid/Result/-1", "/Benchmark/Korvid/Result/99999999999",
                                   "/Benchmark/Korvid/Compare/1", "/Benchmark/Korvid/Compare/1,x",
                                   "/Benchmark/Korvid/Card/1", "/Benchmark/Korvid/Nothing", "/elsewhere"}) {
        const HttpReply reply = get(path);
        EXPECT_EQ(reply.status, 404) << path;
        EXPECT_NE(reply.body.find("<h1>Not found</h1>"), std::string::npos) << path;
        EXPECT_FALSE(header(reply, "Content-Security-Policy").empty());
    }
    EXPECT_EQ(get("/Benchmark/Korvid/Result/999.json").body, "{\"error\":\"There is no result 999.\"}\n");
    // One result twice is no comparison; an ID is written one way, other ways are redirected.
    EXPECT_EQ(get("/Benchmark/Korvid/Compare/1,1").status, 404);
    const HttpReply padded = get("/Benchmark/Korvid/Result/01");
    EXPECT_EQ(padded.status, 301);
    EXPECT_EQ(header(padded, "Location"), "/Benchmark/Korvid/Result/1");
    EXPECT_EQ(header(get("/Benchmark/Korvid/Result/001.json"), "Location"), "/Benchmark/Korvid/Result/1.json");
    EXPECT_EQ(header(get("/Benchmark/Korvid/Compare/02,0001"), "Location"), "/Benchmark/Korvid/Compare/2,1");
    EXPECT_EQ(get("/Benchmark/Korvid/Result/0").status, 404);
    // The list's check boxes and typed IDs lead to the comparison's own address.
    const HttpReply checked = get("/Benchmark/Korvid/Compare", "id=3&id=1&ids=");
    EXPECT_EQ(checked.status, 303);
    EXPECT_EQ(header(checked, "Location"), "/Benchmark/Korvid/Compare/3,1");
    EXPECT_EQ(header(get("/Benchmark/Korvid/Compare", "ids=+12%2C+15+40,"), "Location"),
              "/Benchmark/Korvid/Compare/12,15,40");
    // HTML and JSON share addresses: Accept decides by its quality values.
    EXPECT_EQ(header(get("/Benchmark/Korvid/Ranking"), "Vary"), "Accept");
    EXPECT_EQ(get("/Benchmark/Korvid/Ranking", "", "text/html;q=0.5, application/json").body.front(), '{');
    EXPECT_EQ(get("/Benchmark/Korvid/Ranking", "", "application/json;q=0.5, text/html").body.front(), '<');
    EXPECT_EQ(get("/Benchmark/Korvid/Ranking", "", "text/html, application/json").body.front(), '<');
    EXPECT_EQ(get("/Benchmark/Korvid/Ranking", "", "*/*").body.front(), '<');
    EXPECT_EQ(get("/Benchmark/Korvid/Ranking", "", "application/*").body.front(), '{');
    EXPECT_EQ(get("/Benchmark/Korvid/Downloads").status, 200);
    EXPECT_EQ(get("/").status, 302);
}

INSTANTIATE_TEST_SUITE_P(Storages, ResultSiteTest, ::testing::Values(Storage::SQLite, Storage::PostgreSQL),
                         storageName);

TEST_P(ResultSiteTest, TheImportCommandStoresEachReadableFileAndNamesTheLineOfTheOthers)
{
    const std::filesystem::path folder = std::filesystem::temp_directory_path() /
                                         ("korvid-import-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    const std::string gdi = importFixture("gdi-run.kvdresult");
    const auto write = [&folder](const std::string& name, const std::string& text) {
        std::ofstream((folder / name).string(), std::ios::binary) << text;
        return (folder / name).string();
    };
    std::string badMode = gdi;
    badMode.replace(badMode.find("Display mode: 320x240@0"), 23, "Display mode: big");
    const std::vector<std::string> files = {write("good.kvdresult", gdi), write("bad.kvdresult", badMode),
                                            write("cut.kvdresult", gdi.substr(0, gdi.find("Board name:"))),
                                            (folder / "missing.kvdresult").string(),
                                            write("d2d.kvdresult", importFixture("d2d-run.kvdresult"))};
    std::ostringstream out, err;
    EXPECT_EQ(runImport(files, *store_, out, err), 1);
    EXPECT_EQ(out.str(), files[0] + ": stored as result 1, 28 rates of NVIDIA GeForce GTX 470\n" + files[4] +
                             ": stored as result 2, 28 rates of NVIDIA GeForce GTX 470\n");
    EXPECT_EQ(err.str(), files[1] + ":27: the display mode is not \"WxH@R (B bpp)\"\n" + files[2] +
                             ":22: the file ends where the graphics card's name (\"Board name: \") was expected\n" +
                             files[3] + ": cannot be read as a saved result file\n");
    std::ostringstream again;
    EXPECT_EQ(runImport({files[0]}, *store_, again, again), 0);
    EXPECT_EQ(again.str(), files[0] + ": already stored as result 1, 28 rates of NVIDIA GeForce GTX 470\n");
    std::filesystem::remove_all(folder);

    // Nothing of the refused files stayed, and the file sent twice is one result: two
    // results, each with its 28 rates.
    Database::Lease lease(*database_);
    int results = 0, measurements = 0, imported = 0;
    *lease << "SELECT COUNT(*), SUM(imported) FROM results", soci::into(results), soci::into(imported);
    *lease << "SELECT COUNT(*) FROM measurements", soci::into(measurements);
    EXPECT_EQ(results, 2);
    EXPECT_EQ(imported, 2);
    EXPECT_EQ(measurements, 2 * 28);
    EXPECT_NE(get("/Benchmark/Korvid/Result/2").body.find("imported from a saved transcript"), std::string::npos);
}
