#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>
#include <httplib.h>

#include "../ServerFixture.h"
#include "client/BenchmarkClient.h"
#include "results/BCCPUObj.h"
#include "results/BCException.h"
#include "results/BCGraphicsCardObj.h"
#include "results/BCLibraryVersionObj.h"
#include "results/BCMotherboardObj.h"
#include "results/BCOperatingSysVersionObj.h"
#include "server/protocol/DocumentParser.h"

namespace {

const char* const kPageBase = "http://localhost/Benchmark/Korvid/Result/";

struct Machine {
    std::string card = "Wine GPU";
    uint32_t productID = 0x0A20;
    std::string boardMaker = "ASUSTeK";
    std::string driverVersion = "8.0.1";
    std::string randomRate = "99";
};

// A result tree as korvid.exe builds it: description records, both library collections,
// machine fields and measurements of two groups at two sizes plus the random mix.
std::shared_ptr<BCObject> resultTree(BenchmarkClient& client, const Machine& machine)
{
    client.addSubObject("OperatingSystem",
                        std::make_shared<BCOperatingSysVersionObj>("Windows", "6.1.7601 SP1"));
    client.addSubObject("Processor", std::make_shared<BCCPUObj>("Intel(R) Core(TM) i7 \xAE"));
    client.addSubObject("Motherboard", std::make_shared<BCMotherboardObj>("P8P67", machine.boardMaker));
    client.addSubObject("GraphicsCard", std::make_shared<BCGraphicsCardObj>(
                                            machine.card, "", machine.productID, 0x10DE, 0, 0));
    auto drivers = std::make_shared<BCObjectCollection>("DriverLibraries", "BenchmarkLibraryVersion");
    drivers->addObject(std::make_shared<BCLibraryVersionObj>("wined3d.dll", machine.driverVersion));
    client.addSubObjectCollection(drivers);
    auto libraries = std::make_shared<BCObjectCollection>("Libraries", "BenchmarkLibraryVersion");
    libraries->addObject(std::make_shared<BCLibraryVersionObj>("kernel32.dll", "6.1.7601.17514"));
    libraries->addObject(std::make_shared<BCLibraryVersionObj>("gdi32.dll", "6.1.7601.17514"));
    client.addSubObjectCollection(libraries);
    auto root = client.getRootObject();
    root->addField("RAMSize", "4096", 1);
    root->addField("DisplayWidth", "320", 1);
    root->addField("DisplayHeight", "240", 1);
    root->addField("RefreshRate", "60", 1);
    root->addField("BitsPerPixel", "32", 1);
    for (const char* test : {"FillRect_", "BlitRect_"}) {
        for (const char* size : {"16x16", "32x32"}) {
            root->addField(std::string(test) + size + "_Ops_s", "1234.5", 1);
            root->addField(std::string(test) + size + "_MP_s", "0.5", 1);
        }
    }
    root->addField("Random_Ops_s", machine.randomRate, 1);
    root->addField("Random_MP_s", "1e+06", 1);
    return root;
}

std::unique_ptr<BenchmarkClient> client(const ServerUnderTest& server, const std::string& key = kClientKey)
{
    return std::make_unique<BenchmarkClient>("KorvidResult", server.apiURL(), kClientName, key,
                                             kPageBase, "Korvid/2.9 (Windows)");
}

int32_t upload(const ServerUnderTest& server, const Machine& machine, std::shared_ptr<BCObject>* rootOut = nullptr)
{
    auto c = client(server);
    auto root = resultTree(*c, machine);
    std::string page;
    EXPECT_TRUE(c->submitResult(page, nullptr, 0)) << page;
    if (rootOut)
        *rootOut = root;
    return std::stoi(page.substr(std::string(kPageBase).size()));
}

using ClientAgainstServerTest = ServerTest;

} // namespace

TEST_P(ClientAgainstServerTest, StoresAFullResultAndSharesItsDescriptionRecords)
{
    std::shared_ptr<BCObject> first;
    const int32_t id = upload(*server_, Machine(), &first);
    EXPECT_EQ(1, server_->count("SELECT COUNT(*) FROM results"));
    // OS and its version, CPU, board, card, three libraries and their three versions.
    EXPECT_EQ(11, server_->count("SELECT COUNT(*) FROM records"));
    // The five machine fields; the ten rates are kept by their test codes (the measurements view).
    EXPECT_EQ(5, server_->count("SELECT COUNT(*) FROM result_fields WHERE result_id = " + std::to_string(id)));
    EXPECT_EQ(10, server_->count("SELECT COUNT(*) FROM measurements WHERE result_id = " + std::to_string(id)));
    EXPECT_EQ(4, server_->count("SELECT COUNT(*) FROM result_references"));
    EXPECT_EQ(3, server_->count("SELECT COUNT(*) FROM result_members"));
    EXPECT_EQ(1, server_->count("SELECT COUNT(*) FROM measurements WHERE test = 'BlitRect' AND "
                                "width = 32 AND height = 32 AND unit = 'MP_s' AND value = 0.5"));
    EXPECT_EQ(1, server_->count("SELECT COUNT(*) FROM measurements WHERE test = 'Random' AND "
                                "width = 0 AND unit = 'MP_s' AND value = 1000000"));

    {
        Database::Lease lease(server_->database());
        std::string card, driver, os, cpu;
        int width = 0, height = 0, refresh = 0, bits = 0, imported = -1;
        *lease << "SELECT card_name, driver_text, os_text, cpu_name, display_width, display_height, "
                  "refresh_rate, bits_per_pixel, imported FROM results",
            soci::into(card), soci::into(driver), soci::into(os), soci::into(cpu), soci::into(width),
            soci::into(height), soci::into(refresh), soci::into(bits), soci::into(imported);
        EXPECT_EQ("Wine GPU", card);
        EXPECT_EQ("wined3d.dll 8.0.1", driver);
        EXPECT_EQ("Windows 6.1.7601 SP1", os);
        // Sent in Windows-1252, stored in UTF-8.
        EXPECT_EQ("Intel(R) Core(TM) i7 \xC2\xAE", cpu);
        EXPECT_EQ(320, width);
        EXPECT_EQ(240, height);
        EXPECT_EQ(60, refresh);
        EXPECT_EQ(32, bits);
        EXPECT_EQ(0, imported);
    }

    // The same run sent again (the reply to the first was lost, say) is the same result...
    EXPECT_EQ(upload(*server_, Machine()), id);
    EXPECT_EQ(1, server_->count("SELECT COUNT(*) FROM results"));
    // ...and another run of the same machine finds every description record and stores none.
    Machine again;
    again.randomRate = "98.5";
    std::shared_ptr<BCObject> second;
    const int32_t next = upload(*server_, again, &second);
    EXPECT_NE(id, next);
    EXPECT_EQ(11, server_->count("SELECT COUNT(*) FROM records"));
    for (int i = 0; i < first->getNumSubObjects(); ++i)
        EXPECT_EQ(first->getSubObjectField(i)->getObject()->getID(),
                  second->getSubObjectField(i)->getObject()->getID());

    httplib::Client web(server_->baseURL());
    EXPECT_EQ(200, web.Get(("/Benchmark/Korvid/Result/" + std::to_string(next)).c_str())->status);
    EXPECT_EQ(404, web.Get("/Benchmark/Korvid/Result/999999")->status);
    EXPECT_EQ(404, web.Get("/Benchmark/Korvid/Result/x'1")->status);
}

// The equality rule: every search pair counts, no more and no fewer; a card with a product ID
// is the same card under any name.
TEST_P(ClientAgainstServerTest, DescriptionRecordsAreEqualByTheirSearchPairs)
{
    auto c = client(*server_);
    auto idOf = [&](std::shared_ptr<BCObject> record) {
        c->prepareObject(record);
        return record->getID();
    };
    const int32_t board = idOf(std::make_shared<BCMotherboardObj>("P8P67", "ASUSTeK"));
    const int32_t boardWithoutMaker = idOf(std::make_shared<BCMotherboardObj>("P8P67", ""));
    EXPECT_NE(board, boardWithoutMaker);
    EXPECT_EQ(board, idOf(std::make_shared<BCMotherboardObj>("P8P67", "ASUSTeK")));
    EXPECT_EQ(boardWithoutMaker, idOf(std::make_shared<BCMotherboardObj>("P8P67", "")));

    const int32_t card = idOf(std::make_shared<BCGraphicsCardObj>("GeForce GTX 580", "", 0x1080, 0x10DE, 0, 0));
    EXPECT_EQ(card, idOf(std::make_shared<BCGraphicsCardObj>("NVIDIA GeForce GTX 580", "", 0x1080, 0x10DE, 0, 0)));
    EXPECT_NE(card, idOf(std::make_shared<BCGraphicsCardObj>("GeForce GTX 580", "", 0x1080, 0x10DE, 0x1, 0)));
    const int32_t unnamed = idOf(std::make_shared<BCGraphicsCardObj>("Wine GPU", "", 0, 0, 0, 0));
    EXPECT_NE(unnamed, idOf(std::make_shared<BCGraphicsCardObj>("Other GPU", "", 0, 0, 0, 0)));
    EXPECT_EQ(unnamed, idOf(std::make_shared<BCGraphicsCardObj>("Wine GPU", "", 0, 0, 0, 0)));

    // SQL and markup in values are values, found again by the same bytes.
    const std::string oddName = "x'); DROP TABLE records; -- <b>&amp; {\"a\\\\b\", NULL} ";
    const int32_t odd = idOf(std::make_shared<BCCPUObj>(oddName));
    EXPECT_EQ(odd, idOf(std::make_shared<BCCPUObj>(oddName)));
    {
        Database::Lease lease(server_->database());
        std::string stored;
        *lease << "SELECT value FROM record_fields WHERE record_id = :id", soci::use(odd),
            soci::into(stored);
        EXPECT_EQ(oddName, stored);
    }
    EXPECT_EQ(7, server_->count("SELECT COUNT(*) FROM records"));
}

TEST_P(ClientAgainstServerTest, EveryRequestNeedsAnEnabledLogin)
{
    int32_t http = 0, transfer = 0;
    std::string message;
    EXPECT_TRUE(client(*server_)->testConnection(&http, &transfer, &message)) << message;
    EXPECT_FALSE(client(*server_, "wrong")->testConnection(&http, &transfer, &message));
    EXPECT_EQ(401, http);
    EXPECT_EQ("BenchmarkClient::getObjectID failed. Server returned response code: 401\n", message);

    server_->store().disableClient(kClientName);
    EXPECT_FALSE(client(*server_)->testConnection(&http, &transfer, &message));
    EXPECT_EQ(403, http);
    // A new key enables the client again; the old key is gone.
    server_->store().addClient(kClientName, "a new key");
    EXPECT_TRUE(client(*server_, "a new key")->testConnection(&http, &transfer, &message));
    EXPECT_FALSE(client(*server_)->testConnection(&http, &transfer, &message));
    EXPECT_EQ(401, http);
    // The connection test's AmigaOS was stored once.
    EXPECT_EQ(1, server_->count("SELECT COUNT(*) FROM records"));
}

// Racing stores of one record end with one row, and everyone gets its ID.
TEST_P(ClientAgainstServerTest, RacingStoresOfOneRecordMakeOneRow)
{
    const RecordDocument cpu = parseRecordDocument("<BenchmarkCPU><Name>Race</Name></BenchmarkCPU>", "BenchmarkCPU");
    std::vector<int32_t> ids(8, 0);
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < ids.size(); ++i)
        threads.emplace_back([&, i] { ids[i] = server_->store().storeRecord(cpu); });
    for (std::thread& thread : threads)
        thread.join();
    for (int32_t id : ids)
        EXPECT_EQ(ids[0], id);
    EXPECT_EQ(1, server_->count("SELECT COUNT(*) FROM records"));
    EXPECT_EQ(1, server_->count("SELECT COUNT(*) FROM record_fields"));
}

INSTANTIATE_TEST_SUITE_P(Storages, ClientAgainstServerTest,
                         testing::Values(Storage::SQLite, Storage::PostgreSQL), storageName);
