#include "server/model/DriverVersion.h"

#include <cctype>
#include <tuple>

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

std::string padded(int64_t n)
{
    std::string text = std::to_string(n);
    return std::string(text.size() < 10 ? 10 - text.size() : 0, '0') + text;
}

std::string lower(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

bool startsWith(const std::string& text, const char* prefix)
{
    return text.rfind(prefix, 0) == 0;
}

// The vendor of a display driver by its user-mode libraries' names (InstalledDisplayDrivers:
// names or full paths, separated by commas): the first one decides.
DriverVendor vendorOf(const std::string& libraries)
{
    std::string first = libraries.substr(0, libraries.find(','));
    const std::size_t slash = first.find_last_of("\\/");
    if (slash != std::string::npos)
        first = first.substr(slash + 1);
    first = lower(first);
    if (startsWith(first, "nv"))
        return DriverVendor::Nvidia;
    if (startsWith(first, "ati") || startsWith(first, "amd"))
        return DriverVendor::Amd;
    if (startsWith(first, "ig"))
        return DriverVendor::Intel;
    return DriverVendor::Other;
}

// A Windows file version's four numbers, each below 65536; none when it is anything else.
std::optional<std::vector<int64_t>> fileVersionOf(const std::string& text)
{
    std::vector<int64_t> fields;
    std::string number;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        if (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
            number += text[i];
            if (number.size() > 5)
                return std::nullopt;
            continue;
        }
        if ((i < text.size() && text[i] != '.') || number.empty())
            return std::nullopt;
        fields.push_back(std::stoll(number));
        if (fields.back() > 65535)
            return std::nullopt;
        number.clear();
    }
    if (fields.size() != 4)
        return std::nullopt;
    return fields;
}

std::string twoDigits(int64_t n)
{
    return (n < 10 ? "0" : "") + std::to_string(n);
}

std::string fourDigits(int64_t n)
{
    const std::string text = std::to_string(n);
    return std::string(text.size() < 4 ? 4 - text.size() : 0, '0') + text;
}

} // namespace

std::string versionOrderKey(const std::vector<std::string>& versions)
{
    std::string key;
    for (std::size_t i = 0; i < versions.size(); ++i)
        key += (i ? "|" : "") + keyOf(versions[i]);
    return key;
}

const char* nameOf(DriverVendor vendor)
{
    switch (vendor) {
    case DriverVendor::Nvidia: return "NVIDIA";
    case DriverVendor::Amd: return "AMD";
    case DriverVendor::Intel: return "Intel";
    default: return "other";
    }
}

DriverVersion driverVersionOf(const std::string& driverText)
{
    const std::string library = driverText.substr(0, driverText.find("; "));
    const std::size_t blank = library.rfind(' ');
    const std::string names = blank == std::string::npos ? std::string() : library.substr(0, blank);
    const std::string text = blank == std::string::npos ? library : library.substr(blank + 1);

    DriverVersion v;
    v.vendor = vendorOf(names);
    const auto fields = fileVersionOf(text);
    if (!fields || (*fields)[3] > 9999)
        v.vendor = DriverVendor::Other;
    if (v.vendor != DriverVendor::Other) {
        const std::vector<int64_t>& f = *fields;
        v.driverModel = f[0];
        const std::string prefix = std::to_string(static_cast<int>(v.vendor)) + "|";
        if (v.vendor == DriverVendor::Nvidia) {
            // The release is the last five digits of the last two numbers: 31.0.15.3161 is 531.61.
            const int64_t release = (f[2] * 10000 + f[3]) % 100000;
            v.release = std::to_string(release / 100) + "." + twoDigits(release % 100);
            v.key = prefix + padded(release);
        } else if (v.vendor == DriverVendor::Intel) {
            // From 100 on, the build is the last two numbers together (30.0.101.2031: 101.2031,
            // 1012031); before it, the last four digits alone (20.19.15.4531: 4531), all older.
            const bool recent = f[2] >= 100;
            v.release = recent ? std::to_string(f[2]) + "." + fourDigits(f[3]) : fourDigits(f[3]);
            v.key = prefix + padded(recent ? f[2] * 10000 + f[3] : f[3]);
        } else if (f[0] >= 20) {
            // AMD since the driver model leads the number (27.20.21034.37, 31.0.21925.1001):
            // the release is the last two numbers.
            v.release = std::to_string(f[2]) + "." + std::to_string(f[3]);
            v.key = prefix + "1." + padded(f[2]) + "." + padded(f[3]);
        } else {
            // Older AMD numbering (8.970.100.9001, 15.200.1062.1004): the whole number, before
            // every newer one.
            v.driverModel = -1;
            v.release = text;
            v.key = prefix + "0." + keyOf(text);
        }
        return v;
    }
    v.release = text;
    v.key = std::to_string(static_cast<int>(DriverVendor::Other)) + "|" + keyOf(text);
    return v;
}

std::optional<std::size_t> predecessorOf(const std::vector<DriverCohort>& drivers, std::size_t of)
{
    if (of >= drivers.size())
        return std::nullopt;
    const DriverVersion& own = drivers[of].version;
    std::optional<std::size_t> best;
    auto rank = [&](std::size_t i) {
        const DriverCohort& d = drivers[i];
        return std::make_tuple(d.version.key, d.version.driverModel == own.driverModel, d.counted, -d.cohortId);
    };
    for (std::size_t i = 0; i < drivers.size(); ++i) {
        const DriverVersion& v = drivers[i].version;
        if (v.vendor != own.vendor || !(v.key < own.key))
            continue;
        if (!best || rank(*best) < rank(i))
            best = i;
    }
    return best;
}

} // namespace model
