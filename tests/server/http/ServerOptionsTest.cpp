#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "server/http/ServerOptions.h"

namespace {

std::string refusal(const std::vector<std::string>& args)
{
    try {
        parseServerOptions(args);
    } catch (const std::runtime_error& error) {
        return error.what();
    }
    return "(accepted)";
}

} // namespace

TEST(ServerOptionsTest, ReadsListenersDatabaseAndCommands)
{
    const ServerOptions serve = parseServerOptions(
        {"--database", "postgresql://u@db:5432/korvid", "--http", "127.0.0.1:0", "--https",
         "[::1]:8443", "--cert", "c.pem", "--key", "k.pem", "--threads", "4", "--api-base", "/x/"});
    EXPECT_EQ(ServerOptions::Command::Serve, serve.command);
    EXPECT_EQ("postgresql://u@db:5432/korvid", serve.database);
    ASSERT_EQ(2u, serve.listeners.size());
    EXPECT_EQ("127.0.0.1", serve.listeners[0].host);
    EXPECT_EQ(0, serve.listeners[0].port);
    EXPECT_FALSE(serve.listeners[0].tls);
    EXPECT_EQ("::1", serve.listeners[1].host);
    EXPECT_EQ(8443, serve.listeners[1].port);
    EXPECT_TRUE(serve.listeners[1].tls);
    EXPECT_EQ(4u, serve.threads);
    EXPECT_EQ("/x/", serve.apiBase);

    const ServerOptions defaults = parseServerOptions({});
    EXPECT_EQ("sqlite:korvid-results.db", defaults.database);
    ASSERT_EQ(1u, defaults.listeners.size());
    EXPECT_EQ("127.0.0.1", defaults.listeners[0].host);
    EXPECT_EQ(8080, defaults.listeners[0].port);
    EXPECT_EQ(1u << 20, defaults.limits.maxBodyBytes);

    const ServerOptions add = parseServerOptions({"add-client", "Korvid_Linux_1.0", "s3cret", "--database", "sqlite:x.db"});
    EXPECT_EQ(ServerOptions::Command::AddClient, add.command);
    EXPECT_EQ((std::vector<std::string>{"Korvid_Linux_1.0", "s3cret"}), add.arguments);
    EXPECT_EQ("sqlite:x.db", add.database);
    EXPECT_EQ(ServerOptions::Command::Help, parseServerOptions({"--http", "x:1", "--help"}).command);
}

TEST(ServerOptionsTest, RefusesWhatItCannotUse)
{
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"--http"}, "--http needs a value"},
        {{"--http", "8080"}, "--http needs HOST:PORT, not \"8080\""},
        {{"--http", "localhost:99999"}, "--http needs a port from 0 to 65535, not \"99999\""},
        {{"--https", "localhost:8443"}, "--https needs --cert and --key"},
        {{"--cert", "c.pem", "--key", "k.pem"}, "--cert and --key belong to an --https listener"},
        {{"--threads", "0"}, "--threads needs a whole number from 1 to 256, not \"0\""},
        {{"--max-body", "-5"}, "--max-body needs a whole number from 1024 to 1073741824, not \"-5\""},
        {{"--timeout", "5"}, "unknown option --timeout"},
        {{"--api-base", "api"}, "--api-base needs a path that starts and ends with /"},
        {{"--colour", "red"}, "unknown option --colour"},
        {{"--bogus"}, "unknown option --bogus"},
        {{"serve"}, "unknown argument \"serve\" (see --help)"},
        {{"add-client", "name"}, "add-client needs NAME and KEY"},
        {{"add-client", "na:me", "key"}, "a client name cannot contain ':'"},
        {{"disable-client"}, "disable-client needs NAME"},
        {{"disable-client", "x", "--http", "a:1"}, "unknown option --http here"},
        {{"import"}, "import needs at least one FILE"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.second, refusal(c.first)) << c.first[0];
}

// Every numeric option: its least and most values go to their own field, one beyond either
// end is refused naming the range, the default is the one documented, and --help states the
// range and default.
TEST(ServerOptionsTest, NumericOptionsKeepToTheirRanges)
{
    struct Case {
        const char* option;
        unsigned long long least, most, byDefault;
        unsigned long long (*field)(const ServerOptions&);
    };
    const std::vector<Case> cases = {
        {"--threads", 1, 256, 32, [](const ServerOptions& o) -> unsigned long long { return o.threads; }},
        {"--io-threads", 1, 16, 2, [](const ServerOptions& o) -> unsigned long long { return o.ioThreads; }},
        {"--max-body", 1024, 1073741824, 1048576,
         [](const ServerOptions& o) -> unsigned long long { return o.limits.maxBodyBytes; }},
        {"--max-pending-bodies", 1024, 68719476736, 268435456,
         [](const ServerOptions& o) -> unsigned long long { return o.limits.maxPendingBodyBytes; }},
        {"--max-request-line", 256, 65536, 8192,
         [](const ServerOptions& o) -> unsigned long long { return o.limits.maxRequestLine; }},
        {"--max-headers", 10, 1000, 100,
         [](const ServerOptions& o) -> unsigned long long { return o.limits.maxHeaderCount; }},
        {"--max-head", 1024, 1048576, 16384,
         [](const ServerOptions& o) -> unsigned long long { return o.limits.maxHeadBytes; }},
        {"--max-connections", 1, 1000000, 10000,
         [](const ServerOptions& o) -> unsigned long long { return o.limits.maxConnections; }},
        {"--head-timeout", 1, 300, 10,
         [](const ServerOptions& o) -> unsigned long long { return o.limits.headTimeoutSeconds; }},
        {"--body-timeout", 1, 3600, 20,
         [](const ServerOptions& o) -> unsigned long long { return o.limits.bodyTimeoutSeconds; }},
        {"--idle-timeout", 1, 3600, 5,
         [](const ServerOptions& o) -> unsigned long long { return o.limits.idleTimeoutSeconds; }},
        {"--handshake-timeout", 1, 300, 10,
         [](const ServerOptions& o) -> unsigned long long { return o.limits.handshakeTimeoutSeconds; }},
        {"--send-timeout", 1, 3600, 20,
         [](const ServerOptions& o) -> unsigned long long { return o.limits.sendTimeoutSeconds; }},
        {"--shutdown-timeout", 1, 300, 10,
         [](const ServerOptions& o) -> unsigned long long { return o.limits.shutdownTimeoutSeconds; }},
    };
    const ServerOptions defaults = parseServerOptions({});
    const std::string help = kServerHelp;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.option);
        const std::string least = std::to_string(c.least), most = std::to_string(c.most);
        EXPECT_EQ(c.least, c.field(parseServerOptions({c.option, least})));
        EXPECT_EQ(c.most, c.field(parseServerOptions({c.option, most})));
        EXPECT_EQ(c.byDefault, c.field(defaults));
        const std::string range = std::string(c.option) + " needs a whole number from " + least + " to " + most;
        EXPECT_EQ(range + ", not \"" + std::to_string(c.least - 1) + "\"",
                  refusal({c.option, std::to_string(c.least - 1)}));
        EXPECT_EQ(range + ", not \"" + std::to_string(c.most + 1) + "\"",
                  refusal({c.option, std::to_string(c.most + 1)}));
        EXPECT_EQ(range + ", not \"12k\"", refusal({c.option, "12k"}));
        const std::size_t at = help.find(std::string("  ") + c.option + " ");
        ASSERT_NE(std::string::npos, at);
        const std::size_t next = help.find("\n  --", at + 1);
        EXPECT_NE(std::string::npos,
                  help.substr(at, next - at).find("(" + least + "-" + most + ", default " +
                                                  std::to_string(c.byDefault) + ")"));
    }
}
