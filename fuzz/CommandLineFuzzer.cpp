// libFuzzer target: the command line, as NUL-separated arguments.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "app/CommandLine.h"

namespace {

class QuietClient : public CommandLineClient {
public:
    void enableDebugOutput() override {}
    int runConnectionTest() override { return 0; }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<std::string> words{"korvid.exe"};
    std::string current;
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == 0) {
            words.push_back(current);
            current.clear();
        } else {
            current += static_cast<char>(data[i]);
        }
    }
    words.push_back(current);
    std::vector<const char*> argv;
    for (const std::string& w : words) {
        argv.push_back(w.c_str());
    }
    argv.push_back(nullptr);

    RunSettings settings;
    int32_t debugLevel = -1;
    QuietClient client;
    std::ostringstream console;
    const ParseResult result = parseCommandLine(static_cast<int>(words.size()), argv.data(), settings,
                                                debugLevel, client, console);
    if (result.endProcess && result.exitCode != 0 && result.exitCode != 10) {
        std::abort();
    }
    if ((settings.testFlags & ~0x1Fu) != 0) {
        std::abort();
    }
    return 0;
}
