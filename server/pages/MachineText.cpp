#include "server/pages/MachineText.h"

#include <cmath>
#include <cstdio>
#include <vector>

namespace {

// A whole number as an upload sends it, or 0 when the text is none (a field another program
// filled with words must not read as a size).
double amountOf(const std::string& decimal)
{
    if (decimal.empty() || decimal.find_first_not_of("0123456789") != std::string::npos)
        return 0.0;
    return std::strtod(decimal.c_str(), nullptr);
}

std::string significant(double value, int digits)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*g", digits, value);
    return buffer;
}

std::string withUnit(double value, double step, const std::vector<const char*>& units, int digits)
{
    if (!(value > 0))
        return "unknown";
    if (value < step)
        return significant(value, 20) + " " + units[0];  // the smallest unit is written whole
    std::size_t u = 0;
    while (u + 1 < units.size() && value >= step) {
        value /= step;
        ++u;
    }
    return significant(value, digits) + " " + units[u];
}

} // namespace

std::string machineField(const StoredResult& result, const std::string& name)
{
    for (const RecordField& f : result.machineFields) {
        if (f.name == name)
            return f.value;
    }
    return "";
}

double machineAmount(const StoredResult& result, const std::string& name)
{
    return amountOf(machineField(result, name));
}

std::string frequencyText(const std::string& decimalHertz)
{
    return withUnit(amountOf(decimalHertz), 1000.0, {"Hz", "KHz", "MHz", "GHz", "THz"}, 6);
}

std::string sizeText(const std::string& decimalBytes, int digits)
{
    return withUnit(amountOf(decimalBytes), 1024.0, {"bytes", "KiB", "MiB", "GiB", "TiB"}, digits);
}

std::string modeText(const StoredResult& r)
{
    return std::to_string(r.displayWidth) + "x" + std::to_string(r.displayHeight) +
           (r.refreshRate > 0 ? "@" + std::to_string(r.refreshRate) + " Hz" : "") + " (" +
           std::to_string(r.bitsPerPixel) + " bpp)" + (r.refreshRate > 0 ? "" : ", refresh rate unknown");
}
