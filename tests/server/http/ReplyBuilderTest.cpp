#include <cstdio>
#include <fstream>
#include <string>
#include <type_traits>

#include <boost/beast/core/buffers_range.hpp>
#include <boost/beast/http/serializer.hpp>
#include <gtest/gtest.h>

#include "server/http/ReplyBuilder.h"

namespace {

namespace beast = boost::beast;

// The bytes a built reply puts on the wire, head and body, as the connection's writes take them.
std::string wire(const BuiltReply& built)
{
    std::string out;
    std::visit(
        [&out](const auto& message) {
            beast::http::response_serializer<typename std::decay_t<decltype(*message)>::body_type> serializer(*message);
            beast::error_code ec;
            while (!ec && !serializer.is_done())
                serializer.next(ec, [&](beast::error_code&, const auto& buffers) {
                    for (const auto buffer : beast::buffers_range_ref(buffers))
                        out.append(static_cast<const char*>(buffer.data()), buffer.size());
                    serializer.consume(beast::buffer_bytes(buffers));
                });
            EXPECT_FALSE(ec) << ec.message();
        },
        built.message);
    return out;
}

HttpReply page(const std::string& body)
{
    HttpReply reply;
    reply.contentType = "text/html; charset=utf-8";
    reply.body = body;
    reply.headers.emplace_back("Cache-Control", "no-store");
    reply.clientName = "korvid";
    return reply;
}

} // namespace

// Replies as bytes, with what the access log takes of them (which range a header asks for is
// ByteRange's, and whole files and pages the HTTP tests', tested apart): closing, one byte
// range, HEAD, HTTP/1.0, the failures of a file (gone: 404 without the client; past its end:
// 416 with it).
TEST(ReplyBuilderTest, MessagesOnTheWire)
{
    const std::string file = ::testing::TempDir() + "reply-builder-ten-bytes";
    std::ofstream(file, std::ios::binary) << "0123456789";
    HttpReply download = HttpReply::file(file, "application/zip");
    download.clientName = "korvid";
    HttpReply gone = HttpReply::file(file + ".absent", "application/zip");
    gone.clientName = "korvid";

    struct Case {
        const char* what;
        ReplyRequest request;
        HttpReply reply;
        bool close;
        const char* bytes;
        int status;
        std::uint64_t bodyBytes;
        const char* clientName;
    };
    const Case cases[] = {
        {"page, closing", {11, false, "", false}, page("hello"), true,
         "HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\nCache-Control: no-store\r\n"
         "Connection: close\r\nContent-Length: 5\r\n\r\nhello", 200, 5, "korvid"},
        {"head of a page, HTTP/1.0", {10, true, "", false}, page("hello"), true,
         "HTTP/1.0 200 OK\r\nContent-Type: text/html; charset=utf-8\r\nCache-Control: no-store\r\n"
         "Content-Length: 5\r\n\r\n", 200, 0, "korvid"},
        {"range of a file", {11, false, "bytes=2-4", false}, download, false,
         "HTTP/1.1 206 Partial Content\r\nContent-Type: application/zip\r\nAccept-Ranges: bytes\r\n"
         "Content-Range: bytes 2-4/10\r\nContent-Length: 3\r\n\r\n234", 206, 3, "korvid"},
        {"head of a file", {11, true, "", false}, download, false,
         "HTTP/1.1 200 OK\r\nContent-Type: application/zip\r\nAccept-Ranges: bytes\r\n"
         "Content-Length: 10\r\n\r\n", 200, 0, "korvid"},
        {"range past the end", {11, false, "bytes=10-", false}, download, false,
         "HTTP/1.1 416 Range Not Satisfiable\r\nContent-Type: text/plain; charset=utf-8\r\n"
         "Content-Range: bytes */10\r\nContent-Length: 39\r\n\r\nthe requested range is not satisfiable\n",
         416, 39, "korvid"},
        {"file gone", {11, false, "", false}, gone, true,
         "HTTP/1.1 404 Not Found\r\nContent-Type: text/plain; charset=utf-8\r\nConnection: close\r\n"
         "Content-Length: 22\r\n\r\nthere is no such file\n", 404, 22, ""},
    };
    for (const Case& c : cases) {
        const BuiltReply built = ReplyBuilder(c.request).build(c.reply, c.close);
        EXPECT_EQ(c.bytes, wire(built)) << c.what;
        EXPECT_EQ(c.status, built.status) << c.what;
        EXPECT_EQ(c.bodyBytes, built.bodyBytes) << c.what;
        EXPECT_EQ(c.clientName, built.clientName) << c.what;
    }
    std::remove(file.c_str());
}

// A refusal always closes and names no client; only "unavailable" says when to come back.
TEST(ReplyBuilderTest, Refusals)
{
    const ReplyBuilder builder(ReplyRequest{10, false, "", false});
    const BuiltReply busy = builder.refusal({503, "the server is busy"});
    EXPECT_EQ("HTTP/1.0 503 Service Unavailable\r\nContent-Type: text/plain; charset=utf-8\r\n"
              "Retry-After: 2\r\nContent-Length: 19\r\n\r\nthe server is busy\n",
              wire(busy));
    EXPECT_EQ(503, busy.status);
    EXPECT_EQ(19u, busy.bodyBytes);

    const BuiltReply large = ReplyBuilder(ReplyRequest{}).refusal({413, "too large"});
    EXPECT_EQ("HTTP/1.1 413 Payload Too Large\r\nContent-Type: text/plain; charset=utf-8\r\n"
              "Connection: close\r\nContent-Length: 10\r\n\r\ntoo large\n",
              wire(large));
    EXPECT_EQ("", large.clientName);
}

// A header value or name that would end its line never reaches the wire: the reply becomes a 500.
TEST(ReplyBuilderTest, HeadersThatWouldSplitTheReply)
{
    const ReplyBuilder builder(ReplyRequest{11, false, "", false});
    struct Case {
        const char* what;
        std::string name, value;
        bool sent;
    };
    const Case cases[] = {
        {"plain", "Location", "/Benchmark/Korvid/Result/1", true},
        {"CR LF in a value", "Location", "/x\r\nSet-Cookie: a=1", false},
        {"LF alone", "Location", "/x\nSet-Cookie: a=1", false},
        {"CR alone", "Location", "/x\rSet-Cookie: a=1", false},
        {"NUL", "Location", std::string("/x\0y", 4), false},
        {"a blank in the name", "X Name", "v", false},
        {"a colon in the name", "X:Name", "v", false},
    };
    for (const Case& c : cases) {
        HttpReply reply = page("<p>moved</p>");
        reply.status = 303;
        reply.clientName = "Korvid_Windows_2.9";
        reply.headers.emplace_back(c.name, c.value);
        const BuiltReply built = builder.build(reply, false);
        const std::string bytes = wire(built);
        EXPECT_EQ(built.status, c.sent ? 303 : 500) << c.what;
        EXPECT_EQ(built.clientName, "Korvid_Windows_2.9") << c.what;
        EXPECT_EQ(bytes.find("Set-Cookie") == std::string::npos, true) << c.what;
        if (!c.sent)
            EXPECT_NE(bytes.find("\r\n\r\ninternal error\n"), std::string::npos) << c.what;
    }
    HttpReply typed = page("x");
    typed.contentType = "text/html\r\nX-Evil: 1";
    EXPECT_EQ(builder.build(typed, false).status, 500);
}
