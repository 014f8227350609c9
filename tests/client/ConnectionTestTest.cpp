#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "ClientTestFixture.h"
#include "client/BenchmarkClient.h"
#include "client/ConnectionTest.h"
#include "client/LoginDeniedPrompt.h"

namespace {

// Answers "No": records the question and opens nothing.
class RecordingPrompt : public LoginDeniedPrompt {
public:
    void askLoginDenied(const std::string& caption, const std::string& downloadPageURL) override
    {
        asked.emplace_back(caption, downloadPageURL);
    }
    std::vector<std::pair<std::string, std::string>> asked;
};

const char* kDownloads = "http://results.example/Benchmark/Korvid/Downloads";

class ConnectionTest : public ClientServerTest {
protected:
    int run(BenchmarkClient& client)
    {
        CoutCapture capture;
        const int code = runConnectionTest(kDownloads, client, "Korvid", prompt_);
        output_ = capture.text();
        return code;
    }
    RecordingPrompt prompt_;
    std::string output_;
};

}  // namespace

TEST_F(ConnectionTest, SuccessLooksUpAndCreatesTheDummyRecordOnce)
{
    auto client = makeClient(env_.httpsURL);
    EXPECT_EQ(0, run(*client));
    EXPECT_EQ("Testing the connection to the server...\n"
              "Successfully made a connection to the server. Test complete.\n",
              output_);
    EXPECT_TRUE(prompt_.asked.empty());
    ASSERT_EQ(2, session_->requestCount());
    EXPECT_EQ(getHead(env_.httpsURL, "BenchmarkOperatingSystem?Name=AmigaOS&"), session_->requestHead(0));
    EXPECT_EQ("<BenchmarkOperatingSystem>\n\t<Name>AmigaOS</Name>\n</BenchmarkOperatingSystem>\n",
              session_->requestBody(1));

    // Now the server knows it: a single lookup.
    EXPECT_EQ(0, run(*client));
    EXPECT_EQ(3, session_->requestCount());
    EXPECT_EQ(getHead(env_.httpsURL, "BenchmarkOperatingSystem?Name=AmigaOS&"), session_->requestHead(2));
}

TEST_F(ConnectionTest, ServerErrorIsReportedWithItsStatus)
{
    session_->fault("status=500");
    auto client = makeClient(env_.httpsURL);
    EXPECT_EQ(10, run(*client));
    EXPECT_EQ("Testing the connection to the server...\n"
              "Connection to the server failed with HTTP response code: 500, and message: "
              "BenchmarkClient::getObjectID failed. Server returned response code: 500\n\n"
              "Test failed.\n",
              output_);
    EXPECT_TRUE(prompt_.asked.empty());
}

TEST_F(ConnectionTest, UnreachableServerIsReportedWithLibcurlsCode)
{
    const std::string base = "https://localhost:" + std::to_string(unusedPort()) + "/api/v1/";
    BenchmarkClient client("KorvidResult", base, env_.clientName, env_.clientKey, "http://r/", "Korvid/2.9 (Windows)");
    EXPECT_EQ(10, run(client));
    EXPECT_EQ("Testing the connection to the server...\n"
              "Connection to the server failed with the following message (7) ERROR: Search query (" +
                  base + "BenchmarkOperatingSystem?Name=AmigaOS&) failed with error: Couldn't connect to server.\n"
                         "Test failed.\n",
              output_);
    EXPECT_TRUE(prompt_.asked.empty());
}

TEST_F(ConnectionTest, UnparsableReplyHasBothCodesZero)
{
    session_->fault("method=GET&body=" + ServerSession::escape("<html><body>Maintenance</body>"));
    auto client = makeClient(env_.httpsURL);
    EXPECT_EQ(10, run(*client));
    EXPECT_EQ("Testing the connection to the server...\n"
              "Connection to the server failed with the following message (0) "
              "BenchmarkClient::extractObjectID failed. Got an invalid response from the server: \n"
              "<html><body>Maintenance</body>\n\n"
              "Test failed.\n",
              output_);
    EXPECT_TRUE(prompt_.asked.empty());
}

TEST_F(ConnectionTest, RefusedLoginAsksAboutTheDownloadPage)
{
    // Also when the refusal's body is larger than any reply the client reads.
    for (const std::string fault : {"status=401", "status=403", "status=401&kind=huge", "status=403&kind=huge"}) {
        const std::string status = fault.substr(7, 3);
        prompt_.asked.clear();
        session_->fault(fault);
        auto client = makeClient(env_.httpsURL);
        EXPECT_EQ(10, run(*client));
        EXPECT_EQ("Testing the connection to the server...\n"
                  "Connection to the server failed with HTTP response code: " + status +
                      ", and message: BenchmarkClient::getObjectID failed. Server returned response code: " +
                      status + "\n\nTest failed.\n",
                  output_);
        ASSERT_EQ(1u, prompt_.asked.size()) << fault;
        EXPECT_EQ("Korvid", prompt_.asked[0].first);
        EXPECT_EQ(kDownloads, prompt_.asked[0].second);
    }

    // A real refusal by the server for a wrong key.
    prompt_.asked.clear();
    auto stranger = makeClient(env_.httpsURL, "an-old-key");
    EXPECT_EQ(10, run(*stranger));
    EXPECT_EQ(1u, prompt_.asked.size());
}

TEST_F(ConnectionTest, OutValuesAreOptionalAndUntouchedOnSuccess)
{
    auto client = makeClient(env_.httpsURL);
    int32_t http = 123;
    int32_t transfer = 456;
    std::string message = "kept";
    EXPECT_TRUE(client->testConnection(&http, &transfer, &message));
    EXPECT_EQ(123, http);
    EXPECT_EQ(456, transfer);
    EXPECT_EQ("kept", message);

    session_->fault("status=403");
    EXPECT_FALSE(client->testConnection(nullptr, nullptr, nullptr));
    session_->fault("status=403");
    EXPECT_FALSE(client->testConnection(&http, nullptr, nullptr));
    EXPECT_EQ(403, http);
}
