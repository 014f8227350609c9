#include "BuildConfig.h"
#include "app/BackEndFactory.h"
#include "app/RunSequence.h"
#include "app/TimerPeriodSetter.h"
#include "client/CurlGlobal.h"

#if defined(_WIN32)
#include "core/SystemLibrary.h"
#include "app/MessageBoxPrompts.h"
#include "app/WebPage.h"
#include "app/WindowsRunPlatform.h"
#else
#include "app/ConsolePlatform.h"
#endif

#if defined(_WIN32)
// Arguments reach the program exactly as typed: the C runtime must not expand "?" or "*" into
// file names.
extern "C" {
int _dowildcard = 0;
}
#endif

namespace {

#if defined(_WIN32)
class WindowsSystemGatherer : public SystemGatherer {
public:
    SystemDescription gatherSystemDescription() override { return ::gatherSystemDescription(); }
};
#else
// Without the management service there is nothing to ask; the description stays empty.
class EmptySystemGatherer : public SystemGatherer {
public:
    SystemDescription gatherSystemDescription() override { return SystemDescription(); }
};
#endif

} // namespace

int main(int argc, char** argv)
{
#if defined(_WIN32)
    // Before anything loads a library: nothing below may pick one up from the program's folder.
    restrictLibrarySearchToSystemFolder();
#endif
    // The process-wide state that outlives the run: the 1 ms timer resolution, and libcurl's
    // global initialisation before the first easy handle (and its clean-up after the last).
    TimerPeriodSetter timerPeriod;
    CurlGlobal curlGlobal;

#if defined(_WIN32)
    WindowsRunPlatform platform;
    MessageBoxPrompts prompts;
    ShellWebPageOpener webPages;
    WindowsSystemGatherer system;
#else
    ConsoleRunPlatform platform;
    ConsolePrompts prompts;
    ConsoleWebPageOpener webPages;
    EmptySystemGatherer system;
#endif
    BackEndFactory tests;
    RunEnvironment environment{platform, prompts, webPages, system, tests,
                               ServerSettings{KORVID_API_URL, KORVID_CLIENT_NAME,
                                              KORVID_CLIENT_KEY, KORVID_RESULT_PAGE_URL,
                                              "Korvid/" KORVID_VERSION " (Windows)",
                                              KORVID_DOWNLOAD_PAGE_URL}};
    return runSequence(argc, argv, environment);
}
