#pragma once

#include <memory>
#include <string>
#include <vector>

#include "server/http/ApiHandler.h"
#include "server/http/HttpExchange.h"
#include "server/http/ServerOptions.h"

namespace httplib {
class Server;
}

// The listeners: plain HTTP and HTTPS, each with its own pool of serving threads, limits on
// body size and time-outs, one access-log line per request on standard error. The API path
// goes to the ApiHandler, everything else to the site.
class HttpService {
public:
    HttpService(ApiHandler& api, WebHandler& site, const ServerOptions& options);
    ~HttpService();
    HttpService(const HttpService&) = delete;
    HttpService& operator=(const HttpService&) = delete;

    // Binds every listener; the URLs with their real ports. Throws std::runtime_error.
    std::vector<std::string> bind();
    // Serves until stop(); returns when every request in flight is answered.
    void run();
    void stop();

private:
    void configure(httplib::Server& server);

    ApiHandler& api_;
    WebHandler& site_;
    ServerOptions options_;
    std::vector<std::unique_ptr<httplib::Server>> servers_;
};
