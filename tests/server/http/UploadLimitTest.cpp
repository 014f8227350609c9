// Who a request comes from, and how many results each sender may store, worked by hand.
#include <gtest/gtest.h>

#include "server/http/UploadLimit.h"

namespace {

HttpRequestView from(const std::string& peer, const std::vector<std::string>& forwardedFor = {})
{
    HttpRequestView request;
    request.remoteAddress = peer;
    for (const std::string& value : forwardedFor)
        request.headers.emplace_back("X-Forwarded-For", value);
    return request;
}

} // namespace

TEST(UploadLimitTest, SourceBehindTrustedProxies)
{
    UploadLimitOptions options;
    parseTrustedProxies("127.0.0.1,10.0.0.2", options);
    const UploadLimit limit(options);
    struct Case {
        const char* what;
        HttpRequestView request;
        std::string source;
    };
    const Case cases[] = {
        {"a direct sender", from("198.51.100.4", {"203.0.113.9"}), "198.51.100.4"},
        {"a v4-mapped peer is its v4 address", from("::ffff:198.51.100.4"), "198.51.100.4"},
        {"the proxy's own request", from("127.0.0.1"), "127.0.0.1"},
        {"one proxy", from("127.0.0.1", {"203.0.113.9"}), "203.0.113.9"},
        {"what the client wrote before is not believed", from("127.0.0.1", {"192.0.2.1, 203.0.113.9"}),
         "203.0.113.9"},
        {"two proxies", from("127.0.0.1", {"203.0.113.9, 10.0.0.2"}), "203.0.113.9"},
        {"fields in order", from("127.0.0.1", {"203.0.113.9", "10.0.0.2"}), "203.0.113.9"},
        {"a garbled entry ends the trust", from("127.0.0.1", {"203.0.113.9, junk"}), "127.0.0.1"},
        {"IPv6 written long", from("127.0.0.1", {" 2001:DB8:0:0::1 "}), "2001:db8::1"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(limit.sourceOf(c.request), c.source) << c.what;

    UploadLimitOptions none;
    parseTrustedProxies("none", none);
    EXPECT_EQ(UploadLimit(none).sourceOf(from("127.0.0.1", {"203.0.113.9"})), "127.0.0.1");
    EXPECT_THROW(parseTrustedProxies("127.0.0.1,proxy.example", none), std::runtime_error);
}

TEST(UploadLimitTest, TokenBucketBySender)
{
    UploadLimitOptions options;
    parseUploadLimit("3/6", options);  // three at once, then one every 600 s
    UploadLimit limit(options);
    const auto t0 = UploadLimit::Clock::time_point() + std::chrono::hours(1);
    const auto at = [&](int seconds) { return t0 + std::chrono::seconds(seconds); };

    EXPECT_FALSE(limit.take("198.51.100.4", at(0)));
    EXPECT_FALSE(limit.take("198.51.100.4", at(0)));
    EXPECT_FALSE(limit.take("198.51.100.4", at(1)));
    EXPECT_EQ(limit.take("198.51.100.4", at(1)), 599L);  // the third took the 1 s refilled before it
    EXPECT_EQ(limit.take("198.51.100.4", at(300)), 300L);
    EXPECT_FALSE(limit.take("198.51.100.4", at(600)));  // one token again, taken
    EXPECT_EQ(limit.take("198.51.100.4", at(600)), 600L);
    // Another sender has a bucket of its own; addresses of one IPv6 /64 share one.
    EXPECT_FALSE(limit.take("203.0.113.9", at(600)));
    for (int i = 0; i < 3; ++i)
        EXPECT_FALSE(limit.take("2001:db8:1:2::" + std::to_string(i + 1), at(0))) << i;
    EXPECT_EQ(limit.take("2001:db8:1:2:ffff::1", at(0)), 600L);
    EXPECT_FALSE(limit.take("2001:db8:1:3::1", at(0)));
    // A long idle sender never holds more than the burst.
    for (int i = 0; i < 3; ++i)
        EXPECT_FALSE(limit.take("192.0.2.1", at(100000)));
    EXPECT_TRUE(limit.take("192.0.2.1", at(100000)));

    UploadLimitOptions off;
    parseUploadLimit("off", off);
    UploadLimit unlimited(off);
    for (int i = 0; i < 50; ++i)
        EXPECT_FALSE(unlimited.take("198.51.100.4", at(0)));
    for (const char* wrong : {"10", "0/10", "10/0", "-1/5", "10/x", "1000000/1"})
        EXPECT_THROW(parseUploadLimit(wrong, options), std::runtime_error) << wrong;
}
