#include "server/protocol/LookupLine.h"

namespace {

bool isUnreserved(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '_' || c == '.' || c == '~';
}

} // namespace

std::size_t percentEncodedBytes(const std::string& text)
{
    std::size_t bytes = 0;
    for (const char c : text)
        bytes += isUnreserved(static_cast<unsigned char>(c)) ? 1 : 3;
    return bytes;
}

std::size_t lookupRequestLineBytes(const std::string& type, const SearchKey& key, std::size_t basePathBytes)
{
    std::size_t bytes = std::string("GET ").size() + basePathBytes + type.size() + 1 +
                        std::string(" HTTP/1.1").size();
    for (const auto& [name, value] : key.pairs())
        bytes += percentEncodedBytes(name) + 1 + percentEncodedBytes(value) + 1;
    return bytes;
}
