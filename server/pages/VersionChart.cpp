#include "server/pages/VersionChart.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "server/pages/Html.h"

namespace {

constexpr double kWidth = 560, kHeight = 260;
constexpr double kLeft = 58, kRight = 120, kTop = 24, kBottom = 34;

const char* const kColours[] = {"#1f5fbf", "#c0392b", "#27864a", "#8e44ad", "#b9770e", "#16818a", "#555555"};

std::string num(double v)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.1f", v);
    return buffer;
}

std::string tickLabel(double v)
{
    char buffer[32];
    if (v >= 1e6)
        std::snprintf(buffer, sizeof buffer, "%gM", v / 1e6);
    else if (v >= 1e3)
        std::snprintf(buffer, sizeof buffer, "%gk", v / 1e3);
    else
        std::snprintf(buffer, sizeof buffer, "%g", v);
    return buffer;
}

} // namespace

std::string versionChart(const std::string& title, const std::string& unitLabel,
                         const std::vector<VersionSeries>& series)
{
    std::string svg = "<svg class=\"chart\" xmlns=\"http://www.w3.org/2000/svg\" width=\"" + num(kWidth) +
                      "\" height=\"" + num(kHeight) + "\" viewBox=\"0 0 " + num(kWidth) + " " + num(kHeight) +
                      "\" role=\"img\" aria-label=\"" + escapeHtml(title) + "\"><title>" + escapeHtml(title) +
                      "</title>\n";
    double low = INFINITY, high = 0;
    std::size_t versions = 0;
    for (const VersionSeries& s : series) {
        versions = std::max(versions, s.points.size());
        for (const VersionPoint& p : s.points) {
            if (p.known && p.lower > 0 && p.upper > 0) {
                low = std::min(low, p.lower);
                high = std::max(high, p.upper);
            }
        }
    }
    if (!(high > 0))
        return svg + "<text x=\"20\" y=\"100\" font-size=\"12\">Nothing counted</text>\n</svg>";
    low = std::pow(10.0, std::floor(std::log10(low) * 4) / 4);
    high = std::pow(10.0, std::ceil(std::log10(high) * 4) / 4);
    if (high <= low)
        high = low * 10;
    const double plotRight = kWidth - kRight;
    const auto xAt = [&](std::size_t i) {
        return versions <= 1 ? (kLeft + plotRight) / 2 : kLeft + 10 + (plotRight - kLeft - 20) * i / (versions - 1);
    };
    const auto yAt = [&](double v) {
        return kHeight - kBottom - (kHeight - kTop - kBottom) * (std::log10(v) - std::log10(low)) /
                                       (std::log10(high) - std::log10(low));
    };
    svg += "<rect x=\"" + num(kLeft) + "\" y=\"" + num(kTop) + "\" width=\"" + num(plotRight - kLeft) +
           "\" height=\"" + num(kHeight - kTop - kBottom) + "\" fill=\"#fff\" stroke=\"#9aa7b6\"/>\n";
    // Five ticks evenly apart on the log scale.
    for (int t = 0; t <= 4; ++t) {
        const double v = std::pow(10.0, std::log10(low) + (std::log10(high) - std::log10(low)) * t / 4);
        char label[32];
        std::snprintf(label, sizeof label, "%.3g", v);
        svg += "<line x1=\"" + num(kLeft) + "\" x2=\"" + num(plotRight) + "\" y1=\"" + num(yAt(v)) + "\" y2=\"" +
               num(yAt(v)) + "\" stroke=\"#e3e8ee\"/><text x=\"" + num(kLeft - 5) + "\" y=\"" + num(yAt(v) + 4) +
               "\" font-size=\"10\" text-anchor=\"end\" fill=\"#44505e\">" + tickLabel(std::stod(label)) + "</text>\n";
    }
    const std::size_t step = versions > 16 ? (versions + 15) / 16 : 1;
    for (std::size_t i = 0; i < versions; i += step) {
        svg += "<text x=\"" + num(xAt(i)) + "\" y=\"" + num(kHeight - kBottom + 14) +
               "\" font-size=\"10\" text-anchor=\"middle\" fill=\"#44505e\">" + std::to_string(i + 1) + "</text>";
    }
    svg += "\n<text x=\"" + num((kLeft + plotRight) / 2) + "\" y=\"" + num(kHeight - 4) +
           "\" font-size=\"11\" text-anchor=\"middle\" fill=\"#1d2430\">driver version (# in the table)</text>\n";
    svg += "<text x=\"" + num(kLeft) + "\" y=\"14\" font-size=\"11\" fill=\"#1d2430\">" + escapeHtml(unitLabel) +
           "</text>\n";
    for (std::size_t k = 0; k < series.size(); ++k) {
        const VersionSeries& s = series[k];
        const char* colour = kColours[k % (sizeof kColours / sizeof *kColours)];
        std::string upper, lower, median, dots;
        for (std::size_t i = 0; i < s.points.size(); ++i) {
            const VersionPoint& p = s.points[i];
            if (!p.known || !(p.lower > 0 && p.median > 0 && p.upper > 0))
                continue;
            upper += num(xAt(i)) + "," + num(yAt(p.upper)) + " ";
            lower = num(xAt(i)) + "," + num(yAt(p.lower)) + " " + lower;
            median += num(xAt(i)) + "," + num(yAt(p.median)) + " ";
            dots += "<circle cx=\"" + num(xAt(i)) + "\" cy=\"" + num(yAt(p.median)) + "\" r=\"2.5\" fill=\"" + colour +
                    "\"/>";
        }
        if (median.empty())
            continue;
        svg += "<polygon class=\"band\" data-series=\"" + escapeHtml(s.name) + " quartiles\" points=\"" + upper + lower +
               "\" fill=\"" + colour + "\" fill-opacity=\"0.18\" stroke=\"none\"/>\n";
        svg += "<polyline class=\"series\" data-series=\"" + escapeHtml(s.name) + "\" points=\"" + median +
               "\" fill=\"none\" stroke=\"" + colour + "\" stroke-width=\"2\"/>" + dots + "\n";
        svg += "<text x=\"" + num(plotRight + 8) + "\" y=\"" + num(kTop + 10 + 14 * k) + "\" font-size=\"11\" fill=\"" +
               colour + "\">" + escapeHtml(s.name) + "</text>\n";
    }
    return svg + "</svg>";
}
