#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

// A request and its reply as the handlers see them, apart from any socket or HTTP library, so
// that the protocol and the pages can be driven directly by tests.
struct HttpRequestView {
    std::string method;         // "GET", "POST", ...
    std::string path;           // raw, still percent-encoded, without the query
    std::string query;          // raw, after '?', still percent-encoded; empty when none
    std::string body;
    std::string contentType;    // of the body
    std::string accept;         // the Accept header
    std::string authorization;  // the Authorization header
    // The files of a multipart/form-data body by field name; the HTTP library takes such a
    // body apart itself and leaves body empty.
    std::map<std::string, std::string> formFiles;
};

struct HttpReply {
    int status = 200;
    std::string contentType = "text/plain; charset=utf-8";
    std::string body;
    std::vector<std::pair<std::string, std::string>> headers;
    std::string clientName;  // the authenticated client, for the access log; never the key

    static HttpReply text(int status, const std::string& body)
    {
        HttpReply reply;
        reply.status = status;
        reply.body = body;
        if (!reply.body.empty() && reply.body.back() != '\n')
            reply.body += '\n';
        return reply;
    }
};

// Everything outside the API: the result site. Handles the request or returns false.
class WebHandler {
public:
    virtual ~WebHandler() = default;
    virtual bool handle(const HttpRequestView& request, HttpReply& reply) = 0;
};
