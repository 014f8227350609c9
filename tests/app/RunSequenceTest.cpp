#include "app/RunSequence.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "CapturedStdout.h"
#include "ScriptedPrompts.h"
#include "TempDirectory.h"
#include "base/OutputPair.h"
#include "client/BenchmarkClient.h"
#include "client/DebugLevel.h"
#include "client/TestServer.h"
#include "core/GfxSysNotAvailableException.h"
#include "core/DisturbanceWatch.h"
#include "core/GfxTest.h"
#include "results/BCException.h"
#include "results/BCObject.h"

namespace {

using namespace apptest;

// Everything the fakes did, in order.
using EventLog = std::vector<std::string>;

class FakePlatform : public RunPlatform {
public:
    explicit FakePlatform(EventLog& log) : log_(log) {}
    uint64_t granularity = 1000;

    void setConsoleTitle(const std::string& title) override { log_.push_back("title " + title); }
    void pinThreadToFirstProcessor() override { log_.push_back("pin"); }
    Priorities raisePriorities() override
    {
        log_.push_back("raise");
        Priorities p;
        p.processClass = 0x20;  // NORMAL_PRIORITY_CLASS
        p.threadPriority = 0;
        return p;
    }
    void restorePriorities(const Priorities& previous) override
    {
        log_.push_back("restore " + std::to_string(previous.processClass) + " " +
                       std::to_string(previous.threadPriority));
    }
    uint64_t measureClockGranularity() override
    {
        log_.push_back("granularity");
        return granularity;
    }
    LocalDateTime localDateTime() override
    {
        LocalDateTime t;
        t.year = 2013;
        t.month = 1;
        t.day = 2;
        t.hour = 14;
        t.minute = 3;
        t.second = 9;
        return t;
    }
    void waitForEnter() override { log_.push_back("wait"); }
    bool logsWakeHold = false;
    std::unique_ptr<WakeHold> keepAwake() override
    {
        if (!logsWakeHold)
            return nullptr;
        log_.push_back("awake");
        return std::make_unique<LoggedWakeHold>(log_);
    }

private:
    struct LoggedWakeHold : WakeHold {
        explicit LoggedWakeHold(EventLog& log) : log(log) {}
        ~LoggedWakeHold() override { log.push_back("asleep"); }
        EventLog& log;
    };
    EventLog& log_;
};

class FakeGatherer : public SystemGatherer {
public:
    explicit FakeGatherer(EventLog& log) : log_(log) {}
    SystemDescription gatherSystemDescription() override
    {
        log_.push_back("gather");
        SystemDescription d;
        d.osDescription = "7 Professional Service Pack 1 (build 7601)";
        d.boardModel = "Board";
        d.boardManufacturer = "Maker";
        d.cpuName = "CPU";
        d.cpuVersion = "Family 6";
        d.cpuClockSpeed = 3400000000ull;
        d.totalMemory = 8589934592ull;
        d.kernel32 = {6, 1, 7601, 17514};
        d.gdi32 = {6, 1, 7601, 17514};
        return d;
    }

private:
    EventLog& log_;
};

// A graphics test whose operations take no time but report one hundred microseconds each,
// so the runner's first count (10 000) lasts exactly one second.
class InstantGfxTest : public GfxTest {
public:
    InstantGfxTest(const std::string& name, EventLog& log, BenchmarkClient& client,
                   const std::string& statusPrefix, OutputPair& output, uint32_t testFlags,
                   bool failPixelArrays, bool throwInTests)
        : GfxTest(client, statusPrefix, output, testFlags), log_(log), name_(name),
          failPixelArrays_(failPixelArrays), throwInTests_(throwInTests)
    {
        log_.push_back("create " + name_ + " [" + statusPrefix + "] " +
                       std::to_string(testFlags));
        cardName = "Fake Card: " + name_ + "/1";
        displayWidth = 32;
        displayHeight = 48;
        statusHeight = 16;
        // Shows which precision and notation the streams have after the duration line.
        // Values that fixed notation would print otherwise ("0.500", "1234.568").
        output << "Card memory " << 2.0 / 3.0 << " " << 0.5 << " " << 1234.5678 << std::endl;
    }
    ~InstantGfxTest() override { log_.push_back("destroy " + name_); }

    int32_t runPixelArrayTests(int32_t firstTest, int32_t /*totalTests*/,
                               uint64_t minimumMicroseconds, bool& failed) override
    {
        log_.push_back("pixel arrays " + std::to_string(minimumMicroseconds));
        if (throwInTests_)
            throw std::string("ERROR: The graphics device was lost.");
        if (failPixelArrays_)
            failed = true;
        return firstTest + 2;
    }
    int32_t pixelArrayTestCount() override { return 2; }
    double fillRectTest(int32_t, int32_t, int32_t count) override { return count * 1e-4; }
    double bltBitMapTest(int32_t, int32_t, int32_t count) override { return count * 1e-4; }
    double overlappedBltBitMapTest(int32_t, int32_t, int32_t count) override
    {
        return count * 1e-4;
    }
    double compositeTest(int32_t, int32_t, int32_t count, bool&) override { return count * 1e-4; }
    double compositeSrcMaskTest(int32_t, int32_t, int32_t, bool&, bool&) override { return -1.0; }
    double randomTest(int32_t count, uint64_t& pixelCount) override
    {
        pixelCount = static_cast<uint64_t>(count) * 256;
        return count * 1e-4;
    }
    void setStatusMessage(const std::string&) override {}

    // Reports the test window minimised at every question.
    bool minimised = false;

protected:
    DisturbanceWatch* disturbanceWatch() override { return minimised ? &watch_ : nullptr; }

private:
    struct MinimisedWatch : DisturbanceWatch {
        uint32_t poll() override { return DISTURBANCE_MINIMISED; }
    } watch_;
    EventLog& log_;
    std::string name_;
    bool failPixelArrays_;
    bool throwInTests_;
};

class FakeFactory : public GfxTestFactory {
public:
    explicit FakeFactory(EventLog& log) : log_(log) {}
    enum class Direct2D { Works, NotAvailable, Missing, ThrowsExchangeError, ThrowsOther };
    Direct2D direct2D = Direct2D::Works;
    enum class Gdi { Works, ThrowsText, ThrowsNotAvailable, Missing } gdi = Gdi::Works;
    bool failPixelArrays = false;
    bool throwInTests = false;
    bool minimised = false;

    std::unique_ptr<GfxTest> createDirect2DTest(BenchmarkClient& client, const std::string& prefix,
                                                OutputPair& output, uint32_t flags) override
    {
        if (direct2D == Direct2D::NotAvailable) {
            log_.push_back("d2d unavailable");
            throw GfxSysNotAvailableException("This machine doesn't support Direct2D.");
        }
        if (direct2D == Direct2D::Missing)
            return nullptr;
        if (direct2D == Direct2D::ThrowsExchangeError)
            throw BCException("Lookup of the graphics card failed.", 500, 0);
        if (direct2D == Direct2D::ThrowsOther)
            throw std::runtime_error("out of video memory");
        auto test = std::make_unique<InstantGfxTest>("d2d", log_, client, prefix, output, flags,
                                                     failPixelArrays, throwInTests);
        test->minimised = minimised;
        return test;
    }
    std::unique_ptr<GfxTest> createGDITest(BenchmarkClient& client, const std::string& prefix,
                                           OutputPair& output, uint32_t flags) override
    {
        switch (gdi) {
        case Gdi::ThrowsText:
            throw std::string("ERROR: Could not create the test window.");
        case Gdi::ThrowsNotAvailable:
            throw GfxSysNotAvailableException("GDI is not available.");
        case Gdi::Missing:
            return nullptr;
        case Gdi::Works:
            break;
        }
        return std::make_unique<InstantGfxTest>("gdi", log_, client, prefix, output, flags,
                                                failPixelArrays, throwInTests);
    }

private:
    EventLog& log_;
};

// One run of the sequence in a fresh current directory, with standard output captured.
class RunSequenceTest : public ::testing::Test {
protected:
    EventLog log;
    FakePlatform platform{log};
    ScriptedPrompts prompts;
    RecordingWebPageOpener webPages;
    FakeGatherer gatherer{log};
    FakeFactory factory{log};
    // Nothing listens on port 1: every request fails at once with libcurl's code 7.
    ServerSettings server{"https://127.0.0.1:1/api/v1/", "Korvid_Windows_2.9", "key",
                          "http://127.0.0.1:1/Benchmark/Korvid/Result/", "Korvid/2.9 (Windows)",
                          "http://127.0.0.1:1/Benchmark/Korvid/Downloads"};
    TempDirectory dir;
    std::string out;

    void TearDown() override { setDebugLevel(-1); }

    int run(std::vector<std::string> args)
    {
        args.insert(args.begin(), "korvid.exe");
        std::vector<const char*> argv;
        for (const std::string& a : args)
            argv.push_back(a.c_str());
        RunEnvironment environment{platform, prompts, webPages, gatherer, factory, server};
        CurrentDirectory inside(dir.path());
        CapturedStdout captured;
        const int code = runSequence(static_cast<int>(argv.size()), argv.data(), environment);
        out = captured.text();
        return code;
    }

    bool printed(const std::string& text) const { return out.find(text) != std::string::npos; }

    std::vector<std::string> filesSaved() const
    {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
            names.push_back(entry.path().filename().string());
        return names;
    }
};

const char* const kSeparator = "------------------------------------------------------------";
const char* const kConfirmation =
    "For maximum accuracy, it is recommended that you close all other programs before "
    "continuing with the benchmarking.";
const char* const kPause = "\n\nPress ENTER to exit\n";

bool endsWith(const std::string& text, const std::string& end)
{
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

TEST_F(RunSequenceTest, WholeRoadAsksEveryQuestionInOrder)
{
    prompts.answers = {true, false, true};  // continue, no upload, save
    prompts.savePaths = {dir.file("chosen.kvdresult")};
    EXPECT_EQ(run({}), 0);

    ASSERT_EQ(prompts.kinds(), "question,yesno,yesno,save");
    EXPECT_EQ(prompts.asked[0].caption, "Korvid");
    EXPECT_EQ(prompts.asked[0].text, kConfirmation);
    EXPECT_EQ(prompts.asked[0].yesLabel, std::optional<std::string>("Continue"));
    EXPECT_EQ(prompts.asked[0].noLabel, std::optional<std::string>("Cancel"));
    EXPECT_EQ(prompts.asked[1].text, "Upload the results to the Korvid server (recommended)?");
    EXPECT_EQ(prompts.asked[2].text, "Save the results to disk?");
    EXPECT_EQ(prompts.asked[3].text, "Fake Card_ d2d_1__2013-01-02_14-03-09.kvdresult");

    EXPECT_EQ(log, (EventLog{"title Korvid", "gather", "pin", "granularity",
                             "create d2d [Korvid 2.9 (2012/06/11). ] 31", "raise",
                             "pixel arrays 1000000", "restore 32 0", "destroy d2d", "wait"}));

    // Banner first, then the description; the duration line in fixed notation, the precision
    // of 3 kept afterwards in general notation.
    EXPECT_EQ(out.rfind(std::string(kSeparator) + "\nKorvid 2.9\nA benchmark tool for graphics "
                                                  "cards.\n",
                        0),
              0u);
    EXPECT_TRUE(printed("\n\nSystem Information:\n"));
    EXPECT_TRUE(printed("\n\nMeasuring clock granularity...\nClock granularity is: 1000us\n"
                        "Tests will take at least 1.000 seconds each.\n\nCard memory 0.667 0.5 1.23e+03\n"));
    EXPECT_TRUE(printed(std::string(kSeparator) + "\nUploading") == false);
    EXPECT_TRUE(printed("Saved the results to " + dir.file("chosen.kvdresult") + "\n"));
    EXPECT_TRUE(endsWith(out, kPause));
    EXPECT_TRUE(webPages.opened.empty());

    // The file holds what went through the output pair: not the console-only lines.
    const std::string saved = readBytes(dir.file("chosen.kvdresult"));
    EXPECT_EQ(saved.rfind(std::string(kSeparator), 0), 0u);
    EXPECT_NE(saved.find("Clock granularity is: 1000us"), std::string::npos);
    EXPECT_NE(saved.find("Card memory 0.667 0.5 1.23e+03"), std::string::npos);
    EXPECT_EQ(saved.find("Measuring clock granularity"), std::string::npos);
    EXPECT_EQ(saved.find("Kernel32.dll version"), std::string::npos);
    EXPECT_EQ(saved.find("cannot be submitted"), std::string::npos);
}

TEST_F(RunSequenceTest, DisturbedRunIsSavedButNeverSubmitted)
{
    factory.minimised = true;
    platform.logsWakeHold = true;
    EXPECT_EQ(run({"-y", "-sd"}), 0);
    EXPECT_EQ(prompts.kinds(), "");
    EXPECT_FALSE(printed("Uploading"));
    const std::string refusal =
        std::string(kSeparator) +
        "\nSome tests were disturbed, so the result cannot be submitted to the results server. "
        "Close other programs, keep the screen on and run the benchmark again.\n";
    EXPECT_TRUE(printed(refusal)) << out;
    // The display and the system are kept awake from before the test window opens until it
    // has closed.
    EXPECT_EQ(log, (EventLog{"title Korvid", "gather", "pin", "granularity", "awake",
                             "create d2d [Korvid 2.9 (2012/06/11). ] 31", "raise",
                             "pixel arrays 1000000", "restore 32 0", "destroy d2d", "asleep",
                             "wait"}));
    const std::vector<std::string> files = filesSaved();
    ASSERT_EQ(files.size(), 1u);
    std::string saved = readBytes(dir.file(files[0]));
    saved.erase(std::remove(saved.begin(), saved.end(), '\r'), saved.end());
    EXPECT_NE(saved.find("WARNING: This test was disturbed (the test window was minimised)"),
              std::string::npos);
    EXPECT_NE(saved.find(refusal), std::string::npos);
}

TEST_F(RunSequenceTest, CancelAtConfirmationEndsBeforeAnyTest)
{
    prompts.answers = {false};
    EXPECT_EQ(run({"-sd"}), 0);
    EXPECT_EQ(prompts.kinds(), "question");
    EXPECT_TRUE(endsWith(out, "seconds each.\n\nUser cancelled. Exiting.\n" + std::string(kPause)));
    EXPECT_EQ(log, (EventLog{"title Korvid", "gather", "pin", "granularity", "wait"}));
    EXPECT_TRUE(filesSaved().empty());
}

TEST_F(RunSequenceTest, WithoutFillTestsNoUploadButSaveQuestion)
{
    prompts.answers = {true, false};  // continue, do not save
    EXPECT_EQ(run({"-nf", "-u"}), 0);
    EXPECT_EQ(prompts.kinds(), "question,yesno");
    EXPECT_EQ(prompts.asked[1].text, "Save the results to disk?");
    EXPECT_EQ(log[4], "create d2d [Korvid 2.9 (2012/06/11). ] 29");
    EXPECT_TRUE(printed(std::string(kSeparator) +
                        "\nDid not perform the full set of tests, so the result cannot be "
                        "submitted to the results server\n"));
    EXPECT_FALSE(printed("Uploading"));
}

TEST_F(RunSequenceTest, FailedTestsAreNeverSubmitted)
{
    factory.failPixelArrays = true;
    EXPECT_EQ(run({"-y", "-ns"}), 0);
    EXPECT_TRUE(printed(std::string(kSeparator) +
                        "\nSome tests failed, so the result cannot be submitted to the results "
                        "server\n"));
    EXPECT_FALSE(printed("Uploading"));
    EXPECT_TRUE(prompts.asked.empty());

    // Also when a group was left out: the failure is what the line names.
    prompts.answers = {true};
    EXPECT_EQ(run({"-nr", "-ns"}), 0);
    EXPECT_TRUE(printed(std::string(kSeparator) +
                        "\nSome tests failed, so the result cannot be submitted to the results "
                        "server\n"));
    EXPECT_FALSE(printed("Did not perform"));
    EXPECT_EQ(prompts.kinds(), "question");
}

TEST_F(RunSequenceTest, MissingDirect2DFallsBackToGDIAndMayStillUpload)
{
    factory.direct2D = FakeFactory::Direct2D::NotAvailable;
    prompts.answers = {true, false};  // continue, no upload
    EXPECT_EQ(run({"-ns"}), 0);
    EXPECT_TRUE(printed("seconds each.\n\nThis machine doesn't support Direct2D.\nCard memory"));
    EXPECT_EQ(prompts.kinds(), "question,yesno");
    EXPECT_EQ(prompts.asked[1].text, "Upload the results to the Korvid server (recommended)?");
    EXPECT_EQ(log[4], "d2d unavailable");
    EXPECT_EQ(log[5], "create gdi [Korvid 2.9 (2012/06/11). ] 31");
}

TEST_F(RunSequenceTest, NoGraphicsTestIsAFatalTextError)
{
    factory.direct2D = FakeFactory::Direct2D::Missing;
    factory.gdi = FakeFactory::Gdi::Missing;
    EXPECT_EQ(run({"-y"}), 0);
    EXPECT_TRUE(endsWith(out, "\nERROR: Could not initialise tests.\n" + std::string(kPause)));
    EXPECT_TRUE(filesSaved().empty());
}

TEST_F(RunSequenceTest, GDIFallbackFailures)
{
    factory.direct2D = FakeFactory::Direct2D::NotAvailable;
    factory.gdi = FakeFactory::Gdi::ThrowsText;
    EXPECT_EQ(run({"-y"}), 0);
    EXPECT_TRUE(endsWith(out, "This machine doesn't support Direct2D.\n"
                              "ERROR: Could not create the test window.\n" +
                                  std::string(kPause)));

    // GDI refusing as unavailable after Direct2D did is no known machine's case: it ends as an
    // error line, with an exit code that tells it from an ordinary failed run.
    factory.gdi = FakeFactory::Gdi::ThrowsNotAvailable;
    EXPECT_EQ(run({"-y"}), 1);
    EXPECT_TRUE(endsWith(out, "This machine doesn't support Direct2D.\n"
                              "ERROR: GDI is not available.\n" +
                                  std::string(kPause)));
    EXPECT_TRUE(filesSaved().empty());
}

TEST_F(RunSequenceTest, ErrorInsideTheTestsRestoresPrioritiesAndClosesTheTestFirst)
{
    factory.throwInTests = true;
    EXPECT_EQ(run({"-y"}), 0);
    EXPECT_EQ(log, (EventLog{"title Korvid", "gather", "pin", "granularity",
                             "create d2d [Korvid 2.9 (2012/06/11). ] 31", "raise",
                             "pixel arrays 1000000", "restore 32 0", "destroy d2d", "wait"}));
    EXPECT_TRUE(endsWith(out, "\nERROR: The graphics device was lost.\n" + std::string(kPause)));
    EXPECT_TRUE(filesSaved().empty());
}

TEST_F(RunSequenceTest, UnexpectedErrorsAreReportedWithNonZeroExitCode)
{
    factory.direct2D = FakeFactory::Direct2D::ThrowsExchangeError;
    EXPECT_EQ(run({"-y"}), 1);
    EXPECT_TRUE(endsWith(out, "seconds each.\n\nERROR: Lookup of the graphics card failed. (HTTP "
                              "response code 500, transfer error code 0)\n" +
                                  std::string(kPause)));

    factory.direct2D = FakeFactory::Direct2D::ThrowsOther;
    EXPECT_EQ(run({"-y"}), 1);
    EXPECT_TRUE(endsWith(out, "seconds each.\n\nERROR: out of video memory\n" +
                                  std::string(kPause)));
    EXPECT_TRUE(filesSaved().empty());
}

TEST_F(RunSequenceTest, GranularityBelowAMicrosecond)
{
    platform.granularity = 0;
    EXPECT_EQ(run({"-y", "-nu", "-ns"}), 0);
    EXPECT_TRUE(printed("Clock granularity is less than a microsecond\n"
                        "Tests will take at least 0.001 seconds each.\n\n"));
    EXPECT_FALSE(printed("Clock granularity is: "));
    EXPECT_NE(std::find(log.begin(), log.end(), "pixel arrays 1000"), log.end());
}

TEST_F(RunSequenceTest, EarlyEndingsSkipThePause)
{
    EXPECT_EQ(run({"-h"}), 0);
    EXPECT_TRUE(printed("\n\nCommand line options: \n"));
    EXPECT_TRUE(endsWith(out, "the \"file exists\" message box will NOT show)\n\n\n"));
    EXPECT_EQ(log, (EventLog{"title Korvid"}));

    log.clear();
    EXPECT_EQ(run({"-nf", "-x"}), 10);
    EXPECT_TRUE(printed(std::string(kSeparator) + "\n\nERROR: Unrecognised command line option.-x"
                                                  "\n\nCommand line options: \n"));
    EXPECT_EQ(log, (EventLog{"title Korvid"}));
}

TEST_F(RunSequenceTest, ConnectionTestReportsFailureAndEnds)
{
    EXPECT_EQ(run({"-tc"}), 10);
    EXPECT_TRUE(printed("Testing the connection to the server...\n"));
    EXPECT_TRUE(printed("Test failed.\n"));
    EXPECT_FALSE(printed("Press ENTER"));
    EXPECT_TRUE(prompts.asked.empty());
}

TEST_F(RunSequenceTest, YesToAllAsksNothingTriesSixteenTimesAndSavesDefaultName)
{
    EXPECT_EQ(run({"-y"}), 0);
    EXPECT_TRUE(prompts.asked.empty());
    size_t failures = 0;
    for (size_t at = out.find("Uploading results failed with exception (7): "); at != std::string::npos;
         at = out.find("Uploading results failed with exception (7): ", at + 1))
        ++failures;
    EXPECT_EQ(failures, 16u);
    const std::string name = "Fake Card_ d2d_1__2013-01-02_14-03-09.kvdresult";
    EXPECT_EQ(filesSaved(), std::vector<std::string>{name});
    EXPECT_TRUE(printed("Saved the results to " + name + "\n"));
    // Not uploaded: no page to open.
    EXPECT_TRUE(webPages.opened.empty());
    EXPECT_FALSE(printed("Opening the submitted results"));
}

TEST_F(RunSequenceTest, UnwritableSaveEndsTheRunWithTheFatalError)
{
    EXPECT_EQ(run({"-y", "-nu", "-s", dir.file("missing/dir/result.kvdresult")}), 0);
    EXPECT_TRUE(endsWith(out, "ERROR: Could not create output file to save results\n" +
                                  std::string(kPause)));
}

// The whole road with a real upload to the local results server.
class RunSequenceServerTest : public RunSequenceTest {
protected:
    TestServerEnv serverEnv;
    std::unique_ptr<ServerSession> session;
    std::unique_ptr<ScopedCABundle> bundle;

    void SetUp() override
    {
        if (!loadTestServerEnv(serverEnv))
            GTEST_SKIP() << "no local results server: run tests/client/start OUTDIR and source "
                            "OUTDIR/server.env (scripts/test does this)";
        session = std::make_unique<ServerSession>(serverEnv);
        bundle = std::make_unique<ScopedCABundle>(readFile(serverEnv.caFile));
        server.apiURL = session->url(serverEnv.httpsURL);
        server.clientName = serverEnv.clientName;
        server.clientKey = serverEnv.clientKey;
        server.resultPageURL = "http://results.test/Benchmark/Korvid/Result/";
    }
};

TEST_F(RunSequenceServerTest, YesToAllUploadsSavesAndOpensTheResultPage)
{
    EXPECT_EQ(run({"-y"}), 0);
    EXPECT_TRUE(prompts.asked.empty());
    ASSERT_EQ(webPages.opened.size(), 1u) << out;
    const std::string url = webPages.opened[0];
    EXPECT_EQ(url.rfind("http://results.test/Benchmark/Korvid/Result/", 0), 0u);
    EXPECT_TRUE(printed(std::string(kSeparator) + "\nUploading the results to the server...\n"));
    EXPECT_TRUE(printed("Done.\nResult URL: " + url + "\nSaved the results to "));
    EXPECT_TRUE(printed("\nOpening the submitted results... Done.\n" + std::string(kPause)));
    // The saved file ends with the upload status and one more line end.
    const std::string name = "Fake Card_ d2d_1__2013-01-02_14-03-09.kvdresult";
    const std::string saved = readBytes(dir.file(name));
    EXPECT_NE(saved.find("Result URL: " + url), std::string::npos);
#ifdef _WIN32
    EXPECT_TRUE(endsWith(saved, "Result URL: " + url + "\r\n\r\n"));
#else
    EXPECT_TRUE(endsWith(saved, "Result URL: " + url + "\n\n"));
#endif
    // The measurements went up with the root record.
    EXPECT_GT(session->requestCount(), 1);
}

TEST_F(RunSequenceServerTest, BrowserThatCannotStartIsReportedAndTheRunGoesOn)
{
    webPages.result = false;
    prompts.answers = {true, false};  // continue; do not save
    EXPECT_EQ(run({"-u"}), 0);
    EXPECT_EQ(prompts.kinds(), "question,yesno");
    EXPECT_EQ(prompts.asked[1].text, "Save the results to disk?");
    EXPECT_TRUE(printed("Opening the submitted results... \nERROR: Could not open a web-browser.\n" +
                        std::string(kPause)));
}

TEST_F(RunSequenceServerTest, DeclinedUploadOpensNothing)
{
    prompts.answers = {true, false};  // continue; do not upload
    EXPECT_EQ(run({"-ns"}), 0);
    EXPECT_EQ(prompts.kinds(), "question,yesno");
    EXPECT_TRUE(webPages.opened.empty());
    EXPECT_EQ(session->requestCount(), 0);
}

} // namespace
