#include "server/model/DriverVersion.h"

#include <cctype>

namespace model {

namespace {

std::string keyOf(const std::string& version)
{
    std::string key, number, letters;
    auto flush = [&] {
        if (number.empty())
            return;
        const std::size_t first = number.find_first_not_of('0');
        number = first == std::string::npos ? "0" : number.substr(first);
        if (number.size() < 10)
            number.insert(0, 10 - number.size(), '0');
        key += (key.empty() ? "" : ".") + number;
        number.clear();
    };
    for (char c : version) {
        if (std::isdigit(static_cast<unsigned char>(c)))
            number += c;
        else {
            flush();
            if (std::isalpha(static_cast<unsigned char>(c)))
                letters += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
    }
    flush();
    return letters.empty() ? key : key + "~" + letters;
}

} // namespace

std::string versionOrderKey(const std::vector<std::string>& versions)
{
    std::string key;
    for (std::size_t i = 0; i < versions.size(); ++i)
        key += (i ? "|" : "") + keyOf(versions[i]);
    return key;
}

} // namespace model
