#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "server/http/AccessLog.h"

namespace {

AccessRecord sample()
{
    AccessRecord record;
    record.when = 1714564800;  // 2024-05-01 12:00:00 UTC
    record.remoteAddress = "127.0.0.1";
    record.method = "POST";
    record.target = "/api/v1/KorvidResult";
    record.status = 200;
    record.bodyBytes = 45;
    record.milliseconds = 7;
    record.clientName = "Korvid_Windows_2.9";
    record.userAgent = "Korvid/2.9 (Windows)";
    return record;
}

} // namespace

TEST(AccessLogTest, OneJsonObjectALine)
{
    EXPECT_EQ("{\"time\":\"2024-05-01T12:00:00Z\",\"remote\":\"127.0.0.1\",\"method\":\"POST\","
              "\"target\":\"/api/v1/KorvidResult\",\"status\":200,\"bytes\":45,\"ms\":7,"
              "\"client\":\"Korvid_Windows_2.9\",\"user_agent\":\"Korvid/2.9 (Windows)\",\"referer\":null,"
              "\"forwarded_for\":null}\n",
              accessLogLine(sample()));

    // A request whose line never came: what is unknown is "-" or null, never left out.
    AccessRecord unread;
    unread.when = 1714564800;
    unread.remoteAddress = "::1";
    unread.method = "-";
    unread.target = "-";
    unread.status = 400;
    EXPECT_EQ("{\"time\":\"2024-05-01T12:00:00Z\",\"remote\":\"::1\",\"method\":\"-\",\"target\":\"-\","
              "\"status\":400,\"bytes\":0,\"ms\":0,\"client\":null,\"user_agent\":null,\"referer\":null,"
              "\"forwarded_for\":null}\n",
              accessLogLine(unread));
}

// Whatever a client sends stays inside its string: quotes, backslashes, line ends and other
// control characters escaped, UTF-8 kept, bytes that are not UTF-8 as \u00XX.
TEST(AccessLogTest, WhatAClientSendsCannotForgeALineOrAField)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"/a b", "\"/a b\""},
        {"/x\r\n{\"status\":200}", "\"/x\\u000d\\u000a{\\\"status\\\":200}\""},
        {"/back\\slash", "\"/back\\\\slash\""},
        {std::string("/nul\0tab\t\x7f", 10), "\"/nul\\u0000tab\\u0009\\u007f\""},
        {"/caf\xc3\xa9/\xe2\x82\xac/\xf0\x9f\x98\x80", "\"/caf\xc3\xa9/\xe2\x82\xac/\xf0\x9f\x98\x80\""},
        // Latin-1, a lone continuation byte, an overlong "/", a surrogate, a cut-off sequence.
        {"/\xe9t\xe9", "\"/\\u00e9t\\u00e9\""},
        {"/\x80", "\"/\\u0080\""},
        {"/\xc0\xaf", "\"/\\u00c0\\u00af\""},
        {"/\xed\xa0\x80", "\"/\\u00ed\\u00a0\\u0080\""},
        {"/\xe2\x82", "\"/\\u00e2\\u0082\""},
    };
    for (const auto& [target, expected] : cases) {
        AccessRecord record = sample();
        record.target = target;
        record.userAgent = target;
        const std::string line = accessLogLine(record);
        EXPECT_NE(std::string::npos, line.find("\"target\":" + expected + ",")) << line;
        EXPECT_NE(std::string::npos, line.find("\"user_agent\":" + expected + ",")) << line;
        EXPECT_EQ(line.size() - 1, line.find('\n')) << line;
    }
}
