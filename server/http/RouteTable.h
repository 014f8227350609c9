#pragma once

#include <functional>
#include <string>
#include <vector>

#include "server/http/ContentNegotiator.h"
#include "server/protocol/HttpExchange.h"

// What a route's handler is given: the request, the part of the path its pattern left open,
// and the form of the page wanted.
struct RouteRequest {
    const HttpRequestView& http;
    std::string argument;  // what "*" matched; empty for an exact pattern
    Representation representation;

    bool json() const { return representation == Representation::Json; }
    bool csv() const { return representation == Representation::Csv; }
};

// The site's addresses: each a path pattern, the methods it answers and its handler, matched in
// the order they were added. A pattern is a whole path ("/Benchmark/Korvid/Ranking"), or one
// ending in '*' that matches every path beginning with the text before it.
class RouteTable {
public:
    using Handler = std::function<void(const RouteRequest&, HttpReply&)>;

    enum Methods : unsigned {
        Read = 1,  // GET and HEAD
        Post = 2,
        AnyMethod = 0xFF,
    };

    struct Route {
        std::string pattern;
        unsigned methods;
        bool offersCsv;
        Handler handler;
        // The reply's text when a request uses another method (405): for a person, for a script.
        std::string refusal;
        std::string refusalJson;

        bool matches(const std::string& path) const;
        bool allows(const std::string& method) const;
        std::string allowHeader() const;  // "GET, HEAD" or "POST"
    };

    RouteTable& add(Route route);

    // The first route whose pattern matches, or nullptr.
    const Route* find(const std::string& path) const;
    // What the pattern leaves open of a path it matched.
    static std::string argumentOf(const Route& route, const std::string& path);

private:
    std::vector<Route> routes_;
};
