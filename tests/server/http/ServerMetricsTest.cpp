#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "server/http/ServerMetrics.h"

namespace {

// The lines of the text that start with prefix, sorted: the order of the series in a family
// is the library's.
std::vector<std::string> linesStarting(const std::string& text, const std::string& prefix)
{
    std::vector<std::string> found;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t end = text.find('\n', at);
        const std::string line = text.substr(at, end - at);
        if (line.compare(0, prefix.size(), prefix) == 0)
            found.push_back(line);
        at = end == std::string::npos ? text.size() : end + 1;
    }
    std::sort(found.begin(), found.end());
    return found;
}

} // namespace

TEST(ServerMetricsTest, RoutesComeFromAFixedSet)
{
    const std::vector<std::vector<std::string>> cases = {
        {"GET", "/api/v1/BenchmarkCPU", "api_lookup"},
        {"POST", "/api/v1/KorvidResult", "api_submit"},
        {"PUT", "/api/v1/KorvidResult", "api_other"},
        {"GET", "/healthz", "healthz"},
        {"GET", "/metrics", "metrics"},
        {"GET", "/metrics/", "other"},
        {"GET", "/Benchmark/Korvid/", "index"},
        {"GET", "/Benchmark/Korvid/.json", "index"},
        {"GET", "/Benchmark/Korvid/Result/12", "result"},
        {"GET", "/Benchmark/Korvid/Result/12.json", "result"},
        {"GET", "/Benchmark/Korvid/Result/", "other"},
        {"GET", "/Benchmark/Korvid/Compare/1,2", "compare"},
        {"GET", "/Benchmark/Korvid/Ranking", "ranking"},
        {"GET", "/Benchmark/Korvid/Ranking.json", "ranking"},
        {"GET", "/Benchmark/Korvid/Card/3", "card"},
        {"GET", "/Benchmark/Korvid/Downloads", "downloads"},
        {"GET", "/Benchmark/Korvid/Downloads/korvid-2.9-win64.zip", "download"},
        {"POST", "/Benchmark/Korvid/Import", "import"},
        {"GET", "/Benchmark/Korvid", "other"},
        {"GET", "/", "other"},
        {"GET", "/favicon.ico", "other"},
        {"GET", "/Benchmark/Korvid/%3Cscript%3E", "other"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c[2], metricsRoute(c[0], c[1], "/api/v1/")) << c[0] << " " << c[1];
    EXPECT_EQ("api_submit", metricsRoute("POST", "/x/KorvidResult", "/x/"));
    EXPECT_EQ("other", metricsRoute("POST", "/api/v1/KorvidResult", "/x/"));
}

TEST(ServerMetricsTest, RefusalsAreNamedByStatus)
{
    const std::vector<std::pair<int, std::string>> cases = {
        {200, ""}, {302, ""}, {404, ""}, {500, ""},
        {400, "malformed"}, {401, "login"}, {403, "disabled"}, {405, "method"}, {408, "timeout"},
        {411, "length_required"}, {413, "body_too_large"}, {414, "request_line_too_long"},
        {415, "encoding"}, {431, "head_too_large"}, {503, "unavailable"}, {409, "other"},
    };
    for (const auto& [status, reason] : cases)
        EXPECT_EQ(reason, refusalReason(status)) << status;
}

TEST(ServerMetricsTest, CountsInPrometheusTextFormat)
{
    ServerMetrics metrics("2.9", "/api/v1/");
    metrics.requestAnswered("GET", "/Benchmark/Korvid/Result/5", 200, 0.003);
    metrics.requestAnswered("HEAD", "/Benchmark/Korvid/Result/6.json?x=/api/v1/", 200, 0.0101);
    metrics.requestAnswered("POST", "/api/v1/KorvidResult", 401, 0.02);
    metrics.requestAnswered("POST", "/api/v1/KorvidResult", 200, 0.3);
    metrics.uploadStored();
    metrics.connectionDropped("timeout");
    metrics.databaseError("unavailable");
    metrics.setConnectionsOpen(3);
    metrics.setConnectionsOpen(1);
    metrics.backgroundRun("figures", true, 2.5);
    metrics.backgroundRun("figures", false, 0.05);
    const std::string text = metrics.text();

    EXPECT_NE(std::string::npos, text.find("# TYPE korvid_http_requests_total counter\n"));
    EXPECT_EQ((std::vector<std::string>{"korvid_http_requests_total{route=\"api_submit\",status=\"200\"} 1",
                                        "korvid_http_requests_total{route=\"api_submit\",status=\"401\"} 1",
                                        "korvid_http_requests_total{route=\"result\",status=\"200\"} 2"}),
              linesStarting(text, "korvid_http_requests_total"));
    EXPECT_EQ((std::vector<std::string>{"korvid_refusals_total{reason=\"login\"} 1",
                                        "korvid_refusals_total{reason=\"timeout\"} 1"}),
              linesStarting(text, "korvid_refusals_total"));
    EXPECT_EQ((std::vector<std::string>{"korvid_uploads_stored_total 1"}),
              linesStarting(text, "korvid_uploads_stored_total"));
    EXPECT_EQ((std::vector<std::string>{"korvid_database_errors_total{kind=\"unavailable\"} 1"}),
              linesStarting(text, "korvid_database_errors_total"));
    EXPECT_EQ((std::vector<std::string>{"korvid_connections_open 1"}),
              linesStarting(text, "korvid_connections_open"));
    EXPECT_EQ((std::vector<std::string>{"korvid_build_info{version=\"2.9\"} 1"}),
              linesStarting(text, "korvid_build_info"));
    EXPECT_EQ((std::vector<std::string>{"korvid_background_runs_total{outcome=\"failed\",task=\"figures\"} 1",
                                        "korvid_background_runs_total{outcome=\"ok\",task=\"figures\"} 1"}),
              linesStarting(text, "korvid_background_runs_total"));

    // 3 ms and 10.1 ms: the first in the 5 ms bucket, both from 25 ms on; cumulative counts.
    const std::vector<std::string> result =
        linesStarting(text, "korvid_http_request_duration_seconds_bucket{route=\"result\"");
    ASSERT_EQ(14u, result.size());
    for (const char* bucket : {"le=\"0.0025\"} 0", "le=\"0.005\"} 1", "le=\"0.01\"} 1", "le=\"0.025\"} 2",
                               "le=\"+Inf\"} 2"})
        EXPECT_NE(result.end(), std::find(result.begin(), result.end(),
                                          std::string("korvid_http_request_duration_seconds_bucket{route=\"result\",") + bucket))
            << bucket;
    EXPECT_EQ((std::vector<std::string>{"korvid_http_request_duration_seconds_count{route=\"result\"} 2"}),
              linesStarting(text, "korvid_http_request_duration_seconds_count{route=\"result\""));
    EXPECT_EQ((std::vector<std::string>{"korvid_background_duration_seconds_sum{task=\"figures\"} 2.55"}),
              linesStarting(text, "korvid_background_duration_seconds_sum"));
}
