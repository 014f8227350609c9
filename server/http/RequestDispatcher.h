#pragma once

#include "server/http/ApiHandler.h"
#include "server/http/ErrorMapper.h"
#include "server/protocol/HttpExchange.h"

class MonitorEndpoints;

// One request to its handler: the API below its base path, the site for everything else, the
// 404 page for what the site does not serve. A multipart/form-data body is taken apart first.
// Whatever a handler throws becomes the error mapper's reply, which shows nothing of it.
// With a monitor, /healthz comes first (and the database errors are counted); the dispatcher
// of the metrics listener answers the monitor's paths and nothing else.
class RequestDispatcher {
public:
    RequestDispatcher(ApiHandler& api, WebHandler& site, MonitorEndpoints* monitor = nullptr,
                      bool metricsListener = false);

    HttpReply dispatch(HttpRequestView& request);

private:
    HttpReply route(const HttpRequestView& request);

    ApiHandler& api_;
    WebHandler& site_;
    MonitorEndpoints* monitor_;
    bool metricsListener_;
    ErrorMapper errors_;
};
