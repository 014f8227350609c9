#include "server/http/ServerConfigFile.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <stdexcept>

namespace {

// A configuration is a page of text; anything larger is not one.
constexpr std::size_t kMostBytes = 1 << 20;

std::string trimmed(const std::string& text)
{
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return "";
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

} // namespace

std::vector<ConfigEntry> readConfigFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        throw std::runtime_error("cannot read " + path + ": " + std::strerror(errno));
    std::vector<ConfigEntry> entries;
    std::string line;
    std::size_t bytes = 0;
    for (int number = 1; std::getline(file, line); ++number) {
        bytes += line.size() + 1;
        if (bytes > kMostBytes)
            throw std::runtime_error(path + " is larger than 1 MiB: not a configuration file");
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const std::string where = path + ":" + std::to_string(number) + ": ";
        if (line.find('\0') != std::string::npos)
            throw std::runtime_error(where + "a NUL character");
        const std::string text = trimmed(line);
        if (text.empty() || text.front() == '#')
            continue;
        const std::size_t equals = text.find('=');
        if (equals == std::string::npos)
            throw std::runtime_error(where + "expected \"name = value\", not \"" + text + "\"");
        ConfigEntry entry{trimmed(text.substr(0, equals)), trimmed(text.substr(equals + 1)), number};
        if (entry.name.empty() || entry.name.front() == '-' ||
            entry.name.find_first_not_of("abcdefghijklmnopqrstuvwxyz0123456789-") != std::string::npos)
            throw std::runtime_error(where + "\"" + entry.name +
                                     "\" is no option name (lower-case letters, digits and -, "
                                     "without the leading --)");
        if (entry.value.empty())
            throw std::runtime_error(where + entry.name + " needs a value");
        entries.push_back(std::move(entry));
    }
    if (file.bad())
        throw std::runtime_error("cannot read " + path + ": " + std::strerror(errno));
    return entries;
}
