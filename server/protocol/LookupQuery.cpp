#include "server/protocol/LookupQuery.h"

#include <utility>
#include <vector>

#include "server/protocol/FieldValue.h"
#include "server/protocol/ProtocolError.h"
#include "server/protocol/TextEncoding.h"
#include "server/text/PercentCoding.h"

namespace {

std::string queryPart(const std::string& encoded)
{
    const auto decoded = percentDecodeStrict(encoded, PlusSign::Literal);
    if (!decoded)
        throw ProtocolError(400, "malformed percent-encoding in the query");
    if (decoded->find('\0') != std::string::npos)
        throw ProtocolError(400, "NUL byte in the query");
    return *decoded;
}

} // namespace

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
            std::string name = toUtf8(queryPart(segment.substr(0, equals)));
            std::string value = fieldValue(queryPart(segment.substr(equals + 1)));
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
