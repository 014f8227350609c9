#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "app/ResultFile.h"
#include "sysinfo/SystemDescription.h"

class BenchmarkClient;
class GfxTest;
class OutputPair;
class Prompts;
class WebPageOpener;

// Keeps the display and the system awake while it lives (see RunPlatform::keepAwake).
class WakeHold {
public:
    virtual ~WakeHold() = default;
};

// The process and thread state the run changes: console title, processor affinity, priorities,
// the display and system kept awake, and the final wait for the user. Windows implements it
// with the kernel's calls; tests fake it.
class RunPlatform {
public:
    struct Priorities {
        int32_t processClass = 0;
        int32_t threadPriority = 0;
    };

    virtual ~RunPlatform() = default;
    virtual void setConsoleTitle(const std::string& title) = 0;
    // Keeps the calling thread on the first processor for the rest of the process.
    virtual void pinThreadToFirstProcessor() = 0;
    // Reads the current priorities, then raises the process to above-normal and the thread to
    // time-critical. Returns what it read, for restorePriorities.
    virtual Priorities raisePriorities() = 0;
    // Thread priority first, then the process's priority class.
    virtual void restorePriorities(const Priorities& previous) = 0;
    // The step of the microsecond clock the graphics tests time themselves with
    // (measureClockGranularity on the process-wide clock).
    virtual uint64_t measureClockGranularity() = 0;
    virtual LocalDateTime localDateTime() = 0;
    // Blocks until one character can be read from standard input.
    virtual void waitForEnter() = 0;
    // Keeps the display from going dark and the system from sleeping until the returned owner
    // goes. A platform without such a setting keeps nothing (null).
    virtual std::unique_ptr<WakeHold> keepAwake() { return nullptr; }
};

// Asks the machine for its description (operating system, board, processor, memory, library
// versions). Failures of the queries are text errors.
class SystemGatherer {
public:
    virtual ~SystemGatherer() = default;
    virtual SystemDescription gatherSystemDescription() = 0;
};

// Creates the run's graphics test. Each returns nullptr when that back end is not part of this
// build. createDirect2DTest throws GfxSysNotAvailableException when Direct2D cannot be used.
class GfxTestFactory {
public:
    virtual ~GfxTestFactory() = default;
    virtual std::unique_ptr<GfxTest> createDirect2DTest(BenchmarkClient& client,
                                                        const std::string& statusPrefix,
                                                        OutputPair& output, uint32_t testFlags) = 0;
    virtual std::unique_ptr<GfxTest> createGDITest(BenchmarkClient& client,
                                                   const std::string& statusPrefix,
                                                   OutputPair& output, uint32_t testFlags) = 0;
};

// Where the results server and its web site are, and how this client introduces itself.
struct ServerSettings {
    std::string apiURL;
    std::string clientName;
    std::string clientKey;
    std::string resultPageURL;
    std::string userAgent;
    std::string downloadPageURL;
};

// Everything the run sequence takes from outside: main passes the real platform pieces, tests
// pass fakes.
struct RunEnvironment {
    RunPlatform& platform;
    Prompts& prompts;
    WebPageOpener& webPages;
    SystemGatherer& system;
    GfxTestFactory& tests;
    ServerSettings server;
};
