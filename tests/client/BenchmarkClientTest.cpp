#include <chrono>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "ClientTestFixture.h"
#include "client/BenchmarkClient.h"
#include "client/DebugLevel.h"
#include "results/BCCPUObj.h"
#include "results/BCException.h"
#include "results/BCLibraryVersionObj.h"
#include "results/BCObject.h"
#include "results/BCObjectCollection.h"

namespace {

std::shared_ptr<BCObject> record(const std::string& type, const std::string& name)
{
    auto object = std::make_shared<BCObject>(type);
    object->addField("Name", name, 1);
    return object;
}

// The BCException that fn throws; fails the test when it throws none.
template <typename Fn>
BCException thrown(Fn fn)
{
    try {
        fn();
    } catch (const BCException& e) {
        return e;
    }
    ADD_FAILURE() << "no BCException";
    return BCException("", -1, -1);
}

std::vector<std::tuple<uint32_t, uint32_t, std::string, int32_t>> progressCalls;

void recordProgress(uint32_t done, uint32_t total, const std::string& message, int32_t userValue)
{
    progressCalls.emplace_back(done, total, message, userValue);
}

const std::string kInvalidLead =
    "BenchmarkClient::extractObjectID failed. Got an invalid response from the server: \n";

}  // namespace

TEST_F(ClientServerTest, WorkedExampleOnTheWire)
{
    session_->addRecord(4, "BenchmarkLibrary?Name=kernel32.dll&");
    session_->setNextID(23);
    auto client = makeClient(env_.httpsURL);
    auto version = std::make_shared<BCLibraryVersionObj>("kernel32.dll", "6.1.7601.17514");

    client->prepareObject(version);

    EXPECT_EQ(4, version->getSubObjectField(0)->getObject()->getID());
    EXPECT_EQ(23, version->getID());
    ASSERT_EQ(3, session_->requestCount());
    EXPECT_EQ(getHead(env_.httpsURL, "BenchmarkLibrary?Name=kernel32.dll&"), session_->requestHead(0));
    EXPECT_EQ("", session_->requestBody(0));
    EXPECT_EQ(getHead(env_.httpsURL, "BenchmarkLibraryVersion?LibraryVersion=6.1.7601.17514&LibraryID=4&"),
              session_->requestHead(1));
    const std::string document =
        "<BenchmarkLibraryVersion>\n"
        "\t<LibraryVersion>6.1.7601.17514</LibraryVersion>\n"
        "\t<Library id=\"4\"/>\n"
        "</BenchmarkLibraryVersion>\n";
    EXPECT_EQ(postHead(env_.httpsURL, "BenchmarkLibraryVersion", document.size()), session_->requestHead(2));
    EXPECT_EQ(document, session_->requestBody(2));
}

TEST_F(ClientServerTest, LookupAfterSubmissionIsAPlainGetAndEachPostSendsOnlyItsOwnBody)
{
    auto client = makeClient(env_.httpURL);
    client->prepareObject(record("BenchmarkCPU", "Processor with a rather long name (R)"));
    client->prepareObject(record("BenchmarkCPU", "P2"));

    ASSERT_EQ(4, session_->requestCount());
    EXPECT_EQ("POST " + session_->pathPrefix() + "BenchmarkCPU", session_->requestTarget(1));
    EXPECT_EQ("<BenchmarkCPU>\n\t<Name>Processor with a rather long name (R)</Name>\n</BenchmarkCPU>\n",
              session_->requestBody(1));
    EXPECT_EQ(getHead(env_.httpURL, "BenchmarkCPU?Name=P2&"), session_->requestHead(2));
    EXPECT_EQ("<BenchmarkCPU>\n\t<Name>P2</Name>\n</BenchmarkCPU>\n", session_->requestBody(3));
}

TEST_F(ClientServerTest, LookupAfterAFailedPostIsAPlainGet)
{
    session_->fault("method=POST&status=500");
    auto client = makeClient(env_.httpURL);
    auto cpu = record("BenchmarkCPU", "A");
    const BCException e = thrown([&] { client->prepareObject(cpu); });
    EXPECT_EQ("BenchmarkClient::submitObject failed. Server returned response code: 500\n", e.getMessage());
    EXPECT_EQ(500, e.getResponseCode());
    EXPECT_EQ(0, e.getTransferErrorCode());
    EXPECT_EQ(-1, cpu->getID());

    client->prepareObject(cpu);
    ASSERT_EQ(4, session_->requestCount());
    EXPECT_EQ(getHead(env_.httpURL, "BenchmarkCPU?Name=A&"), session_->requestHead(2));
    EXPECT_EQ(1, cpu->getID());
}

TEST_F(ClientServerTest, StatusesOutsideTheSuccessRangeAreErrors)
{
    auto client = makeClient(env_.httpURL);
    for (int status : {302, 401, 403, 500, 300, 404}) {
        session_->fault("method=GET&status=" + std::to_string(status));
        auto cpu = record("BenchmarkCPU", "S" + std::to_string(status));
        const BCException e = thrown([&] { client->prepareObject(cpu); });
        EXPECT_EQ("BenchmarkClient::getObjectID failed. Server returned response code: " + std::to_string(status) +
                      "\n",
                  e.getMessage());
        EXPECT_EQ(status, e.getResponseCode());
        EXPECT_EQ(0, e.getTransferErrorCode());
        EXPECT_EQ(-1, cpu->getID());
    }
}

TEST_F(ClientServerTest, RefusalsWithBodiesOverTheCapKeepTheirStatus)
{
    // A body over the reply cap (2.4 MB) is not read for a failed status: the lookup and the
    // submission fail with the status, not with a write error, and the client goes on working.
    auto client = makeClient(env_.httpURL);
    for (int status : {401, 403, 500}) {
        for (const char* method : {"GET", "POST"}) {
            session_->fault(std::string("method=") + method + "&kind=huge&status=" + std::to_string(status));
            if (std::string(method) == "POST")
                session_->fault("method=GET&kind=emptywrapper");
            auto cpu = record("BenchmarkCPU", std::string(method) + std::to_string(status));
            const BCException e = thrown([&] { client->prepareObject(cpu); });
            const std::string operation = std::string(method) == "GET" ? "getObjectID" : "submitObject";
            EXPECT_EQ("BenchmarkClient::" + operation + " failed. Server returned response code: " +
                          std::to_string(status) + "\n",
                      e.getMessage());
            EXPECT_EQ(status, e.getResponseCode());
            EXPECT_EQ(0, e.getTransferErrorCode());
        }
    }
    auto cpu = record("BenchmarkCPU", "after");
    client->prepareObject(cpu);
    EXPECT_EQ(1, cpu->getID());
}

TEST_F(ClientServerTest, Status199IsNeverTakenAsSuccess)
{
    // libcurl reads 1xx as a provisional answer and waits for the final one, so a server that
    // stops after "199" makes the transfer itself fail.
    session_->fault("method=GET&status=199&kind=emptywrapper");
    auto client = makeClient(env_.httpURL);
    auto cpu = record("BenchmarkCPU", "S199");
    const BCException e = thrown([&] { client->prepareObject(cpu); });
    EXPECT_TRUE(e.getResponseCode() == 199 || e.getTransferErrorCode() != 0) << e.getMessage();
    EXPECT_EQ(-1, cpu->getID());
    EXPECT_EQ(1, session_->requestCount());
}

TEST_F(ClientServerTest, Statuses200And299AreAccepted)
{
    auto client = makeClient(env_.httpURL);
    session_->fault("method=GET&status=299");
    session_->fault("method=POST&status=299");
    auto first = record("BenchmarkCPU", "A");
    client->prepareObject(first);
    EXPECT_EQ(1, first->getID());
    session_->fault("method=GET&status=200&body=" + ServerSession::escape("<BenchmarkCPU><ID>77</ID></BenchmarkCPU>"));
    auto second = record("BenchmarkCPU", "B");
    client->prepareObject(second);
    EXPECT_EQ(77, second->getID());
}

TEST_F(ClientServerTest, LookupRepliesOfEveryShape)
{
    auto client = makeClient(env_.httpURL);
    struct Case {
        const char* kind;
        const char* reply;  // as the server sends it for BenchmarkCPU
    };
    for (const Case& c : {Case{"malformed", "<BenchmarkCPU><ID>5</ID"}, Case{"empty", ""},
                          Case{"noid", "<BenchmarkCPU><Name>x</Name></BenchmarkCPU>"},
                          Case{"id0", "<BenchmarkCPU><ID>0</ID></BenchmarkCPU>"},
                          Case{"idabc", "<BenchmarkCPU><ID>abc</ID></BenchmarkCPU>"},
                          Case{"benchmarkwrapper", "<Benchmark><BenchmarkCPU><ID>12</ID></BenchmarkCPU></Benchmark>"},
                          Case{"binary", ""}}) {
        session_->fault(std::string("method=GET&kind=") + c.kind);
        const int before = session_->requestCount();
        auto cpu = record("BenchmarkCPU", c.kind);
        const BCException e = thrown([&] { client->prepareObject(cpu); });
        if (std::string(c.kind) == "binary")
            EXPECT_EQ(kInvalidLead + std::string("\0\x01\xff<\0>\xfe", 7) + "\n", e.getMessage());
        else
            EXPECT_EQ(kInvalidLead + c.reply + "\n", e.getMessage()) << c.kind;
        EXPECT_EQ(0, e.getResponseCode()) << c.kind;
        EXPECT_EQ(0, e.getTransferErrorCode()) << c.kind;
        EXPECT_EQ(before + 1, session_->requestCount()) << c.kind << ": nothing is submitted";
    }
}

TEST_F(ClientServerTest, ReplyNamingAnotherTypeIsRejected)
{
    session_->fault("method=GET&kind=othertype");
    auto client = makeClient(env_.httpURL);
    const BCException e = thrown([&] { client->prepareObject(record("BenchmarkCPU", "A")); });
    EXPECT_EQ("BenchmarkClient::extractObjectID failed. Searched for an object of type BenchmarkCPU but the server "
              "returned an object of type BenchmarkMotherboard. Server response: \n"
              "<SearchResponse><BenchmarkMotherboard><ID>7</ID></BenchmarkMotherboard></SearchResponse>\n",
              e.getMessage());
}

TEST_F(ClientServerTest, IDFollowedByLettersIsReadAsItsDigits)
{
    session_->fault("method=GET&kind=id42abc");
    auto client = makeClient(env_.httpURL);
    auto cpu = record("BenchmarkCPU", "A");
    client->prepareObject(cpu);
    EXPECT_EQ(42, cpu->getID());
    EXPECT_EQ(1, session_->requestCount());
}

TEST_F(ClientServerTest, EmptyWrapperLeadsToSubmission)
{
    session_->setNextID(9);
    session_->fault("method=GET&kind=emptywrapper");
    auto client = makeClient(env_.httpURL);
    auto cpu = record("BenchmarkCPU", "A");
    client->prepareObject(cpu);
    EXPECT_EQ(9, cpu->getID());
    ASSERT_EQ(2, session_->requestCount());
    EXPECT_EQ("POST " + session_->pathPrefix() + "BenchmarkCPU", session_->requestTarget(1));
}

TEST_F(ClientServerTest, NeitherFoundNorSubmitted)
{
    session_->fault("kind=emptywrapper&count=2");
    auto client = makeClient(env_.httpURL);
    auto cpu = record("BenchmarkCPU", "A");
    const BCException e = thrown([&] { client->prepareObject(cpu); });
    EXPECT_EQ("ERROR: Could not submit object of type BenchmarkCPU to the server", e.getMessage());
    EXPECT_EQ(0, e.getResponseCode());
    EXPECT_EQ(0, e.getTransferErrorCode());
    EXPECT_EQ(-1, cpu->getID());
}

TEST_F(ClientServerTest, LoginIsRefusedForAWrongKey)
{
    auto client = makeClient(env_.httpsURL, "not-the-key");
    const BCException e = thrown([&] { client->prepareObject(record("BenchmarkCPU", "A")); });
    EXPECT_EQ(401, e.getResponseCode());
    EXPECT_EQ("BenchmarkClient::getObjectID failed. Server returned response code: 401\n", e.getMessage());
}

TEST_F(ClientServerTest, TransferFailuresCarryLibcurlsCode)
{
    const std::string base = "http://localhost:" + std::to_string(unusedPort()) + "/api/v1/";
    BenchmarkClient client("KorvidResult", base, env_.clientName, env_.clientKey, "http://r/", "Korvid/2.9 (Windows)");
    const BCException refused = thrown([&] { client.prepareObject(record("BenchmarkCPU", "A")); });
    EXPECT_EQ("ERROR: Search query (" + base + "BenchmarkCPU?Name=A&) failed with error: Couldn't connect to server.",
              refused.getMessage());
    EXPECT_EQ(7, refused.getTransferErrorCode());
    EXPECT_EQ(0, refused.getResponseCode());

    auto live = makeClient(env_.httpURL);
    // libcurl repeats a request once on a new connection when a kept-alive one closes without
    // an answer, so the server drops both.
    session_->fault("method=POST&action=drop&count=2");
    const BCException dropped = thrown([&] { live->prepareObject(record("BenchmarkCPU", "B")); });
    EXPECT_EQ("ERROR: Search query (" + session_->url(env_.httpURL) +
                  "BenchmarkCPU) failed with error: Server returned nothing (no headers, no data).",
              dropped.getMessage());
    EXPECT_EQ(52, dropped.getTransferErrorCode());
    EXPECT_EQ(3, session_->requestCount());

    session_->fault("method=GET&action=partial");
    const BCException partial = thrown([&] { live->prepareObject(record("BenchmarkCPU", "C")); });
    EXPECT_EQ(18, partial.getTransferErrorCode()) << partial.getMessage();
}

TEST_F(ClientServerTest, PostRepeatedOnANewConnectionSendsItsBodyAgain)
{
    auto client = makeClient(env_.httpURL);
    session_->fault("method=POST&action=drop");
    auto cpu = record("BenchmarkCPU", "A");
    client->prepareObject(cpu);
    EXPECT_EQ(1, cpu->getID());
    ASSERT_EQ(3, session_->requestCount());
    const std::string document = "<BenchmarkCPU>\n\t<Name>A</Name>\n</BenchmarkCPU>\n";
    EXPECT_EQ(document, session_->requestBody(1));
    EXPECT_EQ(postHead(env_.httpURL, "BenchmarkCPU", document.size()), session_->requestHead(2));
    EXPECT_EQ(document, session_->requestBody(2));
}

TEST_F(ClientServerTest, ReplyArrivingInPiecesIsJoinedInOrder)
{
    const std::string reply = "<SearchResponse><BenchmarkCPU><Name>abc</Name><ID>31</ID></BenchmarkCPU></SearchResponse>";
    session_->fault("method=GET&action=pieces&body=" + ServerSession::escape(reply));
    auto client = makeClient(env_.httpURL);
    client->enableDebugOutput();
    setDebugLevel(3);
    auto cpu = record("BenchmarkCPU", "A");
    std::string console;
    {
        CoutCapture capture;
        client->prepareObject(cpu);
        console = capture.text();
    }
    EXPECT_EQ(31, cpu->getID());
    EXPECT_NE(std::string::npos, console.find("(3) HTTP body: " + reply + "\n")) << console;
}

TEST_F(ClientServerTest, HugeReplyIsRefusedAsAWriteError)
{
    session_->fault("method=GET&kind=huge");
    auto client = makeClient(env_.httpURL);
    const BCException e = thrown([&] { client->prepareObject(record("BenchmarkCPU", "A")); });
    EXPECT_EQ(23, e.getTransferErrorCode()) << e.getMessage();
    EXPECT_EQ(0u, e.getMessage().find("ERROR: Search query (")) << e.getMessage();
}

TEST_F(ClientServerTest, SubmitResultPreparesTheTreeAndReportsProgress)
{
    session_->setNextID(10);
    auto client = makeClient(env_.httpsURL);
    client->addSubObject("Processor", std::make_shared<BCCPUObj>("CPU X"));
    auto libraries = std::make_shared<BCObjectCollection>("Libraries", "BenchmarkLibrary");
    libraries->addObject(record("BenchmarkLibrary", "a.dll"));
    libraries->addObject(record("BenchmarkLibrary", "b.dll"));
    client->addSubObjectCollection(libraries);
    client->getRootObject()->addField("FillRect_16x16_Ops_s", "1234.5", 0);
    EXPECT_EQ(3u, BenchmarkClient::countObjects(client->getRootObject()));

    progressCalls.clear();
    std::string out;
    ASSERT_TRUE(client->submitResult(out, &recordProgress, 77));

    EXPECT_EQ("http://results.example/Benchmark/Korvid/Result/13", out);
    const std::vector<std::tuple<uint32_t, uint32_t, std::string, int32_t>> expected = {
        {1, 4, "", 77}, {2, 4, "", 77}, {3, 4, "", 77}, {4, 4, "Done.", 77}};
    EXPECT_EQ(expected, progressCalls);
    ASSERT_EQ(7, session_->requestCount());
    const std::string prefix = session_->pathPrefix();
    EXPECT_EQ("GET " + prefix + "BenchmarkCPU?Name=CPU%20X&", session_->requestTarget(0));
    EXPECT_EQ("POST " + prefix + "BenchmarkCPU", session_->requestTarget(1));
    EXPECT_EQ("GET " + prefix + "BenchmarkLibrary?Name=a.dll&", session_->requestTarget(2));
    EXPECT_EQ("POST " + prefix + "BenchmarkLibrary", session_->requestTarget(3));
    EXPECT_EQ("GET " + prefix + "BenchmarkLibrary?Name=b.dll&", session_->requestTarget(4));
    EXPECT_EQ("POST " + prefix + "BenchmarkLibrary", session_->requestTarget(5));
    EXPECT_EQ("POST " + prefix + "KorvidResult", session_->requestTarget(6));
    EXPECT_EQ("<KorvidResult>\n"
              "\t<FillRect_16x16_Ops_s>1234.5</FillRect_16x16_Ops_s>\n"
              "\t<Processor id=\"10\"/>\n"
              "\t<Libraries>\n"
              "\t\t<BenchmarkLibrary id=\"11\"/>\n"
              "\t\t<BenchmarkLibrary id=\"12\"/>\n"
              "\t</Libraries>\n"
              "</KorvidResult>\n",
              session_->requestBody(6));
}

TEST_F(ClientServerTest, RecordInTwoCollectionsIsLookedUpOnce)
{
    auto client = makeClient(env_.httpURL);
    auto shared = record("BenchmarkLibrary", "shared.dll");
    auto first = std::make_shared<BCObjectCollection>("First", "BenchmarkLibrary");
    auto second = std::make_shared<BCObjectCollection>("Second", "BenchmarkLibrary");
    first->addObject(shared);
    second->addObject(shared);
    client->addSubObjectCollection(first);
    client->addSubObjectCollection(second);
    EXPECT_EQ(2u, BenchmarkClient::countObjects(client->getRootObject()));

    client->enableDebugOutput();
    setDebugLevel(3);
    std::string out;
    std::string console;
    progressCalls.clear();
    {
        CoutCapture capture;
        ASSERT_TRUE(client->submitResult(out, &recordProgress, 0));
        console = capture.text();
    }
    ASSERT_EQ(3, session_->requestCount());
    EXPECT_EQ("GET " + session_->pathPrefix() + "BenchmarkLibrary?Name=shared.dll&", session_->requestTarget(0));
    EXPECT_EQ("POST " + session_->pathPrefix() + "KorvidResult", session_->requestTarget(2));
    EXPECT_NE(std::string::npos, console.find("(2) Object of type: BenchmarkLibrary already prepared\n"));
    // The done count rises only for records actually prepared; the last call jumps to the total.
    const std::vector<std::tuple<uint32_t, uint32_t, std::string, int32_t>> expected = {{1, 3, "", 0},
                                                                                        {3, 3, "Done.", 0}};
    EXPECT_EQ(expected, progressCalls);
}

TEST_F(ClientServerTest, RetryKeepsTheIDsAlreadyGiven)
{
    auto client = makeClient(env_.httpURL);
    auto cpu = std::make_shared<BCCPUObj>("CPU Y");
    client->addSubObject("Processor", cpu);
    session_->fault("method=POST&after=1&status=500");

    std::string out;
    const BCException e = thrown([&] { client->submitResult(out, nullptr, 0); });
    EXPECT_EQ("BenchmarkClient::submitObject failed. Server returned response code: 500\n", e.getMessage());
    EXPECT_EQ(1, cpu->getID());
    ASSERT_EQ(3, session_->requestCount());

    progressCalls.clear();
    ASSERT_TRUE(client->submitResult(out, &recordProgress, 5));
    EXPECT_EQ("http://results.example/Benchmark/Korvid/Result/2", out);
    ASSERT_EQ(4, session_->requestCount());
    EXPECT_EQ("POST " + session_->pathPrefix() + "KorvidResult", session_->requestTarget(3));
    const std::vector<std::tuple<uint32_t, uint32_t, std::string, int32_t>> expected = {{2, 2, "Done.", 5}};
    EXPECT_EQ(expected, progressCalls);

    // The root is submitted again on every call.
    ASSERT_TRUE(client->submitResult(out, nullptr, 0));
    EXPECT_EQ("http://results.example/Benchmark/Korvid/Result/3", out);
}

TEST_F(ClientServerTest, RootWithoutIDFromTheServerFailsTheUpload)
{
    session_->fault("method=POST&kind=emptywrapper");
    auto client = makeClient(env_.httpURL);
    std::string out;
    const BCException e = thrown([&] { client->submitResult(out, nullptr, 0); });
    EXPECT_EQ("ERROR: Could not submit object of type KorvidResult to the server", e.getMessage());
    EXPECT_EQ(0, e.getResponseCode());
    EXPECT_EQ(0, e.getTransferErrorCode());
    EXPECT_EQ(1, session_->requestCount());
}

TEST_F(ClientServerTest, DebugLinesNeedDebugOutputAndTheLevel)
{
    session_->addRecord(4, "BenchmarkLibrary?Name=kernel32.dll&");
    session_->setNextID(23);
    const std::string base = session_->url(env_.httpURL);
    std::string quiet;
    {
        setDebugLevel(10);
        auto client = makeClient(env_.httpURL);
        CoutCapture capture;
        client->prepareObject(std::make_shared<BCLibraryVersionObj>("kernel32.dll", "6.1.7601.17514"));
        quiet = capture.text();
    }
    EXPECT_EQ("", quiet);

    std::string level2;
    {
        setDebugLevel(2);
        auto client = makeClient(env_.httpURL);
        client->enableDebugOutput();
        CoutCapture capture;
        client->prepareObject(std::make_shared<BCLibraryVersionObj>("kernel32.dll", "6.1.7601.17514"));
        level2 = capture.text();
    }
    EXPECT_EQ("(2) Preparing object of type: BenchmarkLibraryVersion\n"
              "(2) Preparing object of type: BenchmarkLibrary\n"
              "(2) Getting ID for an object of type BenchmarkLibrary from the server.\n"
              "(2) Search query: " + base + "BenchmarkLibrary?Name=kernel32.dll&\n"
              "(2) Object of type: BenchmarkLibrary has been prepared for use \n"
              "(2) Getting ID for an object of type BenchmarkLibraryVersion from the server.\n"
              "(2) Search query: " + base + "BenchmarkLibraryVersion?LibraryVersion=6.1.7601.17514&LibraryID=4&\n"
              "(2) Object of type: BenchmarkLibraryVersion has been prepared for use \n",
              level2);

    std::string level3;
    {
        setDebugLevel(3);
        auto client = makeClient(env_.httpURL);
        client->enableDebugOutput();
        session_->fault("method=GET&after=1&kind=emptywrapper");
        CoutCapture capture;
        client->prepareObject(std::make_shared<BCLibraryVersionObj>("kernel32.dll", "6.1.7601.17514"));
        level3 = capture.text();
    }
    EXPECT_EQ("(2) Preparing object of type: BenchmarkLibraryVersion\n"
              "(2) Preparing object of type: BenchmarkLibrary\n"
              "(2) Getting ID for an object of type BenchmarkLibrary from the server.\n"
              "(2) Search query: " + base + "BenchmarkLibrary?Name=kernel32.dll&\n"
              "(3) HTTP Response code: 200\n"
              "(3) HTTP body: <BenchmarkLibrary><ID>4</ID></BenchmarkLibrary>\n"
              "(2) Object of type: BenchmarkLibrary has been prepared for use \n"
              "(2) Getting ID for an object of type BenchmarkLibraryVersion from the server.\n"
              "(2) Search query: " + base + "BenchmarkLibraryVersion?LibraryVersion=6.1.7601.17514&LibraryID=4&\n"
              "(3) HTTP Response code: 200\n"
              "(3) HTTP body: <SearchResponse></SearchResponse>\n"
              "(3) No match found. Cannot get object's ID.\n"
              "(2) Submitting an object of type BenchmarkLibraryVersion from the server.\n"
              "(2) Preparing sub-objects\n"
              "(3) Preparing sub-object #0 of 1\n"
              "(2) Object of type: BenchmarkLibrary already prepared\n"
              "(3) HTTP Response code: 200\n"
              "(2) Submission of an object of type BenchmarkLibraryVersion is done.\n"
              "(2) Object of type: BenchmarkLibraryVersion has been prepared for use \n",
              level3);
}

TEST_F(ClientServerTest, ReferenceThatAlreadyHasAnIDIsSkippedSilently)
{
    session_->setNextID(50);
    auto client = makeClient(env_.httpURL);
    client->enableDebugOutput();
    setDebugLevel(3);
    auto version = std::make_shared<BCLibraryVersionObj>("gdi32.dll", "6.1");
    version->getSubObjectField(0)->getObject()->setID(8);
    std::string console;
    {
        CoutCapture capture;
        client->prepareObject(version);
        console = capture.text();
    }
    const std::string base = session_->url(env_.httpURL);
    EXPECT_EQ("(2) Preparing object of type: BenchmarkLibraryVersion\n"
              "(2) Getting ID for an object of type BenchmarkLibraryVersion from the server.\n"
              "(2) Search query: " + base + "BenchmarkLibraryVersion?LibraryVersion=6.1&LibraryID=8&\n"
              "(3) HTTP Response code: 200\n"
              "(3) HTTP body: <SearchResponse/>\n"
              "(3) No match found. Cannot get object's ID.\n"
              "(2) Submitting an object of type BenchmarkLibraryVersion from the server.\n"
              "(2) Preparing sub-objects\n"
              "(3) Preparing sub-object #0 of 1\n"
              "(2) Object of type: BenchmarkLibrary already prepared\n"
              "(3) HTTP Response code: 200\n"
              "(2) Submission of an object of type BenchmarkLibraryVersion is done.\n"
              "(2) Object of type: BenchmarkLibraryVersion has been prepared for use \n",
              console);
    EXPECT_EQ(50, version->getID());
    EXPECT_EQ(2, session_->requestCount());
}

TEST_F(ClientServerTest, CurlTextAtLevel4AndTrafficAt7)
{
    const std::string document = "<BenchmarkCPU>\n\t<Name>A</Name>\n</BenchmarkCPU>\n";
    std::string level4;
    {
        setDebugLevel(4);
        auto client = makeClient(env_.httpURL);
        client->enableDebugOutput();
        CoutCapture capture;
        client->prepareObject(record("BenchmarkCPU", "A"));
        level4 = capture.text();
    }
    const std::string base = session_->url(env_.httpURL);
    EXPECT_NE(std::string::npos, level4.find("(4) Root node: SearchResponse\n"));
    EXPECT_NE(std::string::npos, level4.find("(4) Post URL: " + base + "BenchmarkCPU\n"));
    EXPECT_NE(std::string::npos, level4.find("(4) Post content: \n" + document + "\n"));
    EXPECT_NE(std::string::npos, level4.find("(4) Root node: BenchmarkCPU\n(4) Object ID: 1\n"));
    // libcurl's own text lines, e.g. about the connection.
    EXPECT_NE(std::string::npos, level4.find("(4) Connected to localhost")) << level4;
    EXPECT_EQ(std::string::npos, level4.find("(7) "));

    std::string level7;
    {
        setDebugLevel(7);
        auto client = makeClient(env_.httpURL);
        client->enableDebugOutput();
        CoutCapture capture;
        client->prepareObject(record("BenchmarkCPU", "A"));
        level7 = capture.text();
    }
    EXPECT_NE(std::string::npos, level7.find("(7) GET " + session_->pathPrefix() + "BenchmarkCPU?Name=A& HTTP/1.1\r\n"))
        << level7;
    EXPECT_NE(std::string::npos, level7.find("(7) HTTP/1.1 200 OK\r\n")) << level7;
    EXPECT_NE(std::string::npos, level7.find("(7) <BenchmarkCPU><ID>1</ID></BenchmarkCPU>")) << level7;
    EXPECT_NE(std::string::npos, level7.find("(4) Connected to localhost")) << level7;
}

TEST_F(ClientServerTest, ServerThatNeverAnswersTimesOut)
{
    TransferLimits limits;
    limits.connectTimeoutSeconds = 2;
    limits.lowSpeedLimitBytes = 1;
    limits.lowSpeedTimeSeconds = 2;

    // TLS handshake never answered: the connect time-out ends it.
    BenchmarkClient silent("KorvidResult", env_.hangURL, env_.clientName, env_.clientKey, "http://r/",
                           "Korvid/2.9 (Windows)");
    silent.setTransferLimits(limits);
    auto start = std::chrono::steady_clock::now();
    const BCException handshake = thrown([&] { silent.prepareObject(record("BenchmarkCPU", "A")); });
    EXPECT_EQ(28, handshake.getTransferErrorCode()) << handshake.getMessage();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(60));

    // Request sent, no answer: the low-speed limit ends it.
    auto client = makeClient(env_.httpURL);
    client->setTransferLimits(limits);
    session_->fault("method=GET&action=hang&delay=120");
    start = std::chrono::steady_clock::now();
    const BCException stalled = thrown([&] { client->prepareObject(record("BenchmarkCPU", "B")); });
    EXPECT_EQ(28, stalled.getTransferErrorCode()) << stalled.getMessage();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(60));
}

TEST_F(ClientServerTest, SlowReplyWithinTheLimitSucceeds)
{
    TransferLimits limits;
    limits.lowSpeedTimeSeconds = 10;
    auto client = makeClient(env_.httpURL);
    client->setTransferLimits(limits);
    session_->fault("method=GET&delay=1.5&kind=id42abc");
    auto cpu = record("BenchmarkCPU", "A");
    client->prepareObject(cpu);
    EXPECT_EQ(42, cpu->getID());
}
