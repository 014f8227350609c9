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
    EXPECT_EQ(1u << 20, defaults.maxBodyBytes);

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
        {{"--http", "localhost:99999"}, "--http: bad port \"99999\""},
        {{"--https", "localhost:8443"}, "--https needs --cert and --key"},
        {{"--cert", "c.pem", "--key", "k.pem"}, "--cert and --key belong to an --https listener"},
        {{"--threads", "0"}, "--threads needs a number of at least 1"},
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
