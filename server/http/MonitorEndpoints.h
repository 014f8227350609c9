#pragma once

#include <cstddef>
#include <functional>

#include "server/protocol/HttpExchange.h"

class ServerMetrics;

// What a monitor asks, without a login: GET (or HEAD) /healthz on every listener, 200 "ok"
// while the database answers and 503 "unavailable" while it does not; GET /metrics on the
// metrics listener alone, the figures in Prometheus' text format.
class MonitorEndpoints {
public:
    // databaseCheck returns when the database answers and throws when it does not;
    // connectionsOpen counts the connections when the figures are read.
    MonitorEndpoints(ServerMetrics& metrics, std::function<void()> databaseCheck,
                     std::function<std::size_t()> connectionsOpen);

    // Answers /healthz, and /metrics when metricsHere; false for any other path.
    bool handle(const HttpRequestView& request, HttpReply& reply, bool metricsHere);

    ServerMetrics& metrics() { return metrics_; }

private:
    ServerMetrics& metrics_;
    std::function<void()> databaseCheck_;
    std::function<std::size_t()> connectionsOpen_;
};
