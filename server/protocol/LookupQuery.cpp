#include "server/protocol/LookupQuery.h"

#include <utility>
#include <vector>

#include "server/protocol/FieldValue.h"
#include "server/protocol/ProtocolError.h"
#include "server/protocol/TextEncoding.h"

namespace {

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

} // namespace

std::string percentDecode(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        const int high = i + 1 < text.size() ? hexValue(text[i + 1]) : -1;
        const int low = i + 2 < text.size() ? hexValue(text[i + 2]) : -1;
        if (high < 0 || low < 0)
            throw ProtocolError(400, "malformed percent-encoding in the query");
        out += static_cast<char>(high * 16 + low);
        i += 2;
    }
    if (out.find('\0') != std::string::npos)
        throw ProtocolError(400, "NUL byte in the query");
    return out;
}

SearchKey parseLookupQuery(const std::string& query, const DocumentLimits& limits)
{
    std::vector<std::pair<std::string, std::string>> pairs;
    std::size_t start = 0;
    while (start <= query.size()) {
        std::size_t end = query.find('&', start);
        if (end == std::string::npos)
            end = query.size();
        const std::string segment = query.substr(start, end - start);
        if (!segment.empty()) {
            const std::size_t equals = segment.find('=');
            if (equals == std::string::npos)
                throw ProtocolError(400, "query pair without '='");
            std::string name = toUtf8(percentDecode(segment.substr(0, equals)));
            std::string value = fieldValue(percentDecode(segment.substr(equals + 1)));
            if (name.size() > limits.maxNameBytes)
                throw ProtocolError(400, "a name in the query is longer than " +
                                             std::to_string(limits.maxNameBytes) + " bytes");
            if (value.size() > limits.maxValueBytes)
                throw ProtocolError(400, "the value of " + name + " in the query is longer than " +
                                             std::to_string(limits.maxValueBytes) + " bytes");
            pairs.emplace_back(std::move(name), std::move(value));
        }
        start = end + 1;
    }
    return SearchKey(std::move(pairs));
}
