#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "server/http/ServerOptions.h"
#include "tests/app/TempDirectory.h"

namespace {

class ServerOptionsConfigTest : public ::testing::Test {
protected:
    std::string write(const std::string& content)
    {
        const std::string path = folder_.file("korvid-server.conf");
        std::ofstream(path, std::ios::binary) << content;
        return path;
    }

    std::string refusal(std::vector<std::string> args)
    {
        try {
            parseServerOptions(args);
        } catch (const std::runtime_error& error) {
            std::string message = error.what();
            const std::string path = folder_.file("korvid-server.conf");
            for (std::size_t at; (at = message.find(path)) != std::string::npos;)
                message.replace(at, path.size(), "FILE");
            return message;
        }
        return "(accepted)";
    }

    static std::vector<std::string> listeners(const ServerOptions& options)
    {
        std::vector<std::string> found;
        for (const Listener& listener : options.listeners)
            found.push_back(std::string(listener.tls ? "https " : "http ") + listener.host + ":" +
                            std::to_string(listener.port));
        return found;
    }

    apptest::TempDirectory folder_;
};

const char* const kConfig =
    "# as the package ships it, with a few settings made\n"
    "database = postgresql://korvid:se#cret@db/korvid\n"
    "http = 127.0.0.1:8080\n"
    "http = [::1]:8080\n"
    "threads = 16\n"
    "db-pool = 12\n"
    "metrics = 127.0.0.1:9100\n"
    "max-body = 2048\n"
    "packages = /var/lib/korvid-server/packages\n";

} // namespace

TEST_F(ServerOptionsConfigTest, TheFileGivesEveryOptionAndTheCommandLineWins)
{
    const std::string file = write(kConfig);
    const ServerOptions fromFile = parseServerOptions({"--config", file});
    EXPECT_EQ("postgresql://korvid:se#cret@db/korvid", fromFile.database);
    EXPECT_EQ((std::vector<std::string>{"http 127.0.0.1:8080", "http ::1:8080"}), listeners(fromFile));
    EXPECT_EQ(16u, fromFile.threads);
    EXPECT_EQ(12u, fromFile.dbPool);
    ASSERT_TRUE(fromFile.metricsListener.has_value());
    EXPECT_EQ("127.0.0.1", fromFile.metricsListener->host);
    EXPECT_EQ(9100, fromFile.metricsListener->port);
    EXPECT_EQ(2048u, fromFile.limits.maxBodyBytes);
    EXPECT_EQ("/var/lib/korvid-server/packages", fromFile.packagesDir);

    // Before or after --config, the command line's values win; its listeners replace the
    // file's all together, a single-valued option replaces the file's value.
    const ServerOptions both = parseServerOptions(
        {"--threads", "4", "--config", file, "--http", "127.0.0.1:0", "--metrics", "127.0.0.1:0"});
    EXPECT_EQ(4u, both.threads);
    EXPECT_EQ((std::vector<std::string>{"http 127.0.0.1:0"}), listeners(both));
    EXPECT_EQ(0, both.metricsListener->port);
    EXPECT_EQ("postgresql://korvid:se#cret@db/korvid", both.database);
    EXPECT_EQ(12u, both.dbPool);

    // An --https on the command line replaces the file's plain listeners too.
    const ServerOptions tls = parseServerOptions(
        {"--config", file, "--https", "0.0.0.0:8443", "--cert", "c.pem", "--key", "k.pem"});
    EXPECT_EQ((std::vector<std::string>{"https 0.0.0.0:8443"}), listeners(tls));
}

TEST_F(ServerOptionsConfigTest, CommandsTakeTheDatabaseFromTheFileAndNothingElse)
{
    const std::string file = write(kConfig);
    const ServerOptions add = parseServerOptions({"add-client", "Name", "Key", "--config", file});
    EXPECT_EQ(ServerOptions::Command::AddClient, add.command);
    EXPECT_EQ((std::vector<std::string>{"Name", "Key"}), add.arguments);
    EXPECT_EQ("postgresql://korvid:se#cret@db/korvid", add.database);
    EXPECT_TRUE(add.listeners.empty());
    EXPECT_EQ(32u, add.threads);

    const ServerOptions backup = parseServerOptions({"backup", "--config", file, "copy.db", "--database", "sqlite:x.db"});
    EXPECT_EQ((std::vector<std::string>{"copy.db"}), backup.arguments);
    EXPECT_EQ("sqlite:x.db", backup.database);
}

TEST_F(ServerOptionsConfigTest, AnErrorInTheFileNamesItsLine)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"http = 127.0.0.1:8080\nthreads = 0\n",
         "FILE:2: --threads needs a whole number from 1 to 256, not \"0\""},
        {"db-pool = 257\n", "FILE:1: --db-pool needs a whole number from 1 to 256, not \"257\""},
        {"\n\nhttp = 127.0.0.1:65536\n", "FILE:3: --http needs a port from 0 to 65535, not \"65536\""},
        {"metrics = 9100\n", "FILE:1: --metrics needs HOST:PORT, not \"9100\""},
        {"treads = 4\n", "FILE:1: unknown option --treads"},
        {"api-base = api\n", "FILE:1: --api-base needs a path that starts and ends with /"},
        {"config = /etc/other.conf\n", "FILE:1: a configuration file cannot name another"},
        {"count-imported = maybe\n", "FILE:1: count-imported needs yes or no, not \"maybe\""},
        {"threads = 4\nthis is not an option line\n",
         "FILE:2: expected \"name = value\", not \"this is not an option line\""},
        // Checks over several options name no line: either side may hold the mistake.
        {"https = 0.0.0.0:8443\n", "--https needs --cert and --key"},
    };
    for (const auto& [content, expected] : cases)
        EXPECT_EQ(expected, refusal({"--config", write(content)})) << content;

    // The command line's own mistakes still read as before.
    const std::string file = write("threads = 4\n");
    EXPECT_EQ("--threads needs a whole number from 1 to 256, not \"1000000000000\"",
              refusal({"--config", file, "--threads", "1000000000000"}));
    EXPECT_EQ("--config needs a value", refusal({"--config"}));
    EXPECT_EQ("--config given twice", refusal({"--config", file, "--config", file}));
    EXPECT_EQ("cannot read /nonexistent.conf: No such file or directory", refusal({"--config", "/nonexistent.conf"}));
}
