#include "server/protocol/MeasurementName.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace {

bool isLetters(const std::string& text)
{
    if (text.empty())
        return false;
    for (char c : text) {
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')))
            return false;
    }
    return true;
}

bool readSize(const std::string& text, int32_t& size)
{
    if (text.empty() || text.size() > 5 || text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    size = std::stoi(text);
    return size > 0;
}

} // namespace

std::optional<Measurement> parseMeasurement(const std::string& name, const std::string& value)
{
    Measurement m;
    std::string rest;
    for (const char* unit : {"_Ops_s", "_MP_s", "_MiB_s"}) {
        const std::string suffix(unit);
        if (name.size() > suffix.size() && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0) {
            m.unit = suffix.substr(1);
            rest = name.substr(0, name.size() - suffix.size());
            break;
        }
    }
    if (m.unit.empty())
        return std::nullopt;

    const std::size_t underscore = rest.rfind('_');
    if (underscore != std::string::npos) {
        const std::string size = rest.substr(underscore + 1);
        const std::size_t x = size.find('x');
        if (x == std::string::npos || !readSize(size.substr(0, x), m.width) ||
            !readSize(size.substr(x + 1), m.height))
            return std::nullopt;
        rest = rest.substr(0, underscore);
    }
    if (!isLetters(rest))
        return std::nullopt;
    m.test = rest;

    if (value.empty())
        return std::nullopt;
    errno = 0;
    char* end = nullptr;
    m.value = std::strtod(value.c_str(), &end);
    if (errno != 0 || *end != '\0' || !std::isfinite(m.value))
        return std::nullopt;
    return m;
}

bool isMeasurementName(const std::string& name)
{
    return parseMeasurement(name, "0").has_value();
}
