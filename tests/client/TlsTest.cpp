#include <string>

#include <gtest/gtest.h>

#include "ClientTestFixture.h"
#include "client/BenchmarkClient.h"

// Certificate checking against the CA bundle beside the program. Runs natively (OpenSSL) and,
// in the Windows build, under Wine (mbedTLS): the codes are libcurl's in both.
class TlsTest : public ClientServerTest {
protected:
    void expectTransferCode(BenchmarkClient& client, int code)
    {
        int32_t http = -1;
        int32_t transfer = -1;
        std::string message;
        EXPECT_FALSE(client.testConnection(&http, &transfer, &message));
        EXPECT_EQ(code, transfer) << message;
        EXPECT_EQ(0, http) << message;
        EXPECT_EQ(0u, message.find("ERROR: Search query (")) << message;
    }
};

TEST_F(TlsTest, TrustedServerWithTheBundleBesideTheProgram)
{
    auto client = makeClient(env_.httpsURL);
    EXPECT_TRUE(client->usesCABundle());
    EXPECT_EQ(ScopedCABundle::bundlePath(), client->getCABundlePath());
    std::string message;
    EXPECT_TRUE(client->testConnection(nullptr, nullptr, &message)) << message;
}

TEST_F(TlsTest, UntrustedServerFailsWith60UntilTheCheckIsOff)
{
    auto client = makeClient(env_.untrustedURL);
    expectTransferCode(*client, 60);
    EXPECT_EQ(0, session_->requestCount());

    client->disableCertificateCheck();
    std::string message;
    EXPECT_TRUE(client->testConnection(nullptr, nullptr, &message)) << message;
    EXPECT_EQ(2, session_->requestCount());
}

TEST_F(TlsTest, UnreadableBundleFailsWith77)
{
    ScopedCABundle garbage("this is not a certificate\n");
    auto client = makeClient(env_.httpsURL);
    EXPECT_TRUE(client->usesCABundle());
    expectTransferCode(*client, 77);
}

TEST_F(TlsTest, NoBundleBesideTheProgram)
{
    ScopedCABundle none("", true);
    auto client = makeClient(env_.httpsURL);
    EXPECT_FALSE(client->usesCABundle());
    // The test CA is in no default store, so the server cannot be authenticated.
    expectTransferCode(*client, 60);
}
