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

std::string orDash(const std::string& text)
{
    return text.empty() ? "–" : text;
}
