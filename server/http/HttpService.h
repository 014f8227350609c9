#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "server/http/ApiHandler.h"
#include "server/protocol/HttpExchange.h"
#include "server/http/ServerMetrics.h"
#include "server/http/ServerOptions.h"

// The listeners, plain HTTP and HTTPS: every connection is read and written by a few I/O
// threads, so an idle or slow one costs a socket and a timer; the handlers run on a pool of
// --threads workers. The API path goes to the ApiHandler, everything else to the site; the
// limits are the options' (HttpLimits); one access-log line per request on standard error.
// /healthz asks databaseCheck (which throws when the database does not answer; without one,
// the service is healthy while it runs); the metrics listener, when the options name one,
// serves the figures of metrics().
class HttpService {
public:
    HttpService(ApiHandler& api, WebHandler& site, const ServerOptions& options,
                std::function<void()> databaseCheck = {});
    ~HttpService();
    HttpService(const HttpService&) = delete;
    HttpService& operator=(const HttpService&) = delete;

    // Binds every listener; the URLs with their real ports, the metrics listener's last as
    // "metrics=http://HOST:PORT/". Throws std::runtime_error.
    std::vector<std::string> bind();
    // Serves until stop(), then stops accepting, closes the connections without a request in
    // flight, answers the requests in flight and returns; after the shutdown time-out it
    // closes whatever is left and returns whatever the clients do.
    void run();
    // From any thread, also before run(); later calls change nothing.
    void stop();

    ServerMetrics& metrics();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};
