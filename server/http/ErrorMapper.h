#pragma once

#include <exception>

#include "server/protocol/HttpExchange.h"

class ServerMetrics;

// Whatever a handler throws, as the client sees it: a status and a fixed text that shows nothing
// of the failure. The protocol's own refusals keep their status and reason; a malformed form
// body is 400; a database that is busy or lost 503 with Retry-After; anything else (a text
// error thrown as std::string too) 500. Messages go to standard error, database failures are
// counted in the metrics when there are any.
class ErrorMapper {
public:
    explicit ErrorMapper(ServerMetrics* metrics = nullptr) : metrics_(metrics) {}

    // To be called in a catch block: failure is std::current_exception().
    HttpReply replyFor(std::exception_ptr failure, const HttpRequestView& request) const;

private:
    ServerMetrics* metrics_;
};
