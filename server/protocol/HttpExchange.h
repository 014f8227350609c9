#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <utility>
#include <vector>

// A request and its reply as the handlers see them, apart from any socket or HTTP library, so
// that the protocol and the pages can be driven directly by tests.
struct HttpRequestView {
    std::string method;         // "GET", "POST", ...; a HEAD is answered like a GET
    std::string path;           // raw, still percent-encoded, without the query
    std::string query;          // raw, after '?', still percent-encoded; empty when none
    std::string body;
    std::string contentType;    // of the body
    std::string accept;         // the Accept header
    std::string authorization;  // the Authorization header
    // The parts of a multipart/form-data body by field name (the first of a name); such a
    // body is taken apart before the handler sees it, and body is left empty.
    std::map<std::string, std::string> formFiles;
    std::string remoteAddress;  // the client's IP address
    // Every header field as received, in order.
    std::vector<std::pair<std::string, std::string>> headers;

    // The first field of that name, whatever its case; empty when there is none.
    std::string header(const std::string& name) const
    {
        for (const auto& field : headers) {
            if (field.first.size() != name.size())
                continue;
            bool same = true;
            for (std::size_t i = 0; same && i < name.size(); ++i)
                same = asciiLower(field.first[i]) == asciiLower(name[i]);
            if (same)
                return field.second;
        }
        return "";
    }

private:
    static char asciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }
};

struct HttpReply {
    int status = 200;
    std::string contentType = "text/plain; charset=utf-8";
    std::string body;
    std::vector<std::pair<std::string, std::string>> headers;
    std::string clientName;  // the authenticated client, for the access log; never the key
    // When set, the body is this file, sent from the disk as it is read (never whole in
    // memory) and in one byte range when the request asks for one; body is ignored. A file
    // that cannot be opened any more is answered 404.
    std::string filePath;

    static HttpReply text(int status, const std::string& body)
    {
        HttpReply reply;
        reply.status = status;
        reply.body = body;
        if (!reply.body.empty() && reply.body.back() != '\n')
            reply.body += '\n';
        return reply;
    }

    static HttpReply file(const std::string& path, const std::string& contentType)
    {
        HttpReply reply;
        reply.contentType = contentType;
        reply.filePath = path;
        return reply;
    }
};

// Everything outside the API: the result site. Handles the request or returns false.
class WebHandler {
public:
    virtual ~WebHandler() = default;
    virtual bool handle(const HttpRequestView& request, HttpReply& reply) = 0;
};
