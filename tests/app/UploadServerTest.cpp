// The upload flow against the local results server (tests/server): real requests through the
// program's client, answers scripted.
#include "app/UploadFlow.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>
#include <sstream>

#include "CapturedStdout.h"
#include "ScriptedPrompts.h"
#include "base/OutputPair.h"
#include "client/BenchmarkClient.h"
#include "client/TestServer.h"
#include "results/BCCPUObj.h"
#include "results/BCMotherboardObj.h"
#include "results/BCObject.h"

namespace {

using namespace apptest;

const char* const kResultPage = "http://results.test/Benchmark/Korvid/Result/";
const char* const kDownload = "http://results.test/Benchmark/Korvid/Downloads";

class UploadServerTest : public ::testing::Test {
protected:
    TestServerEnv env;
    std::unique_ptr<ServerSession> session;
    std::unique_ptr<ScopedCABundle> bundle;
    ScriptedPrompts prompts;
    RunSettings settings;
    UploadOutcome outcome;
    std::string console, transcript, stdoutText;

    void SetUp() override
    {
        if (!loadTestServerEnv(env))
            GTEST_SKIP() << "no local results server: run tests/client/start OUTDIR and source "
                            "OUTDIR/server.env (scripts/test does this)";
        session = std::make_unique<ServerSession>(env);
        // The client trusts the test CA through the bundle beside the program.
        bundle = std::make_unique<ScopedCABundle>(readFile(env.caFile));
        settings.uploadChoice = Choice::Yes;
    }

    // Uploads a small result (root with a field and a processor record) to baseURL.
    void upload(const std::string& baseURL, bool withDescription = false)
    {
        BenchmarkClient client("KorvidResult", baseURL, env.clientName, env.clientKey,
                               kResultPage, "Korvid/2.9 (Windows)");
        client.getRootObject()->addField("FillRect_16x16_Ops_s", "1234.5", 1);
        if (withDescription) {
            client.addSubObject("Processor",
                                std::make_shared<BCCPUObj>("A processor with a rather long name"));
            client.addSubObject("Motherboard", std::make_shared<BCMotherboardObj>("B", "M"));
        }
        BenchmarkClientSubmitter submitter(client);
        std::ostringstream consoleStream, transcriptStream;
        OutputPair output(consoleStream, transcriptStream);
        CapturedStdout captured;
        outcome = uploadResults(settings, submitter, prompts, output, kDownload);
        console = consoleStream.str();
        transcript = transcriptStream.str();
        stdoutText = captured.text();
    }

    std::string unreachableURL() const
    {
        return "https://localhost:" + std::to_string(unusedPort()) + "/api/v1/";
    }

    size_t failureLines(const std::string& code) const
    {
        const std::string lead = "Uploading results failed with exception (" + code + "): ";
        size_t count = 0;
        std::istringstream lines(transcript);
        std::string line;
        while (std::getline(lines, line))
            if (line.rfind(lead, 0) == 0)
                ++count;
        return count;
    }
};

TEST_F(UploadServerTest, UnreachableServerThreeFailuresThenRetryQuestion)
{
    prompts.answers = {false};
    upload(unreachableURL());
    EXPECT_EQ(failureLines("7"), 3u);
    ASSERT_EQ(prompts.kinds(), "question");
    EXPECT_EQ(prompts.asked[0].text, "Uploading the results to Korvid failed. Retry?");
    EXPECT_FALSE(outcome.uploaded);
    // Nothing but the failure lines goes to the transcript.
    EXPECT_EQ(transcript.find("Uploading the results to the server..."), std::string::npos);
}

TEST_F(UploadServerTest, UnreachableServerWithYesToAllSixteenFailuresNoQuestion)
{
    settings.yesToAll = true;
    upload(unreachableURL());
    EXPECT_EQ(failureLines("7"), 16u);
    EXPECT_TRUE(prompts.asked.empty());
    EXPECT_FALSE(outcome.uploaded);
}

TEST_F(UploadServerTest, UntrustedCertificateYesUploadsWithoutTheCheck)
{
    prompts.answers = {true};
    upload(session->url(env.untrustedURL));
    ASSERT_EQ(prompts.kinds(), "question");
    EXPECT_EQ(prompts.asked[0].text,
              "The server's SSL certificate couldn't be authenticated. Upload anyway?");
    EXPECT_EQ(failureLines("60"), 1u);
    ASSERT_TRUE(outcome.uploaded) << transcript;
    EXPECT_EQ(outcome.resultPageURL.rfind(kResultPage, 0), 0u);
    EXPECT_NE(transcript.find("\nResult URL: " + outcome.resultPageURL + "\n"), std::string::npos);
}

TEST_F(UploadServerTest, UntrustedCertificateWithYesToAllRetriesSilently)
{
    settings.yesToAll = true;
    upload(session->url(env.untrustedURL));
    EXPECT_TRUE(prompts.asked.empty());
    EXPECT_EQ(failureLines("60"), 1u);
    EXPECT_TRUE(outcome.uploaded) << transcript;
}

TEST_F(UploadServerTest, ForbiddenEveryTimeRetryNoThenLoginDenied)
{
    session->fault("status=403&count=-1");
    prompts.answers = {false};
    upload(session->url(env.httpsURL));
    ASSERT_EQ(prompts.kinds(), "question,logindenied");
    EXPECT_EQ(prompts.asked[1].caption, "Korvid");
    EXPECT_EQ(prompts.asked[1].text, kDownload);
    EXPECT_EQ(failureLines("0"), 3u);
    EXPECT_EQ(session->requestCount(), 3);
    EXPECT_FALSE(outcome.uploaded);
}

TEST_F(UploadServerTest, WrongKeyIsARefusedLogin)
{
    env.clientKey = "not the key";
    prompts.answers = {false};
    upload(session->url(env.httpsURL));
    EXPECT_EQ(prompts.kinds(), "question,logindenied");
}

TEST_F(UploadServerTest, RefusalFollowedByAnotherFailureAsksNoLoginDenied)
{
    session->fault("status=403&count=2");
    session->fault("status=500&count=1");
    prompts.answers = {false};
    upload(session->url(env.httpsURL));
    EXPECT_EQ(prompts.kinds(), "question");
    EXPECT_EQ(failureLines("0"), 3u);
}

// The progress lines of the last upload, as written between carriage returns (blanks kept).
std::vector<std::string> progressLines(const std::string& text)
{
    std::vector<std::string> lines;
    const size_t first = text.find("\rUpload progress: Step ");
    const size_t end = text.find('\n', first);
    if (first == std::string::npos || end == std::string::npos)
        return lines;
    for (size_t at = first; at < end;) {
        const size_t next = std::min(text.find('\r', at + 1), end);
        lines.push_back(text.substr(at + 1, next - at - 1));
        at = next;
    }
    return lines;
}

std::string withoutTrailingBlanks(const std::string& line)
{
    return line.substr(0, line.find_last_not_of(' ') + 1);
}

TEST_F(UploadServerTest, ProgressLinesOverwriteEachOtherAndEndWithDone)
{
    upload(session->url(env.httpsURL), true);
    ASSERT_TRUE(outcome.uploaded) << transcript;
    std::vector<std::string> lines = progressLines(stdoutText);
    ASSERT_GE(lines.size(), 2u) << stdoutText;
    for (size_t i = 1; i < lines.size(); ++i) {
        EXPECT_EQ(lines[i].rfind("Upload progress: Step ", 0), 0u) << lines[i];
        // Whatever the line before showed is covered.
        EXPECT_GE(lines[i].size(), withoutTrailingBlanks(lines[i - 1]).size()) << lines[i];
    }
    const std::string done = withoutTrailingBlanks(lines.back());
    ASSERT_GE(done.size(), 5u);
    EXPECT_EQ(done.substr(done.size() - 5), "Done.");
    EXPECT_EQ(console.rfind("Uploading the results to the server...\n", 0), 0u);

    // A second upload starts below the last "Done." line: its first line, shorter, is padded
    // with blanks to that line's length.
    ServerSession second(env);
    upload(second.url(env.httpsURL), true);
    ASSERT_TRUE(outcome.uploaded) << transcript;
    lines = progressLines(stdoutText);
    ASSERT_GE(lines.size(), 1u) << stdoutText;
    const std::string firstText = withoutTrailingBlanks(lines.front());
    ASSERT_LT(firstText.size(), done.size()) << lines.front();
    EXPECT_EQ(lines.front(), firstText + std::string(done.size() - firstText.size(), ' '));
}

} // namespace
