#pragma once

#include <string>

// Which form of a page a request wants. Every page of the site has one address for all its
// forms: a ".json" or ".csv" suffix names one outright, otherwise the Accept header decides
// between HTML and JSON.
enum class Representation { Html, Json, Csv };

struct NegotiatedPath {
    std::string path;  // without the suffix
    Representation representation = Representation::Html;

    bool json() const { return representation == Representation::Json; }
    bool csv() const { return representation == Representation::Csv; }
};

// path: percent-decoded.
NegotiatedPath negotiate(const std::string& path, const std::string& accept);

// JSON when Accept prefers it by its quality values to HTML: "application/json" alone, or
// "text/html;q=0.5, application/json"; a browser's "*/*" is HTML.
bool acceptPrefersJson(const std::string& accept);
