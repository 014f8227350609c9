#pragma once

#include <cstddef>
#include <memory>
#include <string>

namespace prometheus {
class Registry;
}

// The figures a monitor scrapes from /metrics, in Prometheus' text format (prometheus-cpp's
// registry and serializer): requests by route and status, their latency, uploads stored,
// refusals by reason, database errors, connections open, background work and its duration.
// Every label takes values from a fixed, small set, so the series stay few whatever clients
// send. Safe to call from any thread.
class ServerMetrics {
public:
    // apiBase: where the API's routes begin (ServerOptions::apiBase).
    ServerMetrics(const std::string& version, const std::string& apiBase);
    ~ServerMetrics();
    ServerMetrics(const ServerMetrics&) = delete;
    ServerMetrics& operator=(const ServerMetrics&) = delete;

    // One request answered: its method and target (path and query, as received), its status,
    // seconds from its first byte to its reply's last. The route is metricsRoute()'s; a 4xx
    // or 503 answer also counts as a refusal (refusalReason).
    void requestAnswered(const std::string& method, const std::string& target, int status, double seconds);
    // A connection closed without an answer: "timeout" (head, body, idle or handshake too slow).
    void connectionDropped(const std::string& reason);
    void uploadStored();
    // A database failure behind a request or background work: "unavailable" (busy or lost,
    // 503) or "failed" (anything else, 500).
    void databaseError(const std::string& kind);
    // Set when the figures are read: the service counts its connections itself.
    void setConnectionsOpen(std::size_t count);
    // One pass of background work, e.g. "figures" (the rebuild of the figures over all results).
    void backgroundRun(const std::string& task, bool succeeded, double seconds);

    // The text a scrape gets (Content-Type: text/plain; version=0.0.4).
    std::string text() const;

private:
    struct Families;
    std::string apiBase_;
    std::shared_ptr<prometheus::Registry> registry_;
    std::unique_ptr<Families> families_;
};

// The route label of a request: "api_lookup", "api_submit", "api_other" under the API base;
// "index", "result", "compare", "ranking", "card", "downloads", "download", "import" under
// the site; "healthz", "metrics"; "other" for anything else (the redirects, the icon, pages
// that are not there).
std::string metricsRoute(const std::string& method, const std::string& path, const std::string& apiBase);

// The reason label of a refused request by its status; empty for an answer that is no
// refusal (2xx, 3xx, 404, 500).
std::string refusalReason(int status);
