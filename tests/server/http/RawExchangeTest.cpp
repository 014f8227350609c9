#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <httplib.h>
#include <soci/postgresql/soci-postgresql.h>
#include <sqlite3.h>

#include "../ServerFixture.h"

namespace {

struct Exchange {
    std::string method;
    std::string target;
    std::string body;
    bool login;
    int status;
    std::string reply;
};

httplib::Headers loginHeaders(const std::string& name, const std::string& key)
{
    return {httplib::make_basic_authentication_header(name, key)};
}

httplib::Result send(const ServerUnderTest& server, const Exchange& exchange)
{
    httplib::Client http(server.baseURL());
    const httplib::Headers headers =
        exchange.login ? loginHeaders(kClientName, kClientKey) : httplib::Headers();
    if (exchange.method == "POST")
        return http.Post(exchange.target.c_str(), headers, exchange.body, "application/xml");
    if (exchange.method == "PUT")
        return http.Put(exchange.target.c_str(), headers, exchange.body, "application/xml");
    return http.Get(exchange.target.c_str(), headers);
}

// Writes raw bytes to the server and closes without waiting for an answer.
void sendAndDrop(const ServerUnderTest& server, const std::string& bytes)
{
    const std::string base = server.baseURL();
    const int port = std::stoi(base.substr(base.rfind(':') + 1));
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(0, connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address));
    ASSERT_EQ(static_cast<ssize_t>(bytes.size()), write(fd, bytes.data(), bytes.size()));
    close(fd);
}

// Writes raw bytes (a refused write is no error: the server may answer early and close) and
// reads everything the server sends until it closes.
std::string rawExchange(const ServerUnderTest& server, const std::string& bytes)
{
    const std::string base = server.baseURL();
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(std::stoi(base.substr(base.rfind(':') + 1))));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    timeval timeout{10, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
    std::string reply;
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
        for (std::size_t sent = 0; sent < bytes.size();) {
            const ssize_t n = send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
            if (n <= 0)
                break;
            sent += static_cast<std::size_t>(n);
        }
        shutdown(fd, SHUT_WR);
        char buffer[4096];
        for (ssize_t n; (n = recv(fd, buffer, sizeof buffer, 0)) > 0;)
            reply.append(buffer, static_cast<std::size_t>(n));
    }
    close(fd);
    return reply;
}

std::string chunked(std::size_t chunks, std::size_t chunkBytes)
{
    std::string body;
    char size[32];
    std::snprintf(size, sizeof size, "%zx\r\n", chunkBytes);
    for (std::size_t i = 0; i < chunks; ++i)
        body += size + std::string(chunkBytes, 'x') + "\r\n";
    return body + "0\r\n\r\n";
}

using RawExchangeTest = ServerTest;

} // namespace

// The exchanges a client can get wrong, byte for byte, and that none of them stores anything.
TEST_P(RawExchangeTest, RefusalsHaveTheirStatusAndReason)
{
    const std::string os = "<BenchmarkOperatingSystem>\n\t<Name>AmigaOS</Name>\n</BenchmarkOperatingSystem>\n";
    const std::vector<Exchange> exchanges = {
        {"GET", "/api/v1/BenchmarkOperatingSystem?Name=AmigaOS&", "", false, 401, "a login is needed\n"},
        {"GET", "/api/v1/Unknown?Name=x&", "", true, 404, "unknown record type\n"},
        {"GET", "/api/v1/BenchmarkCPU?Name=%ZZ&", "", true, 400, "malformed percent-encoding in the query\n"},
        {"GET", "/api/v1/BenchmarkCPU?Name=x&", "", true, 200, "<SearchResponse/>\n"},
        {"GET", "/api/v1/KorvidResult?ProcessorID=1&", "", true, 200, "<SearchResponse/>\n"},
        {"PUT", "/api/v1/BenchmarkCPU", os, true, 405, "only GET and POST\n"},
        {"POST", "/api/v1/BenchmarkCPU", os, true, 400,
         "the root element <BenchmarkOperatingSystem> does not match the type BenchmarkCPU of the address\n"},
        {"POST", "/api/v1/KorvidResult", "<KorvidResult><Processor id=\"99\"/></KorvidResult>", true, 400,
         "<Processor> names record 99, which does not exist\n"},
        {"POST", "/api/v1/KorvidResult",
         "<KorvidResult><RAMSize>1</RAMSize><Libraries><BenchmarkLibraryVersion id=\"98\"/></Libraries></KorvidResult>",
         true, 400, "a member of <Libraries> names record 98, which does not exist\n"},
        {"POST", "/api/v1/BenchmarkLibraryVersion",
         "<BenchmarkLibraryVersion><LibraryVersion>1</LibraryVersion><Library id=\"1\"/></BenchmarkLibraryVersion>",
         true, 400, "<Library> names record 1, which does not exist\n"},
        {"POST", "/api/v1/BenchmarkCPU", std::string(2 << 20, 'x'), true, 413, "the request body is too large\n"},
        {"GET", "/Benchmark/Korvid/Nothing", "", false, 404, ""},
    };
    for (const Exchange& exchange : exchanges) {
        const auto result = send(*server_, exchange);
        ASSERT_TRUE(result) << exchange.method << " " << exchange.target;
        EXPECT_EQ(exchange.status, result->status) << exchange.target;
        if (!exchange.reply.empty()) {
            EXPECT_EQ(exchange.reply, result->body) << exchange.target;
        }
        if (exchange.status == 401) {
            EXPECT_EQ("Basic realm=\"Korvid results\", charset=\"UTF-8\"",
                      result->get_header_value("WWW-Authenticate"));
        }
    }
    EXPECT_EQ(0, server_->count("SELECT COUNT(*) FROM records"));
    EXPECT_EQ(0, server_->count("SELECT COUNT(*) FROM results"));
    EXPECT_EQ(0, server_->count("SELECT COUNT(*) FROM result_fields"));

    // A library version whose reference names an operating system is refused too.
    const auto stored = send(*server_, {"POST", "/api/v1/BenchmarkOperatingSystem", os, true, 200, ""});
    EXPECT_EQ("<BenchmarkOperatingSystem><ID>1</ID></BenchmarkOperatingSystem>\n", stored->body);
    const auto wrongType = send(*server_, {"POST", "/api/v1/BenchmarkLibraryVersion",
                                           "<BenchmarkLibraryVersion><Library id=\"1\"/></BenchmarkLibraryVersion>",
                                           true, 400, ""});
    EXPECT_EQ("<Library> names record 1 of type BenchmarkOperatingSystem, not BenchmarkLibrary\n",
              wrongType->body);
}

// A client that goes away in mid-upload leaves nothing behind, and the server serves on.
TEST_P(RawExchangeTest, DroppedUploadLeavesNothing)
{
    const std::string body = "<BenchmarkCPU>\n\t<Name>Half</Name>\n</BenchmarkCPU>\n";
    sendAndDrop(*server_, "POST /api/v1/BenchmarkCPU HTTP/1.1\r\nHost: x\r\nAuthorization: " +
                              httplib::make_basic_authentication_header(kClientName, kClientKey).second +
                              "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" +
                              body.substr(0, 20));
    sendAndDrop(*server_, "GET /api/v1/BenchmarkCPU?Name=");
    const auto after = send(*server_, {"GET", "/api/v1/BenchmarkCPU?Name=Half&", "", true, 200, ""});
    ASSERT_TRUE(after);
    EXPECT_EQ("<SearchResponse/>\n", after->body);
    EXPECT_EQ(0, server_->count("SELECT COUNT(*) FROM records"));
}

// Requests beyond the HTTP limits, byte for byte: each is answered with its status and reason
// and the connection closed, or (HEAD) with the GET's length and no body; none stores anything.
TEST_P(RawExchangeTest, HttpLimitsHaveTheirStatusAndReason)
{
    const std::string login =
        "Authorization: " + httplib::make_basic_authentication_header(kClientName, kClientKey).second + "\r\n";
    const std::string cpu = "<BenchmarkCPU><Name>Kept out</Name></BenchmarkCPU>";
    const std::string post = "POST /api/v1/BenchmarkCPU HTTP/1.1\r\nHost: x\r\n" + login;
    std::string manyFields;
    for (int i = 0; i < 100; ++i)
        manyFields += "X-F" + std::to_string(i) + ": v\r\n";
    struct Case {
        const char* what;
        std::string request;
        std::string head;  // the reply's start, through the headers that matter
        std::string body;
    };
    const std::vector<Case> cases = {
        {"gzip", post + "Content-Encoding: gzip\r\nContent-Length: " + std::to_string(cpu.size()) + "\r\n\r\n" + cpu,
         "HTTP/1.1 415 Unsupported Media Type\r\n", "compressed or encoded request bodies are not accepted\n"},
        {"announced length", post + "Content-Length: 1048577\r\n\r\n" + cpu, "HTTP/1.1 413 Payload Too Large\r\n",
         "the request body is too large\n"},
        {"length at the limit, cut short", post + "Content-Length: 1048576\r\n\r\n" + cpu, "", ""},
        {"chunks", post + "Transfer-Encoding: chunked\r\n\r\n" + chunked(3, 400000),
         "HTTP/1.1 413 Payload Too Large\r\n", "the request body is too large\n"},
        {"request line", "GET /" + std::string(8200, 'a') + " HTTP/1.1\r\nHost: x\r\n\r\n",
         "HTTP/1.1 414 URI Too Long\r\n", "the request line is too long\n"},
        {"fields", "GET / HTTP/1.1\r\nHost: x\r\n" + manyFields + "\r\n",
         "HTTP/1.1 431 Request Header Fields Too Large\r\n", "the request has too many header fields\n"},
        {"head", "GET / HTTP/1.1\r\nHost: x\r\nX-Big: " + std::string(16400, 'b') + "\r\n\r\n",
         "HTTP/1.1 431 Request Header Fields Too Large\r\n", "the request head is too large\n"},
        {"transfer coding", post + "Transfer-Encoding: gzip, chunked\r\n\r\n" + chunked(1, 10),
         "HTTP/1.1 501 Not Implemented\r\n", "no transfer coding but chunked is accepted\n"},
        {"two lengths", post + "Content-Length: 5\r\nContent-Length: 6\r\n\r\nabcdef",
         "HTTP/1.1 400 Bad Request\r\n", "malformed request\n"},
        {"garbage", "HELLO THERE\r\n\r\n", "HTTP/1.1 400 Bad Request\r\n", "malformed request\n"},
        {"head of a lookup", "HEAD /api/v1/BenchmarkCPU?Name=x& HTTP/1.1\r\nHost: x\r\n" + login + "Connection: close\r\n\r\n",
         "HTTP/1.1 200 OK\r\nContent-Type: application/xml\r\nConnection: close\r\nContent-Length: 18\r\n", ""},
    };
    for (const Case& c : cases) {
        const std::string reply = rawExchange(*server_, c.request);
        const std::size_t blank = reply.find("\r\n\r\n");
        EXPECT_EQ(c.head, reply.substr(0, c.head.size())) << c.what;
        if (!c.head.empty()) {
            EXPECT_EQ(c.body, blank == std::string::npos ? "(no head)" : reply.substr(blank + 4)) << c.what;
        } else {
            EXPECT_EQ("", reply) << c.what;  // a body cut short is dropped, not answered
        }
        if (!c.head.empty() && c.head.find(" 200 ") == std::string::npos) {
            EXPECT_NE(std::string::npos, reply.find("\r\nConnection: close\r\n")) << c.what;
        }
    }
    EXPECT_EQ(0, server_->count("SELECT COUNT(*) FROM records"));
    const auto after = send(*server_, {"GET", "/api/v1/BenchmarkCPU?Name=x&", "", true, 200, ""});
    ASSERT_TRUE(after);
    EXPECT_EQ("<SearchResponse/>\n", after->body);
}

INSTANTIATE_TEST_SUITE_P(Storages, RawExchangeTest,
                         testing::Values(Storage::SQLite, Storage::PostgreSQL), storageName);

// Another program holding SQLite's write lock makes writers answer "busy" until it lets go.
TEST(ServerFaultTest, LockedSQLiteDatabaseAnswersBusyAndRecovers)
{
    std::string reason;
    const std::string url = freshDatabaseURL(Storage::SQLite, reason);
    ServerOptions options;
    options.threads = 2;
    options.listeners.push_back(Listener{"127.0.0.1", 0, false});
    ServerUnderTest server(url, options, 1);

    sqlite3* other = nullptr;
    ASSERT_EQ(SQLITE_OK, sqlite3_open(url.substr(7).c_str(), &other));
    ASSERT_EQ(SQLITE_OK, sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr));
    const Exchange post{"POST", "/api/v1/BenchmarkCPU", "<BenchmarkCPU><Name>Busy</Name></BenchmarkCPU>", true, 0, ""};
    const auto busy = send(server, post);
    ASSERT_TRUE(busy);
    EXPECT_EQ(503, busy->status);
    EXPECT_EQ("the database is busy or unavailable; try again\n", busy->body);
    EXPECT_EQ("2", busy->get_header_value("Retry-After"));
    ASSERT_EQ(SQLITE_OK, sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr));
    sqlite3_close(other);

    const auto stored = send(server, post);
    ASSERT_TRUE(stored);
    EXPECT_EQ(200, stored->status);
    EXPECT_EQ("<BenchmarkCPU><ID>1</ID></BenchmarkCPU>\n", stored->body);
}

// PostgreSQL drops the server's connections (a restart, a fail-over): a request that meets a
// dead connection may be answered "busy", never anything worse, and the server reconnects.
TEST(ServerFaultTest, LostPostgreSQLConnectionsAreReopened)
{
    std::string reason;
    const std::string url = freshDatabaseURL(Storage::PostgreSQL, reason);
    if (url.empty())
        GTEST_SKIP() << reason;
    ServerOptions options;
    options.threads = 1;
    options.listeners.push_back(Listener{"127.0.0.1", 0, false});
    ServerUnderTest server(url, options);
    const Exchange post{"POST", "/api/v1/BenchmarkCPU", "<BenchmarkCPU><Name>Again</Name></BenchmarkCPU>", true, 0, ""};
    ASSERT_EQ(200, send(server, post)->status);

    soci::session admin(*soci::factory_postgresql(), postgresConnectString(url));
    int terminated = 0;
    admin << "SELECT COUNT(pg_terminate_backend(pid)) FROM pg_stat_activity "
             "WHERE datname = current_database() AND pid <> pg_backend_pid()",
        soci::into(terminated);
    EXPECT_EQ(1, terminated);

    int status = 0;
    for (int attempt = 0; attempt < 3 && status != 200; ++attempt) {
        const auto reply = send(server, post);
        ASSERT_TRUE(reply);
        status = reply->status;
        if (status != 200) {
            EXPECT_EQ(503, status);
            EXPECT_EQ("2", reply->get_header_value("Retry-After"));
        } else {
            EXPECT_EQ("<BenchmarkCPU><ID>1</ID></BenchmarkCPU>\n", reply->body);
        }
    }
    EXPECT_EQ(200, status);
    int backends = 0;
    admin << "SELECT COUNT(*) FROM pg_stat_activity WHERE datname = current_database() "
             "AND pid <> pg_backend_pid()",
        soci::into(backends);
    EXPECT_EQ(1, backends);
}
