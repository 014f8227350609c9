#include "server/pages/SvgChart.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "server/pages/Html.h"

namespace {

constexpr double kWidth = 420, kHeight = 250;
constexpr double kLeft = 58, kRight = 12, kTop = 24, kBottom = 34;

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

struct LogScale {
    double low, high, from, to;
    double at(double v) const
    {
        const double t = (std::log10(v) - std::log10(low)) / (std::log10(high) - std::log10(low));
        return from + (to - from) * t;
    }
};

// Ticks at 1, 2 and 5 times the powers of ten, thinned to whole decades when there are many.
std::vector<double> ticks(double low, double high)
{
    std::vector<double> all;
    for (double decade = std::pow(10.0, std::floor(std::log10(low))); decade <= high; decade *= 10) {
        for (double m : {1.0, 2.0, 5.0}) {
            const double v = decade * m;
            if (v >= low && v <= high)
                all.push_back(v);
        }
    }
    if (all.size() > 7) {
        std::vector<double> decades;
        for (double v : all) {
            if (std::fabs(std::log10(v) - std::round(std::log10(v))) < 1e-9)
                decades.push_back(v);
        }
        return decades;
    }
    return all;
}

} // namespace

std::string sizeChart(const std::string& caption, const std::string& unitLabel,
                      const std::vector<SizeRow>& rows)
{
    double low = INFINITY, high = 0;
    int32_t smallest = 0, largest = 0;
    for (const SizeRow& row : rows) {
        for (double v : {row.value, row.hasBand ? row.lower : 0.0, row.hasBand ? row.upper : 0.0}) {
            if (v > 0) {
                low = std::min(low, v);
                high = std::max(high, v);
            }
        }
        if (smallest == 0 || row.size < smallest) smallest = row.size;
        largest = std::max(largest, row.size);
    }
    std::string svg = "<svg class=\"chart\" xmlns=\"http://www.w3.org/2000/svg\" width=\"" +
                      num(kWidth) + "\" height=\"" + num(kHeight) + "\" viewBox=\"0 0 " +
                      num(kWidth) + " " + num(kHeight) + "\" role=\"img\" aria-label=\"" +
                      escapeHtml(caption) + "\">\n";
    if (!(high > 0) || smallest <= 0) {
        return svg + "<text x=\"20\" y=\"100\" font-size=\"12\">Nothing measured</text>\n</svg>";
    }
    // A decade of room at least, so a flat line does not fill the whole height.
    low = std::pow(10.0, std::floor(std::log10(low) * 4) / 4);
    high = std::pow(10.0, std::ceil(std::log10(high) * 4) / 4);
    if (high <= low) high = low * 10;
    if (largest == smallest) largest = smallest * 2;
    const LogScale x{double(smallest), double(largest), kLeft, kWidth - kRight};
    const LogScale y{low, high, kHeight - kBottom, kTop};

    svg += "<rect x=\"" + num(kLeft) + "\" y=\"" + num(kTop) + "\" width=\"" +
           num(kWidth - kLeft - kRight) + "\" height=\"" + num(kHeight - kTop - kBottom) +
           "\" fill=\"#fff\" stroke=\"#9aa7b6\"/>\n";
    for (double t : ticks(low, high)) {
        svg += "<line x1=\"" + num(kLeft) + "\" x2=\"" + num(kWidth - kRight) + "\" y1=\"" +
               num(y.at(t)) + "\" y2=\"" + num(y.at(t)) + "\" stroke=\"#e3e8ee\"/>";
        svg += "<text x=\"" + num(kLeft - 5) + "\" y=\"" + num(y.at(t) + 4) +
               "\" font-size=\"10\" text-anchor=\"end\" fill=\"#44505e\">" + tickLabel(t) +
               "</text>\n";
    }
    for (const SizeRow& row : rows) {
        svg += "<text x=\"" + num(x.at(row.size)) + "\" y=\"" + num(kHeight - kBottom + 14) +
               "\" font-size=\"10\" text-anchor=\"middle\" fill=\"#44505e\">" +
               std::to_string(row.size) + "</text>";
    }
    svg += "\n<text x=\"" + num((kLeft + kWidth - kRight) / 2) + "\" y=\"" + num(kHeight - 4) +
           "\" font-size=\"11\" text-anchor=\"middle\" fill=\"#1d2430\">square size (pixels)</text>\n";
    svg += "<text x=\"" + num(kLeft) + "\" y=\"14\" font-size=\"11\" fill=\"#1d2430\">" +
           escapeHtml(unitLabel) + "</text>\n";

    std::string upperEdge, lowerEdge, median, own;
    for (const SizeRow& row : rows) {
        if (row.hasBand && row.lower > 0 && row.upper > 0 && row.median > 0) {
            upperEdge += num(x.at(row.size)) + "," + num(y.at(row.upper)) + " ";
            lowerEdge = num(x.at(row.size)) + "," + num(y.at(row.lower)) + " " + lowerEdge;
            median += num(x.at(row.size)) + "," + num(y.at(row.median)) + " ";
        }
    }
    if (!upperEdge.empty()) {
        svg += "<polygon class=\"band\" data-series=\"Cohort quartiles\" points=\"" + upperEdge +
               lowerEdge + "\" fill=\"#8fb4e3\" fill-opacity=\"0.45\" stroke=\"#8fb4e3\"/>\n";
    }
    std::string dots;
    for (const SizeRow& row : rows) {
        if (row.value > 0) {
            own += num(x.at(row.size)) + "," + num(y.at(row.value)) + " ";
            dots += "<circle cx=\"" + num(x.at(row.size)) + "\" cy=\"" + num(y.at(row.value)) +
                    "\" r=\"2.5\" fill=\"#1f5fbf\"/>";
        }
    }
    if (!own.empty()) {
        svg += "<polyline class=\"series\" data-series=\"This result\" points=\"" + own +
               "\" fill=\"none\" stroke=\"#1f5fbf\" stroke-width=\"2\"/>\n" + dots + "\n";
    }
    // Over this result's line: a result near its cohort's median would hide a line beneath it,
    // while the dashes let the other show through.
    if (!median.empty()) {
        svg += "<polyline class=\"series\" data-series=\"Cohort median\" points=\"" + median +
               "\" fill=\"none\" stroke=\"#333\" stroke-width=\"1.5\" stroke-dasharray=\"5 3\"/>\n";
    }
    return svg + "</svg>";
}

std::string bandGauge(double value, double lower, double median, double upper, double low,
                      double high)
{
    constexpr double w = 160, h = 18;
    std::string svg = "<svg class=\"gauge\" xmlns=\"http://www.w3.org/2000/svg\" width=\"160\" "
                      "height=\"18\" viewBox=\"0 0 160 18\">";
    if (!(low > 0) || !(high > low)) {
        return svg + "</svg>";
    }
    const LogScale x{low, high, 4, w - 4};
    svg += "<line x1=\"4\" x2=\"156\" y1=\"9\" y2=\"9\" stroke=\"#c9d3df\"/>";
    if (lower > 0 && upper > 0) {
        svg += "<rect class=\"band\" x=\"" + num(x.at(lower)) + "\" y=\"3\" width=\"" +
               num(std::max(1.0, x.at(upper) - x.at(lower))) +
               "\" height=\"12\" fill=\"#8fb4e3\" fill-opacity=\"0.6\"/>";
        svg += "<polyline class=\"series\" data-series=\"Cohort median\" points=\"" +
               num(x.at(median)) + ",2 " + num(x.at(median)) + "," + num(h - 2) +
               "\" stroke=\"#555\" stroke-width=\"1.5\" fill=\"none\"/>";
    }
    if (value > 0) {
        svg += "<polyline class=\"series\" data-series=\"This result\" points=\"" +
               num(x.at(value)) + ",0 " + num(x.at(value)) + "," + num(h) +
               "\" stroke=\"#1f5fbf\" stroke-width=\"3\" fill=\"none\"/>";
    }
    return svg + "</svg>";
}
