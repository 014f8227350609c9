#pragma once

#include "server/http/ApiHandler.h"
#include "server/http/HttpExchange.h"

// One request to its handler: the API below its base path, the site for everything else, the
// 404 page for what the site does not serve. A multipart/form-data body is taken apart first.
// Whatever a handler throws becomes a reply that shows nothing of it: DatabaseUnavailable 503
// with Retry-After, anything else (std::string too) 500; the message goes to standard error.
class RequestDispatcher {
public:
    RequestDispatcher(ApiHandler& api, WebHandler& site) : api_(api), site_(site) {}

    HttpReply dispatch(HttpRequestView& request);

private:
    HttpReply route(const HttpRequestView& request);

    ApiHandler& api_;
    WebHandler& site_;
};
