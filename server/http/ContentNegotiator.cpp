#include "server/http/ContentNegotiator.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <sstream>

namespace {

bool endsWith(const std::string& text, const std::string& suffix)
{
    return text.size() > suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

} // namespace

bool acceptPrefersJson(const std::string& accept)
{
    double html = 0.0, json = 0.0;
    std::istringstream ranges(accept);
    std::string range;
    while (std::getline(ranges, range, ',')) {
        std::string type = range.substr(0, range.find(';'));
        type.erase(0, type.find_first_not_of(" \t"));
        type.erase(type.find_last_not_of(" \t") + 1);
        for (char& c : type)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        double q = 1.0;
        const std::size_t at = range.find("q=");
        if (at != std::string::npos && range.find(';') < at)
            q = std::strtod(range.c_str() + at + 2, nullptr);
        // The named type wins a tie with a wildcard of the same quality.
        if (type == "text/html" || type == "text/*" || type == "*/*")
            html = std::max(html, type == "text/html" ? q + 1e-9 : q);
        if (type == "application/json" || type == "application/*" || type == "*/*")
            json = std::max(json, type == "application/json" ? q + 1e-9 : q);
    }
    return json > html;
}

NegotiatedPath negotiate(const std::string& path, const std::string& accept)
{
    NegotiatedPath negotiated{path, acceptPrefersJson(accept) ? Representation::Json : Representation::Html};
    if (endsWith(path, ".json")) {
        negotiated.representation = Representation::Json;
        negotiated.path.resize(path.size() - 5);
    } else if (endsWith(path, ".csv")) {
        negotiated.representation = Representation::Csv;
        negotiated.path.resize(path.size() - 4);
    }
    return negotiated;
}
