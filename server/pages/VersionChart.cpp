#include "server/pages/VersionChart.h"

#include <algorithm>
#include <cmath>

#include "server/pages/Html.h"
#include "server/pages/SvgChart.h"

namespace {

constexpr double kWidth = 560, kHeight = 260;
const ChartFrame::Margins kMargins{58, 120, 24, 34};  // the series' names on the right

const char* const kColours[] = {"#1f5fbf", "#c0392b", "#27864a", "#8e44ad", "#b9770e", "#16818a", "#555555"};

} // namespace

std::string versionChart(const std::string& title, const std::string& unitLabel,
                         const std::vector<VersionSeries>& series)
{
    const ChartFrame frame("chart", kWidth, kHeight, kMargins, title);
    std::string svg = frame.open();
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
        return svg + frame.nothing("Nothing counted") + ChartFrame::close();
    low = std::pow(10.0, std::floor(std::log10(low) * 4) / 4);
    high = std::pow(10.0, std::ceil(std::log10(high) * 4) / 4);
    if (high <= low)
        high = low * 10;
    const double plotLeft = frame.plotLeft(), plotRight = frame.plotRight();
    const auto xAt = [&](std::size_t i) {
        return versions <= 1 ? (plotLeft + plotRight) / 2 : plotLeft + 10 + (plotRight - plotLeft - 20) * i / (versions - 1);
    };
    const ChartScale y = frame.vertical(low, high, true);
    svg += frame.plotArea();
    // Five ticks evenly apart on the log scale.
    std::vector<double> ticks;
    for (int t = 0; t <= 4; ++t)
        ticks.push_back(std::pow(10.0, std::log10(low) + (std::log10(high) - std::log10(low)) * t / 4));
    svg += frame.valueTicks(y, ticks, compactNumber);
    const std::size_t step = versions > 16 ? (versions + 15) / 16 : 1;
    for (std::size_t i = 0; i < versions; i += step)
        svg += frame.placeLabel(xAt(i), std::to_string(i + 1));
    svg += frame.axisNames("driver version (# in the table)", unitLabel);
    for (std::size_t k = 0; k < series.size(); ++k) {
        const VersionSeries& s = series[k];
        const char* colour = kColours[k % (sizeof kColours / sizeof *kColours)];
        std::string upper, lower, median, dots;
        for (std::size_t i = 0; i < s.points.size(); ++i) {
            const VersionPoint& p = s.points[i];
            if (!p.known || !(p.lower > 0 && p.median > 0 && p.upper > 0))
                continue;
            upper += svgNumber(xAt(i)) + "," + svgNumber(y.at(p.upper)) + " ";
            lower = svgNumber(xAt(i)) + "," + svgNumber(y.at(p.lower)) + " " + lower;
            median += svgNumber(xAt(i)) + "," + svgNumber(y.at(p.median)) + " ";
            dots += "<circle cx=\"" + svgNumber(xAt(i)) + "\" cy=\"" + svgNumber(y.at(p.median)) +
                    "\" r=\"2.5\" fill=\"" + colour + "\"/>";
        }
        if (median.empty())
            continue;
        svg += "<polygon class=\"band\" data-series=\"" + escapeHtml(s.name) + " quartiles\" points=\"" + upper + lower +
               "\" fill=\"" + colour + "\" fill-opacity=\"0.18\" stroke=\"none\"/>\n";
        svg += "<polyline class=\"series\" data-series=\"" + escapeHtml(s.name) + "\" points=\"" + median +
               "\" fill=\"none\" stroke=\"" + colour + "\" stroke-width=\"2\"/>" + dots + "\n";
        svg += "<text x=\"" + svgNumber(plotRight + 8) + "\" y=\"" + svgNumber(frame.plotTop() + 10 + 14 * k) +
               "\" font-size=\"11\" fill=\"" + colour + "\">" + escapeHtml(s.name) + "</text>\n";
    }
    return svg + ChartFrame::close();
}
