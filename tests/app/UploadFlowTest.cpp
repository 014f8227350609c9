#include "app/UploadFlow.h"

#include <gtest/gtest.h>

#include <iostream>
#include <sstream>

#include "CapturedStdout.h"
#include "FakeSubmitter.h"
#include "ScriptedPrompts.h"
#include "base/OutputPair.h"

namespace {

using namespace apptest;

const char* const kDownload = "http://results.test/Benchmark/Korvid/Downloads";
const char* const kRetry = "Uploading the results to Korvid failed. Retry?";
const char* const kCertificate =
    "The server's SSL certificate couldn't be authenticated. Upload anyway?";
const char* const kBundle =
    "Cannot find the CA certificates bundle. Korvidis probably not installed correctly. Try "
    "upload again with server certificate authentication disabled?";

struct Upload {
    UploadOutcome outcome;
    std::string console;
    std::string transcript;
    std::string error;
};

Upload upload(RunSettings& settings, FakeSubmitter& client, ScriptedPrompts& prompts)
{
    std::ostringstream console, transcript;
    OutputPair output(console, transcript);
    Upload u;
    try {
        u.outcome = uploadResults(settings, client, prompts, output, kDownload);
    } catch (const std::string& text) {
        u.error = text;
    }
    u.console = console.str();
    u.transcript = transcript.str();
    return u;
}

std::string repeat(const std::string& text, int times)
{
    std::string all;
    for (int i = 0; i < times; ++i)
        all += text;
    return all;
}

RunSettings uploading(bool yesToAll = false)
{
    RunSettings settings;
    settings.uploadChoice = Choice::Yes;
    settings.yesToAll = yesToAll;
    return settings;
}

TEST(UploadFlow, AskedAndDeclinedDoesNothing)
{
    RunSettings settings;
    FakeSubmitter client;
    ScriptedPrompts prompts;
    prompts.answers = {false};
    Upload u = upload(settings, client, prompts);
    ASSERT_EQ(prompts.kinds(), "yesno");
    EXPECT_EQ(prompts.asked[0].caption, "Korvid");
    EXPECT_EQ(prompts.asked[0].text, "Upload the results to the Korvid server (recommended)?");
    EXPECT_EQ(settings.uploadChoice, Choice::No);
    EXPECT_TRUE(client.checkOnAtAttempt.empty());
    EXPECT_FALSE(u.outcome.uploaded);
    EXPECT_EQ(u.console, "");
    EXPECT_EQ(u.transcript, "");
}

TEST(UploadFlow, NoChoiceDoesNothingEvenWithYesToAll)
{
    RunSettings settings;
    settings.uploadChoice = Choice::No;
    settings.yesToAll = true;
    FakeSubmitter client;
    ScriptedPrompts prompts;
    Upload u = upload(settings, client, prompts);
    EXPECT_TRUE(prompts.asked.empty());
    EXPECT_TRUE(client.checkOnAtAttempt.empty());
    EXPECT_EQ(u.console, "");
}

TEST(UploadFlow, AskedAcceptedUploadsAndPrintsResultURL)
{
    RunSettings settings;
    FakeSubmitter client;
    client.script = {FakeSubmitter::success("http://results.test/Benchmark/Korvid/Result/42")};
    ScriptedPrompts prompts;
    prompts.answers = {true};
    Upload u = upload(settings, client, prompts);
    EXPECT_EQ(settings.uploadChoice, Choice::Yes);
    EXPECT_TRUE(u.outcome.uploaded);
    EXPECT_EQ(u.outcome.resultPageURL, "http://results.test/Benchmark/Korvid/Result/42");
    EXPECT_EQ(u.console, "Uploading the results to the server...\n"
                         "Result URL: http://results.test/Benchmark/Korvid/Result/42\n");
    EXPECT_EQ(u.transcript, "Result URL: http://results.test/Benchmark/Korvid/Result/42\n");
    EXPECT_EQ(client.progressSeen, &uploadProgress);
    EXPECT_EQ(client.userValueSeen, 0);
}

TEST(UploadFlow, YesToAllAnswersTheUploadQuestion)
{
    RunSettings settings;
    settings.yesToAll = true;
    FakeSubmitter client;
    client.script = {FakeSubmitter::success("u")};
    ScriptedPrompts prompts;
    Upload u = upload(settings, client, prompts);
    EXPECT_TRUE(prompts.asked.empty());
    EXPECT_EQ(settings.uploadChoice, Choice::Yes);
    EXPECT_TRUE(u.outcome.uploaded);
}

TEST(UploadFlow, UnreachableServerThreeSilentAttemptsThenRetryQuestion)
{
    RunSettings settings = uploading();
    FakeSubmitter client;
    client.otherwise = FakeSubmitter::failure("ERROR: no server", 0, 7);
    ScriptedPrompts prompts;
    prompts.answers = {false};
    Upload u = upload(settings, client, prompts);
    EXPECT_EQ(client.checkOnAtAttempt.size(), 3u);
    ASSERT_EQ(prompts.kinds(), "question");
    EXPECT_EQ(prompts.asked[0].caption, "Korvid");
    EXPECT_EQ(prompts.asked[0].text, kRetry);
    EXPECT_FALSE(prompts.asked[0].yesLabel);
    EXPECT_FALSE(prompts.asked[0].noLabel);
    EXPECT_FALSE(u.outcome.uploaded);
    const std::string failure = "Uploading results failed with exception (7): ERROR: no server\n";
    EXPECT_EQ(u.transcript, repeat(failure, 3));
    EXPECT_EQ(u.console, repeat("Uploading the results to the server...\n" + failure, 3));
}

TEST(UploadFlow, RetryYesKeepsAskingAfterEveryFurtherFailure)
{
    RunSettings settings = uploading();
    FakeSubmitter client;
    client.script = {FakeSubmitter::failure("a", 500, 0), FakeSubmitter::failure("b", 500, 0),
                     FakeSubmitter::failure("c", 500, 0), FakeSubmitter::failure("d", 500, 0),
                     FakeSubmitter::success("url")};
    ScriptedPrompts prompts;
    prompts.answers = {true, true};
    Upload u = upload(settings, client, prompts);
    EXPECT_EQ(prompts.kinds(), "question,question");
    EXPECT_EQ(client.checkOnAtAttempt.size(), 5u);
    EXPECT_TRUE(u.outcome.uploaded);
    // The transfer code is what the line shows, also for an HTTP failure.
    EXPECT_EQ(u.transcript,
              "Uploading results failed with exception (0): a\n"
              "Uploading results failed with exception (0): b\n"
              "Uploading results failed with exception (0): c\n"
              "Uploading results failed with exception (0): d\n"
              "Result URL: url\n");
}

TEST(UploadFlow, UnreachableServerWithYesToAllSixteenAttemptsNoQuestion)
{
    RunSettings settings = uploading(true);
    FakeSubmitter client;
    client.otherwise = FakeSubmitter::failure("ERROR: down", 0, 7);
    ScriptedPrompts prompts;
    Upload u = upload(settings, client, prompts);
    EXPECT_EQ(client.checkOnAtAttempt.size(), 16u);
    EXPECT_TRUE(prompts.asked.empty());
    EXPECT_EQ(u.transcript, repeat("Uploading results failed with exception (7): ERROR: down\n", 16));
    EXPECT_FALSE(u.outcome.uploaded);
}

TEST(UploadFlow, CertificateFailureYesRetriesWithoutTheCheck)
{
    RunSettings settings = uploading();
    FakeSubmitter client;
    client.script = {FakeSubmitter::failure("cert", 0, 60), FakeSubmitter::success("url")};
    ScriptedPrompts prompts;
    prompts.answers = {true};
    Upload u = upload(settings, client, prompts);
    ASSERT_EQ(prompts.kinds(), "question");
    EXPECT_EQ(prompts.asked[0].caption, "Korvid");
    EXPECT_EQ(prompts.asked[0].text, kCertificate);
    EXPECT_EQ(client.checkOnAtAttempt, (std::vector<bool>{true, false}));
    EXPECT_TRUE(u.outcome.uploaded);
    EXPECT_EQ(u.transcript, "Uploading results failed with exception (60): cert\nResult URL: url\n");
}

TEST(UploadFlow, CertificateFailureNoStopsWithCheckOn)
{
    RunSettings settings = uploading();
    FakeSubmitter client;
    client.script = {FakeSubmitter::failure("cert", 0, 60)};
    ScriptedPrompts prompts;
    prompts.answers = {false};
    Upload u = upload(settings, client, prompts);
    EXPECT_EQ(prompts.kinds(), "question");
    EXPECT_EQ(client.disableCalls, 0);
    EXPECT_EQ(client.checkOnAtAttempt.size(), 1u);
    EXPECT_FALSE(u.outcome.uploaded);
}

TEST(UploadFlow, CertificateFailureWithYesToAllDisablesCheckSilently)
{
    RunSettings settings = uploading(true);
    FakeSubmitter client;
    client.script = {FakeSubmitter::failure("cert", 0, 60), FakeSubmitter::success("url")};
    ScriptedPrompts prompts;
    Upload u = upload(settings, client, prompts);
    EXPECT_TRUE(prompts.asked.empty());
    EXPECT_EQ(client.checkOnAtAttempt, (std::vector<bool>{true, false}));
    EXPECT_TRUE(u.outcome.uploaded);
}

TEST(UploadFlow, CertificateFailuresWithYesToAllStopAfterSixteen)
{
    RunSettings settings = uploading(true);
    FakeSubmitter client;
    client.otherwise = FakeSubmitter::failure("cert", 0, 60);
    ScriptedPrompts prompts;
    upload(settings, client, prompts);
    EXPECT_EQ(client.checkOnAtAttempt.size(), 16u);
    EXPECT_TRUE(prompts.asked.empty());
}

TEST(UploadFlow, UnreadableCABundleAsksItsOwnQuestion)
{
    RunSettings settings = uploading();
    FakeSubmitter client;
    client.script = {FakeSubmitter::failure("bundle", 0, 77), FakeSubmitter::success("url")};
    ScriptedPrompts prompts;
    prompts.answers = {true};
    Upload u = upload(settings, client, prompts);
    ASSERT_EQ(prompts.kinds(), "question");
    EXPECT_EQ(prompts.asked[0].text, kBundle);
    EXPECT_EQ(client.checkOnAtAttempt, (std::vector<bool>{true, false}));
    EXPECT_TRUE(u.outcome.uploaded);
}

TEST(UploadFlow, ForbiddenEveryTimeThenNoAsksLoginDenied)
{
    for (const auto& refusal : {FakeSubmitter::failure("forbidden", 403, 0),
                                FakeSubmitter::failure("unauthorised", 401, 0),
                                FakeSubmitter::failure("denied", 0, 67)}) {
        RunSettings settings = uploading();
        FakeSubmitter client;
        client.otherwise = refusal;
        ScriptedPrompts prompts;
        prompts.answers = {false};
        Upload u = upload(settings, client, prompts);
        ASSERT_EQ(prompts.kinds(), "question,logindenied") << refusal.text;
        EXPECT_EQ(prompts.asked[0].text, kRetry);
        EXPECT_EQ(prompts.asked[1].caption, "Korvid");
        EXPECT_EQ(prompts.asked[1].text, kDownload);
        EXPECT_EQ(client.checkOnAtAttempt.size(), 3u);
        EXPECT_FALSE(u.outcome.uploaded);
    }
}

TEST(UploadFlow, LoginDeniedQuestionIsShownEvenWithYesToAll)
{
    RunSettings settings = uploading(true);
    FakeSubmitter client;
    client.otherwise = FakeSubmitter::failure("forbidden", 403, 0);
    ScriptedPrompts prompts;
    upload(settings, client, prompts);
    EXPECT_EQ(client.checkOnAtAttempt.size(), 16u);
    EXPECT_EQ(prompts.kinds(), "logindenied");
}

TEST(UploadFlow, RefusalFollowedByOtherFailureAsksNoLoginDenied)
{
    RunSettings settings = uploading();
    FakeSubmitter client;
    client.script = {FakeSubmitter::failure("forbidden", 403, 0),
                     FakeSubmitter::failure("forbidden", 403, 0),
                     FakeSubmitter::failure("down", 0, 7)};
    ScriptedPrompts prompts;
    prompts.answers = {false};
    upload(settings, client, prompts);
    EXPECT_EQ(prompts.kinds(), "question");
}

TEST(UploadFlow, SuccessAfterRefusalAsksNoLoginDenied)
{
    RunSettings settings = uploading();
    FakeSubmitter client;
    client.script = {FakeSubmitter::failure("forbidden", 403, 0), FakeSubmitter::success("u")};
    ScriptedPrompts prompts;
    Upload u = upload(settings, client, prompts);
    EXPECT_TRUE(prompts.asked.empty());
    EXPECT_TRUE(u.outcome.uploaded);
}

TEST(UploadFlow, ModelErrorEndsTheRunAsTextError)
{
    RunSettings settings = uploading();
    FakeSubmitter client;
    client.script = {FakeSubmitter::failure("down", 0, 7),
                     FakeSubmitter::modelError("BCObject::writeXML failed.")};
    ScriptedPrompts prompts;
    Upload u = upload(settings, client, prompts);
    EXPECT_EQ(u.error, "BCObject::writeXML failed.");
    EXPECT_TRUE(prompts.asked.empty());
    EXPECT_EQ(client.checkOnAtAttempt.size(), 2u);
}

TEST(UploadProgress, ShorterLineIsPaddedAndTheLastEndsTheLine)
{
    std::ostringstream console;
    ProgressLine line(console);
    line.show(1, 3, "Looking up BenchmarkOperatingSystem");
    line.show(2, 3, "Short");
    line.show(3, 3, "Done.");
    const std::string first = "Upload progress: Step 1 of 3. Looking up BenchmarkOperatingSystem";
    const std::string second = "Upload progress: Step 2 of 3. Short";
    const std::string third = "Upload progress: Step 3 of 3. Done.";
    EXPECT_EQ(console.str(), "\r" + first + "\r" + second +
                                 std::string(first.size() - second.size(), ' ') + "\r" + third +
                                 "\n");
}

TEST(UploadProgress, LongerLineNeedsNoPaddingAndPreviousLengthIsNotReset)
{
    std::ostringstream console;
    ProgressLine line(console);
    line.show(1, 2, "ab");
    line.show(2, 2, "abcdef");
    // A new upload on the same console: the previous length is still that of the last line.
    line.show(0, 5, "x");
    EXPECT_EQ(console.str(), "\rUpload progress: Step 1 of 2. ab"
                             "\rUpload progress: Step 2 of 2. abcdef\n"
                             "\rUpload progress: Step 0 of 5. x     ");
}

TEST(UploadProgress, CallbackWritesToStandardOutput)
{
    std::string text;
    {
        CapturedStdout captured;
        uploadProgress(7, 7, "Done.", 0);
        text = captured.text();
    }
    // The process-wide line may remember a longer line from an earlier test; only the start and
    // the end are fixed.
    EXPECT_EQ(text.rfind("\rUpload progress: Step 7 of 7. Done.", 0), 0u);
    EXPECT_EQ(text.back(), '\n');
}

} // namespace
