#include "server/pages/QueryString.h"

#include <sstream>

#include "server/text/PercentCoding.h"

std::string queryValue(const std::string& query, const std::string& name)
{
    std::istringstream pairs(query);
    std::string pair;
    while (std::getline(pairs, pair, '&')) {
        const std::size_t eq = pair.find('=');
        if (percentDecode(pair.substr(0, eq), PlusSign::Blank) == name)
            return eq == std::string::npos ? "" : percentDecode(pair.substr(eq + 1), PlusSign::Blank);
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
        if (percentDecode(pair.substr(0, eq), PlusSign::Blank) == name)
            values.push_back(eq == std::string::npos ? "" : percentDecode(pair.substr(eq + 1), PlusSign::Blank));
    }
    return values;
}
