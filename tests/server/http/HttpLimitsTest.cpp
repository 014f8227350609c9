#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "server/http/ByteRange.h"
#include "server/http/RequestHeadCheck.h"

namespace {

HttpLimits smallLimits()
{
    HttpLimits limits;
    limits.maxBodyBytes = 1000;
    limits.maxRequestLine = 100;
    limits.maxHeaderCount = 5;
    limits.maxHeadBytes = 400;
    return limits;
}

} // namespace

// Each refusal a head earns, at and one past each limit, and the order in which they are
// judged when a head breaks several rules.
TEST(HttpLimitsTest, HeadRefusals)
{
    struct Case {
        const char* what;
        HeadFacts head;
        int status;
        const char* reason;
    };
    const auto facts = [](std::size_t line, std::size_t fields, const char* encoding, const char* transfer,
                          bool hasLength, std::uint64_t length) {
        HeadFacts head;
        head.requestLineBytes = line;
        head.fieldCount = fields;
        head.contentEncoding = encoding;
        head.transferEncoding = transfer;
        head.hasContentLength = hasLength;
        head.contentLength = length;
        return head;
    };
    const std::vector<Case> cases = {
        {"plain", facts(100, 5, "", "", true, 1000), 0, ""},
        {"line one over", facts(101, 1, "", "", false, 0), 414, "the request line is too long"},
        {"one field too many", facts(20, 6, "", "", false, 0), 431, "the request has too many header fields"},
        {"length one over", facts(20, 1, "", "", true, 1001), 413, "the request body is too large"},
        {"no length, chunked", facts(20, 1, "", " Chunked ", false, 0), 0, ""},
        {"gzip", facts(20, 1, "gzip", "", true, 10), 415, "compressed or encoded request bodies are not accepted"},
        {"identity twice", facts(20, 1, "identity, IDENTITY", "", true, 10), 0, ""},
        {"identity then gzip", facts(20, 1, "identity,gzip", "", true, 10), 415,
         "compressed or encoded request bodies are not accepted"},
        {"empty encoding", facts(20, 1, " ", "", true, 10), 0, ""},
        {"gzip transfer", facts(20, 1, "", "gzip, chunked", false, 0), 501,
         "no transfer coding but chunked is accepted"},
        {"line before fields", facts(101, 6, "gzip", "", true, 5000), 414, "the request line is too long"},
        {"fields before encoding", facts(20, 6, "gzip", "", true, 5000), 431,
         "the request has too many header fields"},
        {"encoding before length", facts(20, 1, "br", "", true, 5000), 415,
         "compressed or encoded request bodies are not accepted"},
    };
    for (const Case& c : cases) {
        const Refusal refusal = checkHead(c.head, smallLimits());
        EXPECT_EQ(c.status, refusal.status) << c.what;
        EXPECT_EQ(c.reason, refusal.reason) << c.what;
    }
}

TEST(HttpLimitsTest, OversizedHeadIsALongLineOrALargeHead)
{
    struct Case {
        std::size_t parsedLine;
        std::string received;
        int status;
    };
    const std::string line100 = "GET /" + std::string(86, 'a') + " HTTP/1.1";  // 100 bytes
    const std::vector<Case> cases = {
        {0, line100 + "\r\nX: " + std::string(400, 'b'), 431},
        {0, line100 + "a\r\nX: y", 414},
        {0, line100 + "a\nX: y", 414},
        {0, line100 + "\nX: y", 431},
        {0, std::string(401, 'a'), 414},  // no line end yet
        {100, "X: " + std::string(400, 'b'), 431},  // the parser consumed the line already
        {101, "X: y", 414},
    };
    for (const Case& c : cases) {
        const Refusal refusal = oversizedHead(c.parsedLine, c.received, smallLimits());
        EXPECT_EQ(c.status, refusal.status) << c.parsedLine << " " << c.received.substr(0, 120);
        EXPECT_EQ(c.status == 414 ? "the request line is too long" : "the request head is too large", refusal.reason);
    }
}

// A file of 1000 bytes and the ranges one may ask of it: exactly one range is answered, never
// several, and what cannot be read as a single byte range is the whole file.
TEST(HttpLimitsTest, ByteRangeChoice)
{
    using Kind = ByteRange::Kind;
    struct Case {
        const char* header;
        bool ifRange;
        std::uint64_t size;
        Kind kind;
        std::uint64_t first, length;
        const char* contentRange;
    };
    const std::vector<Case> cases = {
        {"", false, 1000, Kind::Whole, 0, 1000, ""},
        {"bytes=0-99", false, 1000, Kind::Partial, 0, 100, "bytes 0-99/1000"},
        {"bytes=100-199", false, 1000, Kind::Partial, 100, 100, "bytes 100-199/1000"},
        {"bytes=999-999", false, 1000, Kind::Partial, 999, 1, "bytes 999-999/1000"},
        {"bytes=500-", false, 1000, Kind::Partial, 500, 500, "bytes 500-999/1000"},
        {"bytes=500-5000", false, 1000, Kind::Partial, 500, 500, "bytes 500-999/1000"},
        {"bytes=-10", false, 1000, Kind::Partial, 990, 10, "bytes 990-999/1000"},
        {"bytes=-5000", false, 1000, Kind::Partial, 0, 1000, "bytes 0-999/1000"},
        {"BYTES = 1-2", false, 1000, Kind::Whole, 0, 1000, ""},
        {"Bytes=1-2", false, 1000, Kind::Partial, 1, 2, "bytes 1-2/1000"},
        {"bytes=1000-", false, 1000, Kind::Unsatisfiable, 0, 0, "bytes */1000"},
        {"bytes=-0", false, 1000, Kind::Unsatisfiable, 0, 0, "bytes */1000"},
        {"bytes=0-0", false, 0, Kind::Unsatisfiable, 0, 0, "bytes */0"},
        {"bytes=0-1,2-3", false, 1000, Kind::Whole, 0, 1000, ""},
        {"bytes=0-999,0-999,0-999", false, 1000, Kind::Whole, 0, 1000, ""},
        {"bytes=5-4", false, 1000, Kind::Whole, 0, 1000, ""},
        {"bytes=a-4", false, 1000, Kind::Whole, 0, 1000, ""},
        {"bytes=-", false, 1000, Kind::Whole, 0, 1000, ""},
        {"bytes=0", false, 1000, Kind::Whole, 0, 1000, ""},
        {"bytes=99999999999999999999-", false, 1000, Kind::Whole, 0, 1000, ""},
        {"items=0-9", false, 1000, Kind::Whole, 0, 1000, ""},
        {"bytes=0-9", true, 1000, Kind::Whole, 0, 1000, ""},
    };
    for (const Case& c : cases) {
        const ByteRange range = chooseByteRange(c.header, c.ifRange, c.size);
        EXPECT_EQ(static_cast<int>(c.kind), static_cast<int>(range.kind)) << c.header;
        if (c.kind == Kind::Unsatisfiable) {
            EXPECT_EQ(c.contentRange, range.contentRange(c.size)) << c.header;
            continue;
        }
        EXPECT_EQ(c.first, range.first) << c.header;
        EXPECT_EQ(c.length, range.length) << c.header;
        if (c.kind == Kind::Partial) {
            EXPECT_EQ(c.contentRange, range.contentRange(c.size)) << c.header;
        }
    }
}
