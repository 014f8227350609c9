#include "server/pages/QueryString.h"

#include <cctype>
#include <sstream>

std::string percentDecode(const std::string& text, bool plusIsBlank)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '%' && i + 2 < text.size() && std::isxdigit(static_cast<unsigned char>(text[i + 1])) &&
            std::isxdigit(static_cast<unsigned char>(text[i + 2]))) {
            out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else if (c == '+' && plusIsBlank) {
            out += ' ';
        } else {
            out += c;
        }
    }
    return out;
}

std::string queryValue(const std::string& query, const std::string& name)
{
    std::istringstream pairs(query);
    std::string pair;
    while (std::getline(pairs, pair, '&')) {
        const std::size_t eq = pair.find('=');
        if (percentDecode(pair.substr(0, eq), true) == name)
            return eq == std::string::npos ? "" : percentDecode(pair.substr(eq + 1), true);
    }
    return "";
}

std::vector<std::string> queryValues(const std::string& query, const std::string& name)
{
    std::vector<std::string> values;
    std::istringstream pairs(query);
    std::string pair;
    while (std::getline(pairs, pair, '&')) {
        const std::size_t eq = pair.find('=');
        if (percentDecode(pair.substr(0, eq), true) == name)
            values.push_back(eq == std::string::npos ? "" : percentDecode(pair.substr(eq + 1), true));
    }
    return values;
}

std::string percentEncode(const std::string& text)
{
    static const char* const hex = "0123456789ABCDEF";
    std::string out;
    for (char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (std::isalnum(u) || c == '-' || c == '.' || c == '_' || c == '~') {
            out += c;
        } else {
            out += '%';
            out += hex[u >> 4];
            out += hex[u & 15];
        }
    }
    return out;
}
