#include "app/RunSequence.h"

#include "BuildConfig.h"

#include <exception>
#include <iomanip>
#include <iostream>
#include <sstream>

#include "app/Banner.h"
#include "app/CommandLine.h"
#include "base/OutputPair.h"
#include "app/Prompts.h"
#include "app/ResultFile.h"
#include "app/RunSettings.h"
#include "app/UploadFlow.h"
#include "client/BenchmarkClient.h"
#include "client/ConnectionTest.h"
#include "client/DebugLevel.h"
#include "core/GfxSysNotAvailableException.h"
#include "core/GfxTest.h"
#include "results/BCException.h"
#include "results/BCObjectCollection.h"
#include "sysinfo/SystemDescriptionReport.h"

namespace {

const char* const kCaption = "Korvid";
const char* const kStatusPrefix = "Korvid " KORVID_VERSION " (2012/06/11). ";
constexpr int kExitUnhandledError = 1;

// The command line's requests to the server client. The debug level is kept in the parser's
// copy while parsing and handed on before anything that reads it.
class ClientCommands : public CommandLineClient {
public:
    ClientCommands(BenchmarkClient& client, const int32_t& debugLevel,
                   const std::string& downloadPageURL, LoginDeniedPrompt& prompt)
        : client_(client), debugLevel_(debugLevel), downloadPageURL_(downloadPageURL),
          prompt_(prompt) {}

    void enableDebugOutput() override { client_.enableDebugOutput(); }

    int runConnectionTest() override
    {
        setDebugLevel(debugLevel_);
        return ::runConnectionTest(downloadPageURL_, client_, kCaption, prompt_);
    }

private:
    BenchmarkClient& client_;
    const int32_t& debugLevel_;
    std::string downloadPageURL_;
    LoginDeniedPrompt& prompt_;
};

// Raised priorities for as long as it lives, so an error inside the tests cannot leave the
// process at time-critical priority.
class RaisedPriorities {
public:
    explicit RaisedPriorities(RunPlatform& platform)
        : platform_(platform), previous_(platform.raisePriorities()) {}
    ~RaisedPriorities() { platform_.restorePriorities(previous_); }
    RaisedPriorities(const RaisedPriorities&) = delete;
    RaisedPriorities& operator=(const RaisedPriorities&) = delete;

private:
    RunPlatform& platform_;
    RunPlatform::Priorities previous_;
};

std::unique_ptr<GfxTest> createGraphicsTest(GfxTestFactory& factory, BenchmarkClient& client,
                                            OutputPair& output, uint32_t testFlags)
{
    std::unique_ptr<GfxTest> test;
    try {
        test = factory.createDirect2DTest(client, kStatusPrefix, output, testFlags);
    } catch (const GfxSysNotAvailableException& e) {
        output.console() << e.getMessage() << std::endl;
        return factory.createGDITest(client, kStatusPrefix, output, testFlags);
    }
    // A build without the Direct2D back end goes straight to GDI.
    if (!test)
        test = factory.createGDITest(client, kStatusPrefix, output, testFlags);
    return test;
}

void openResultPage(WebPageOpener& webPages, const std::string& url)
{
    std::cout << "Opening the submitted results... " << std::flush;
    if (webPages.openWebPage(url))
        std::cout << "Done." << std::endl;
    else
        std::cout << std::endl << "ERROR: Could not open a web-browser." << std::endl;
}

// The whole run, from the console title to opening the uploaded result's page. Returns true
// with exitCode set when the command line alone ends the process (help, an unrecognised
// option, the connection test).
bool runSteps(int argc, const char* const* argv, RunEnvironment& env, int& exitCode)
{
    RunPlatform& platform = env.platform;
    platform.setConsoleTitle(kCaption);

    RunSettings settings;
    std::ostringstream transcript;
    OutputPair output(std::cout, transcript);

    BenchmarkClient client("KorvidResult", env.server.apiURL, env.server.clientName,
                           env.server.clientKey, env.server.resultPageURL, env.server.userAgent);
    const std::shared_ptr<BCObjectCollection> libraries = makeLibraryCollection();
    client.addSubObjectCollection(libraries);
    const uint32_t allTestGroups = TEST_GROUP_ALL;
    bool testsFailed = false;
    bool testsDisturbed = false;
    UploadOutcome upload;
    std::string cardName;

    printBanner(output);

    int32_t debugLevel = getDebugLevel();
    ClientCommands commands(client, debugLevel, env.server.downloadPageURL, env.prompts);
    const ParseResult parsed =
        parseCommandLine(argc, argv, settings, debugLevel, commands, std::cout);
    setDebugLevel(debugLevel);
    if (parsed.endProcess) {
        exitCode = parsed.exitCode;
        return true;
    }

    const SystemDescription description = env.system.gatherSystemDescription();
    SystemDescriptionRecords records =
        recordSystemDescription(*client.getRootObject(), *libraries, description);
    printSystemDescription(output, description);
    printLibraryVersions(output, description, *libraries, records);
    printDescriptionEnd(output);

    platform.pinThreadToFirstProcessor();

    std::cout << "Measuring clock granularity..." << std::endl;
    uint64_t granularity = platform.measureClockGranularity();
    if (granularity != 0) {
        output << "Clock granularity is: " << granularity << "us" << std::endl;
    } else {
        output << "Clock granularity is less than a microsecond" << std::endl;
        granularity = 1;
    }

    const uint64_t minimumDuration = granularity * 1000;
    // Fixed notation only for this line; the precision of 3 stays for everything after it.
    const std::ios_base::fmtflags consoleFlags = std::cout.flags();
    output << std::fixed << std::setprecision(3) << "Tests will take at least "
           << static_cast<double>(minimumDuration) / 1000000.0 << " seconds each." << std::endl;
    std::cout.flags(consoleFlags);
    transcript.flags(consoleFlags);
    output << std::endl;

    if (!settings.yesToAll &&
        !env.prompts.askQuestion(std::string("Continue"), std::string("Cancel"), kCaption,
                                 "For maximum accuracy, it is recommended that you close all "
                                 "other programs before continuing with the benchmarking."))
        throw std::string("User cancelled. Exiting.");

    {
        // Display and system awake from the test window's opening until it has closed.
        const std::unique_ptr<WakeHold> awake = platform.keepAwake();
        std::unique_ptr<GfxTest> test =
            createGraphicsTest(env.tests, client, output, settings.testFlags);
        if (!test)
            throw std::string("ERROR: Could not initialise tests.");
        cardName = test->getCardName();
        {
            RaisedPriorities raised(platform);
            testsFailed = !test->runTests(minimumDuration);
        }
        testsDisturbed = test->wasDisturbed();
    }

    printSeparatorLine(output);

    if (settings.testFlags == allTestGroups && !testsFailed && testsDisturbed) {
        output << "Some tests were disturbed, so the result cannot be submitted to the results "
                  "server. Close other programs, keep the screen on and run the benchmark again."
               << std::endl;
    } else if (settings.testFlags == allTestGroups && !testsFailed) {
        BenchmarkClientSubmitter submitter(client);
        upload = uploadResults(settings, submitter, env.prompts, output,
                               env.server.downloadPageURL);
    } else if (testsFailed) {
        output << "Some tests failed, so the result cannot be submitted to the results server"
               << std::endl;
    } else {
        output << "Did not perform the full set of tests, so the result cannot be submitted to "
                  "the results server"
               << std::endl;
    }

    saveResults(settings, transcript.str(), cardName, platform.localDateTime(), env.prompts,
                std::cout);

    if (settings.uploadChoice == Choice::Yes && upload.uploaded)
        openResultPage(env.webPages, upload.resultPageURL);
    return false;
}

std::string asErrorLine(const std::string& text)
{
    return text.compare(0, 7, "ERROR: ") == 0 ? text : "ERROR: " + text;
}

} // namespace

int runSequence(int argc, const char* const* argv, RunEnvironment& environment)
{
    int exitCode = 0;
    try {
        if (runSteps(argc, argv, environment, exitCode))
            return exitCode;
    } catch (const std::string& text) {
        std::cout << text << std::endl;
    } catch (const BCException& e) {
        std::cout << asErrorLine(e.getMessage()) << " (HTTP response code "
                  << e.getResponseCode() << ", transfer error code " << e.getTransferErrorCode()
                  << ")" << std::endl;
        exitCode = kExitUnhandledError;
    } catch (const GfxSysNotAvailableException& e) {
        std::cout << asErrorLine(e.getMessage()) << std::endl;
        exitCode = kExitUnhandledError;
    } catch (const std::exception& e) {
        std::cout << "ERROR: " << e.what() << std::endl;
        exitCode = kExitUnhandledError;
    } catch (...) {
        std::cout << "ERROR: The run ended with an unexpected error." << std::endl;
        exitCode = kExitUnhandledError;
    }
    std::cout << std::endl << std::endl << "Press ENTER to exit" << std::endl;
    environment.platform.waitForEnter();
    return exitCode;
}
