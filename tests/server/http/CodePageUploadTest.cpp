// Results of machines whose ANSI code page is not Windows-1252, sent by the program's own
// client: their description records are read in the page the result names.
#include <memory>
#include <string>

#include <gtest/gtest.h>
#include <httplib.h>

#include "../ServerFixture.h"
#include "client/BenchmarkClient.h"
#include "results/BCCPUObj.h"
#include "results/BCGraphicsCardObj.h"
#include "results/BCLibraryVersionObj.h"
#include "results/BCMotherboardObj.h"
#include "results/BCOperatingSysVersionObj.h"

namespace {

const char* const kPageBase = "http://localhost/Benchmark/Korvid/Result/";

// "10 Корпоративная (build 19045)" and a board "Ноутбук" in Windows-1251, as the program
// sends them from a Russian Windows.
const char* const kCyrillicOS = "10 \xCA\xEE\xF0\xEF\xEE\xF0\xE0\xF2\xE8\xE2\xED\xE0\xFF (build 19045)";
const char* const kCyrillicBoard = "\xCD\xEE\xF3\xF2\xE1\xF3\xEA";

struct Upload {
    std::string os = kCyrillicOS;
    std::string board = kCyrillicBoard;
    std::string cpu = "Intel(R) Core(TM) i5-8250U CPU @ 1.60GHz";
    const char* codePage = "1251";  // none: a program from before the field
    const char* fillRate = "1234.5";
};

int32_t upload(ServerUnderTest& server, const Upload& u)
{
    BenchmarkClient client("KorvidResult", server.apiURL(), kClientName, kClientKey, kPageBase,
                           "Korvid/2.9 (Windows)");
    client.addSubObject("OperatingSystem", std::make_shared<BCOperatingSysVersionObj>("Windows", u.os));
    client.addSubObject("Processor", std::make_shared<BCCPUObj>(u.cpu));
    client.addSubObject("Motherboard", std::make_shared<BCMotherboardObj>(u.board, "LENOVO"));
    client.addSubObject("GraphicsCard", std::make_shared<BCGraphicsCardObj>(
                                            "Intel(R) UHD Graphics 620", "", 0x5917, 0x8086, 0x2249, 0x17AA));
    auto drivers = std::make_shared<BCObjectCollection>("DriverLibraries", "BenchmarkLibraryVersion");
    drivers->addObject(std::make_shared<BCLibraryVersionObj>("igdumdim64.dll", "26.20.100.7262"));
    client.addSubObjectCollection(drivers);
    auto root = client.getRootObject();
    root->addField("ProcessorVersion", "", 1);
    root->addField("RAMSize", "8589934592", 1);
    if (u.codePage)
        root->addField("CodePage", u.codePage, 1);
    root->addField("DisplayWidth", "1920", 1);
    root->addField("DisplayHeight", "1080", 1);
    root->addField("RefreshRate", "60", 1);
    root->addField("BitsPerPixel", "32", 1);
    root->addField("FillRect_16x16_Ops_s", u.fillRate, 1);
    std::string page;
    EXPECT_TRUE(client.submitResult(page, nullptr, 0)) << page;
    return std::stoi(page.substr(std::string(kPageBase).size()));
}

using CodePageUploadTest = ServerTest;

std::string osText(ServerUnderTest& server, int32_t id)
{
    Database::Lease lease(server.database());
    std::string os;
    *lease << "SELECT os_text FROM results WHERE id = :id", soci::use(id), soci::into(os);
    return os;
}

long long recordsHolding(ServerUnderTest& server, const std::string& value)
{
    Database::Lease lease(server.database());
    long long n = -1;
    *lease << "SELECT COUNT(*) FROM record_fields WHERE value = :v", soci::use(value), soci::into(n);
    return n;
}

} // namespace

TEST_P(CodePageUploadTest, StoresAndShowsTheNamesOfAWindows1251Machine)
{
    const int32_t id = upload(*server_, Upload());
    EXPECT_EQ(osText(*server_, id), "Windows 10 Корпоративная (build 19045)");
    EXPECT_EQ(recordsHolding(*server_, "10 Корпоративная (build 19045)"), 1);
    EXPECT_EQ(recordsHolding(*server_, "Ноутбук"), 1);
    EXPECT_EQ(recordsHolding(*server_, "10 Êîðïîðàòèâíàÿ (build 19045)"), 0);

    httplib::Client web(server_->baseURL());
    const std::string address = "/Benchmark/Korvid/Result/" + std::to_string(id);
    const auto html = web.Get(address.c_str());
    ASSERT_TRUE(html);
    EXPECT_NE(html->body.find("Windows 10 Корпоративная (build 19045)"), std::string::npos);
    const auto json = web.Get((address + ".json").c_str());
    ASSERT_TRUE(json);
    EXPECT_NE(json->body.find("\"osVersion\":\"10 Корпоративная (build 19045)\""), std::string::npos)
        << json->body.substr(0, 400);
    EXPECT_NE(json->body.find("\"motherboard\":\"Ноутбук\""), std::string::npos);

    // The machine's next run finds every description record by the bytes it sends.
    const long long records = server_->count("SELECT COUNT(*) FROM records");
    Upload nextRun;
    nextRun.fillRate = "1201.25";
    const int32_t next = upload(*server_, nextRun);
    EXPECT_NE(next, id);
    EXPECT_EQ(server_->count("SELECT COUNT(*) FROM records"), records);
    EXPECT_EQ(osText(*server_, next), "Windows 10 Корпоративная (build 19045)");
}

TEST_P(CodePageUploadTest, KeepsTheBytesOfWindows1252MachinesAndReadsEachRecordOnce)
{
    // Windows-1252, named or not: stored exactly as before the field.
    Upload western;
    western.os = "7 \xC9" "dition Familiale Premium (build 7601)";
    western.board = "\xC0 la carte";  // 0xC0 is Ą in Windows-1257
    western.cpu = "Intel(R) Core(TM) i7 \xAE";
    western.codePage = "1252";
    const int32_t first = upload(*server_, western);
    EXPECT_EQ(osText(*server_, first), "Windows 7 Édition Familiale Premium (build 7601)");
    EXPECT_EQ(recordsHolding(*server_, "Intel(R) Core(TM) i7 \xC2\xAE"), 1);

    // A record a Windows-1252 result claimed stays as it is when a result of another page
    // names the same bytes.
    Upload baltic = western;
    baltic.codePage = "1257";
    const int32_t second = upload(*server_, baltic);
    EXPECT_EQ(osText(*server_, second), "Windows 7 Édition Familiale Premium (build 7601)");
    EXPECT_EQ(recordsHolding(*server_, "À la carte"), 1);

    // A program from before the field: read as Windows-1252, as always; the first result that
    // names the page reads the same records again, in Cyrillic.
    Upload older;
    older.codePage = nullptr;
    const int32_t third = upload(*server_, older);
    EXPECT_EQ(osText(*server_, third), "Windows 10 Êîðïîðàòèâíàÿ (build 19045)");
    const int32_t fourth = upload(*server_, Upload());
    EXPECT_EQ(osText(*server_, fourth), "Windows 10 Корпоративная (build 19045)");
    EXPECT_EQ(recordsHolding(*server_, "Ноутбук"), 1);
}

INSTANTIATE_TEST_SUITE_P(Storages, CodePageUploadTest, testing::Values(Storage::SQLite, Storage::PostgreSQL),
                         storageName);
