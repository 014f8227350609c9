#pragma once

#include <cstdint>
#include <ostream>

#include "app/RunSettings.h"

// What the command line can ask of the server client before the run starts.
class CommandLineClient {
public:
    virtual ~CommandLineClient() = default;
    // Switches the client's debug output on; it stays on for the rest of the run.
    virtual void enableDebugOutput() = 0;
    // Runs the connection test and returns its exit code (0 works, 10 failed).
    virtual int runConnectionTest() = 0;
};

struct ParseResult {
    // False: carry on with the run. True: end the process with exitCode, without the pause.
    bool endProcess = false;
    int exitCode = 0;
};

constexpr int kExitUnrecognisedOption = 10;

// Reads the options after the program name into settings and debugLevel. Help, an unrecognised
// option and the connection test end the process; the texts they print go to console.
ParseResult parseCommandLine(int argc, const char* const* argv, RunSettings& settings,
                             int32_t& debugLevel, CommandLineClient& client,
                             std::ostream& console);

// The help text, each line ended, then two empty lines.
void printHelp(std::ostream& console);
