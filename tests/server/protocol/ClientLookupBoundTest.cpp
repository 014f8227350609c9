// Korvid's own client library against the server under the longest API base path that the
// lookup bound allows for (DocumentLimits: 64 bytes): a record whose lookup fills the request
// line to the byte is stored and found again by the client's own lookup; with one byte more the
// server refuses to store it, so no record is stored that its client could never find.
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "../ServerFixture.h"
#include "client/BenchmarkClient.h"
#include "results/BCCPUObj.h"
#include "results/BCException.h"

namespace {

const std::string kLongBase = "/" + std::string(62, 'b') + "/";

class ClientLookupBoundTest : public ServerTest {
protected:
    ServerOptions options() const override
    {
        ServerOptions options = ServerTest::options();
        options.apiBase = kLongBase;
        return options;
    }

    std::unique_ptr<BenchmarkClient> client() const
    {
        return std::make_unique<BenchmarkClient>("KorvidResult", server_->baseURL() + kLongBase, kClientName,
                                                 kClientKey, "http://localhost/Result/", "Korvid/2.9 (Windows)");
    }
};

} // namespace

TEST_P(ClientLookupBoundTest, ARecordAtTheBoundIsFoundByTheClientsLookupAndOneBeyondIsRefused)
{
    // "GET " + 64 + "BenchmarkCPU?Name=" + 2698 slashes as %2F and "ab" + "&" + " HTTP/1.1":
    // 4 + 64 + 13 + 5 + 8094 + 2 + 1 + 9 = 8192 bytes.
    const std::string atBound = std::string(2698, '/') + "ab";
    auto c = client();
    auto first = std::make_shared<BCCPUObj>(atBound);
    c->prepareObject(first);  // not found, so submitted
    ASSERT_TRUE(first->hasID());
    auto again = std::make_shared<BCCPUObj>(atBound);
    EXPECT_EQ(first->getID(), c->getObjectID(again));
    EXPECT_EQ(1, server_->count("SELECT COUNT(*) FROM records"));

    // One byte more: its lookup is over what the HTTP layer reads, so storing it is refused.
    auto beyond = std::make_shared<BCCPUObj>(atBound + "c");
    try {
        c->getObjectID(beyond);
        ADD_FAILURE() << "a lookup of 8193 bytes was answered";
    } catch (const BCException& error) {
        EXPECT_EQ(414, error.getResponseCode());
    }
    try {
        c->submitObject(beyond);
        ADD_FAILURE() << "a record whose lookup cannot be sent was stored";
    } catch (const BCException& error) {
        EXPECT_EQ(400, error.getResponseCode());
    }
    EXPECT_EQ(1, server_->count("SELECT COUNT(*) FROM records"));
}

INSTANTIATE_TEST_SUITE_P(Storages, ClientLookupBoundTest, testing::Values(Storage::SQLite, Storage::PostgreSQL),
                         storageName);
