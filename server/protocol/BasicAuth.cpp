#include "server/protocol/BasicAuth.h"

#include <cctype>

#include "server/text/Base64.h"

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
