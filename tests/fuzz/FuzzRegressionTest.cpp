// Replays the fuzzers' seeds and every input they ever found failing: each must be handled
// without a crash, as the fuzz targets in fuzz/ require.
#include <gtest/gtest.h>

#include <dirent.h>

#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "client/ReplyParser.h"
#include "results/BCException.h"

namespace {

std::vector<std::string> filesIn(const std::string& folder)
{
    std::vector<std::string> files;
    if (DIR* dir = opendir(folder.c_str())) {
        while (dirent* entry = readdir(dir)) {
            const std::string name = entry->d_name;
            if (name != "." && name != "..") {
                files.push_back(folder + "/" + name);
            }
        }
        closedir(dir);
    }
    return files;
}

std::string contents(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class QuietClient : public CommandLineClient {
public:
    void enableDebugOutput() override {}
    int runConnectionTest() override { return 0; }
};

TEST(FuzzRegression, RepliesGiveAnIDOrTheExchangeError)
{
    const std::vector<std::string> files = filesIn(std::string(KORVID_SOURCE_DIR) + "/tests/fuzz/replies");
    ASSERT_GE(files.size(), 6u);
    const char* const types[] = {"BenchmarkCPU", "BenchmarkLibraryVersion", "KorvidResult", ""};
    int ids = 0, refusals = 0;
    for (const std::string& file : files) {
        const std::string bytes = contents(file);
        ASSERT_FALSE(bytes.empty()) << file;
        const std::string type = types[static_cast<unsigned char>(bytes[0]) % 4];
        try {
            const int32_t id = extractObjectIDFromReply(bytes.data() + 1, bytes.size() - 1, type);
            EXPECT_NE(id, 0) << file;
            ++ids;
        } catch (const BCException& e) {
            EXPECT_EQ(e.getResponseCode(), 0) << file;
            EXPECT_EQ(e.getTransferErrorCode(), 0) << file;
            ++refusals;
        }
    }
    // The seeds hold both kinds: replies that give an ID and replies that are refused.
    EXPECT_GT(ids, 0);
    EXPECT_GT(refusals, 0);
}

TEST(FuzzRegression, CommandLinesEndInOneOfTheThreeWays)
{
    const std::vector<std::string> files =
        filesIn(std::string(KORVID_SOURCE_DIR) + "/tests/fuzz/command-lines");
    ASSERT_GE(files.size(), 4u);
    for (const std::string& file : files) {
        std::vector<std::string> words{"korvid.exe"};
        std::string current;
        for (char c : contents(file)) {
            if (c == '\0') {
                words.push_back(current);
                current.clear();
            } else {
                current += c;
            }
        }
        words.push_back(current);
        std::vector<const char*> argv;
        for (const std::string& w : words) {
            argv.push_back(w.c_str());
        }
        RunSettings settings;
        int32_t debugLevel = -1;
        QuietClient client;
        std::ostringstream console;
        const ParseResult result =
            parseCommandLine(static_cast<int>(argv.size()), argv.data(), settings, debugLevel, client, console);
        if (result.endProcess) {
            EXPECT_TRUE(result.exitCode == 0 || result.exitCode == 10) << file;
        }
        EXPECT_EQ(settings.testFlags & ~0x1Fu, 0u) << file;
    }
}

} // namespace
