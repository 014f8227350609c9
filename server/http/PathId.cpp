#include "server/http/PathId.h"

bool parsePathId(const std::string& text, int32_t& id)
{
    if (text.empty() || text.size() > 10 || text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    const long long value = std::stoll(text);
    if (value < 1 || value > 2147483647LL)
        return false;
    id = static_cast<int32_t>(value);
    return true;
}

std::string canonicalPathId(const std::string& text)
{
    int32_t id = 0;
    if (text.size() > 1 && text[0] == '0') {
        const std::size_t first = text.find_first_not_of('0');
        if (first != std::string::npos && parsePathId(text.substr(first), id))
            return std::to_string(id);
    }
    return "";
}
