#include "server/pages/Html.h"

#include <cmath>
#include <cstdio>
#include <ctime>

std::string escapeHtml(const std::string& text)
{
    std::string out;
    out.reserve(text.size() + 16);
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&#39;"; break;
        default: out += c;
        }
    }
    return out;
}

std::string formatFixed(double value, int decimals)
{
    if (!std::isfinite(value))
        return "–";
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
    return buffer;
}

namespace {

// Rounded to `digits` significant digits and written in fixed notation with the trailing zeros
// of its decimals dropped, so that large rates do not turn into "1.23457e+06".
std::string significant(double value, int digits)
{
    if (!std::isfinite(value))
        return "–";
    if (value == 0.0)
        return "0";
    const int magnitude = static_cast<int>(std::floor(std::log10(std::fabs(value))));
    const int decimals = digits - 1 - magnitude;
    char buffer[400];
    if (decimals <= 0) {
        const double step = std::pow(10.0, -decimals);
        std::snprintf(buffer, sizeof buffer, "%.0f", std::round(value / step) * step);
        return buffer;
    }
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
    std::string text = buffer;
    // Rounding may carry into a new digit (999999.5 → "1000000.0" has one decimal too many):
    // trailing zeros after the point are never significant here, so they go either way.
    while (text.back() == '0')
        text.pop_back();
    if (text.back() == '.')
        text.pop_back();
    return text;
}

} // namespace

std::string formatRate(double value)
{
    return significant(value, 6);
}

std::string formatFigure(double value)
{
    if (!(value > 0.0))
        return "–";
    // Whole numbers from 1000 up: rounding 34012 to "34010" would only hide digits a reader
    // can check against the result's own rate.
    return value >= 1000 ? formatFixed(value, 0) : significant(value, 4);
}

std::string formatDate(int64_t unixSeconds)
{
    const std::time_t time = static_cast<std::time_t>(unixSeconds);
    std::tm utc{};
    gmtime_r(&time, &utc);
    char buffer[32];
    std::strftime(buffer, sizeof buffer, "%Y-%m-%d %H:%M UTC", &utc);
    return buffer;
}

std::string formatScore(double score)
{
    return score > 0.0 ? formatFixed(score, 0) : "–";
}

std::string countOf(int64_t n, const std::string& one, const std::string& many)
{
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

std::string orDash(const std::string& text)
{
    return text.empty() ? "–" : text;
}
