#include "server/http/MonitorEndpoints.h"

#include <exception>
#include <iostream>

#include "server/http/ServerMetrics.h"
#include "server/store/Database.h"

MonitorEndpoints::MonitorEndpoints(ServerMetrics& metrics, std::function<void()> databaseCheck,
                                   std::function<std::size_t()> connectionsOpen)
    : metrics_(metrics), databaseCheck_(std::move(databaseCheck)), connectionsOpen_(std::move(connectionsOpen))
{
}

bool MonitorEndpoints::handle(const HttpRequestView& request, HttpReply& reply, bool metricsHere)
{
    const bool healthz = request.path == "/healthz";
    const bool metrics = metricsHere && request.path == "/metrics";
    if (!healthz && !metrics)
        return false;
    if (request.method != "GET" && request.method != "HEAD") {
        reply = HttpReply::text(405, "GET or HEAD only");
        reply.headers.emplace_back("Allow", "GET, HEAD");
        return true;
    }
    reply.headers.emplace_back("Cache-Control", "no-store");
    if (metrics) {
        metrics_.setConnectionsOpen(connectionsOpen_());
        reply.contentType = "text/plain; version=0.0.4; charset=utf-8";
        reply.body = metrics_.text();
        return true;
    }
    try {
        databaseCheck_();
        reply.body = "ok\n";
    } catch (const std::exception& error) {
        std::cerr << "korvid-server: health check: the database does not answer: " << error.what() << std::endl;
        metrics_.databaseError(dynamic_cast<const DatabaseUnavailable*>(&error) ? "unavailable" : "failed");
        reply.status = 503;
        reply.body = "unavailable\n";
        reply.headers.emplace_back("Retry-After", "2");
    }
    return true;
}
