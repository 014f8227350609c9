#include "server/http/RouteTable.h"

bool RouteTable::Route::matches(const std::string& path) const
{
    if (!pattern.empty() && pattern.back() == '*')
        return path.compare(0, pattern.size() - 1, pattern, 0, pattern.size() - 1) == 0;
    return path == pattern;
}

bool RouteTable::Route::allows(const std::string& method) const
{
    if (methods == AnyMethod)
        return true;
    if (method == "GET" || method == "HEAD")
        return (methods & Read) != 0;
    return method == "POST" && (methods & Post) != 0;
}

std::string RouteTable::Route::allowHeader() const
{
    std::string allow;
    if (methods & Read)
        allow = "GET, HEAD";
    if (methods & Post)
        allow += allow.empty() ? "POST" : ", POST";
    return allow;
}

RouteTable& RouteTable::add(Route route)
{
    routes_.push_back(std::move(route));
    return *this;
}

const RouteTable::Route* RouteTable::find(const std::string& path) const
{
    for (const Route& route : routes_) {
        if (route.matches(path))
            return &route;
    }
    return nullptr;
}

std::string RouteTable::argumentOf(const Route& route, const std::string& path)
{
    if (route.pattern.empty() || route.pattern.back() != '*')
        return "";
    return path.substr(route.pattern.size() - 1);
}
