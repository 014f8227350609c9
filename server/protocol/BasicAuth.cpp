#include "server/protocol/BasicAuth.h"

#include <cctype>

namespace {

int base64Value(char c)
{
    if (c >= 'A' && c <= 'Z')
        return c - 'A';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 26;
    if (c >= '0' && c <= '9')
        return c - '0' + 52;
    if (c == '+')
        return 62;
    if (c == '/')
        return 63;
    return -1;
}

std::optional<std::string> base64Decode(const std::string& text)
{
    std::string out;
    unsigned buffer = 0;
    int bits = 0;
    std::size_t i = 0;
    for (; i < text.size() && text[i] != '='; ++i) {
        const int value = base64Value(text[i]);
        if (value < 0)
            return std::nullopt;
        buffer = (buffer << 6) | static_cast<unsigned>(value);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out += static_cast<char>((buffer >> bits) & 0xFF);
        }
    }
    for (; i < text.size(); ++i) {
        if (text[i] != '=')
            return std::nullopt;
    }
    return out;
}

} // namespace

std::optional<BasicCredentials> parseBasicAuthorization(const std::string& header)
{
    const std::string scheme = "basic";
    if (header.size() <= scheme.size())
        return std::nullopt;
    for (std::size_t i = 0; i < scheme.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(header[i])) != scheme[i])
            return std::nullopt;
    }
    std::size_t start = scheme.size();
    if (header[start] != ' ')
        return std::nullopt;
    while (start < header.size() && header[start] == ' ')
        ++start;
    std::size_t end = header.size();
    while (end > start && header[end - 1] == ' ')
        --end;
    const auto decoded = base64Decode(header.substr(start, end - start));
    if (!decoded)
        return std::nullopt;
    const std::size_t colon = decoded->find(':');
    if (colon == std::string::npos)
        return std::nullopt;
    return BasicCredentials{decoded->substr(0, colon), decoded->substr(colon + 1)};
}
