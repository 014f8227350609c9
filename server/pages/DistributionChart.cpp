#include "server/pages/DistributionChart.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "server/pages/Html.h"
#include "server/pages/SvgChart.h"

namespace {

std::string ratioTick(double v)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "×%.3g", v);
    return buffer;
}

// A vertical line from top to bottom at x: a value marked on a horizontal scale.
std::string marker(const char* series, double x, double top, double bottom, const char* stroke)
{
    return "<polyline class=\"series\" data-series=\"" + std::string(series) + "\" points=\"" + svgNumber(x) + "," +
           svgNumber(top) + " " + svgNumber(x) + "," + svgNumber(bottom) + "\" fill=\"none\" " + stroke + "/>";
}

} // namespace

std::string ratioText(double ratio)
{
    return "×" + formatFixed(ratio, 2);
}

RatioFigures ratioToMedian(const model::LogHistogram& cohort, double value)
{
    const model::Spread spread = cohort.spread();
    RatioFigures f;
    f.median = spread.median;
    f.ratio = value > 0 && std::isfinite(value) ? value / spread.median : 0.0;
    f.bandLower = spread.lower / spread.median;
    f.bandUpper = spread.upper / spread.median;
    return f;
}

DisplayHistogram displayBars(const model::LogHistogram& cohort, double mark)
{
    DisplayHistogram d;
    if (cohort.empty())
        return d;
    int64_t low = cohort.bins().begin()->first, high = cohort.bins().rbegin()->first;
    int32_t own = 0;
    const bool marked = model::LogHistogram::binOf(mark, cohort.width(), own);
    if (marked) {
        low = std::min<int64_t>(low, own);
        high = std::max<int64_t>(high, own);
    }
    int64_t span = high - low + 1;
    if (span < kFewestBins) {
        low -= (kFewestBins - span) / 2;
        span = kFewestBins;
    }
    const int64_t per = (span + kMostBars - 1) / kMostBars;
    d.binsPerBar = static_cast<int32_t>(per);
    d.bars.resize(static_cast<std::size_t>((span + per - 1) / per));
    for (std::size_t k = 0; k < d.bars.size(); ++k) {
        const int64_t first = low + static_cast<int64_t>(k) * per;
        d.bars[k].lower = std::exp(static_cast<double>(first) * cohort.width());
        d.bars[k].upper = std::exp(static_cast<double>(first + per) * cohort.width());
    }
    for (const auto& [bin, n] : cohort.bins())
        d.bars[static_cast<std::size_t>((bin - low) / per)].count += n;
    if (marked)
        d.marked = static_cast<int>((own - low) / per);
    return d;
}

std::string ratioChart(const std::string& title, const std::vector<RatioRow>& rows)
{
    const ChartFrame frame("chart", 420, 250, ChartFrame::Margins{}, title);
    std::string svg = frame.open();
    // At least 0.9 to 1.1, so that a cohort whose results agree within a few percent shows as a
    // band of some height, not a line.
    double low = 0.9, high = 1.1;
    int32_t smallest = 0, largest = 0;
    for (const RatioRow& row : rows) {
        if (!row.hasCohort)
            continue;
        for (double v : {row.figures.ratio, row.figures.bandLower, row.figures.bandUpper}) {
            if (v > 0) {
                low = std::min(low, v);
                high = std::max(high, v);
            }
        }
        if (smallest == 0 || row.size < smallest)
            smallest = row.size;
        largest = std::max(largest, row.size);
    }
    if (smallest <= 0)
        return svg + frame.nothing("No cohort figures") + ChartFrame::close();
    const double step = roundStep(high - low, 5);
    low = std::max(0.0, std::floor(low / step) * step);
    high = std::ceil(high / step) * step;
    if (largest == smallest)
        largest = smallest * 2;
    const ChartScale x = frame.horizontal(smallest, largest, true);
    const ChartScale y = frame.vertical(low, high, false);
    svg += frame.plotArea() + frame.valueTicks(y, linearTicks(low, high, 5), ratioTick);
    for (const RatioRow& row : rows) {
        if (row.hasCohort)
            svg += frame.placeLabel(x.at(row.size), std::to_string(row.size));
    }
    svg += frame.axisNames("square size (pixels)", "rate / cohort median (linear)");

    std::string upperEdge, lowerEdge, median, own, dots;
    for (const RatioRow& row : rows) {
        if (!row.hasCohort)
            continue;
        const std::string at = svgNumber(x.at(row.size));
        upperEdge += at + "," + svgNumber(y.at(row.figures.bandUpper)) + " ";
        lowerEdge = at + "," + svgNumber(y.at(row.figures.bandLower)) + " " + lowerEdge;
        median += at + "," + svgNumber(y.at(1.0)) + " ";
        if (row.figures.ratio > 0) {
            own += at + "," + svgNumber(y.at(row.figures.ratio)) + " ";
            dots += "<circle cx=\"" + at + "\" cy=\"" + svgNumber(y.at(row.figures.ratio)) +
                    "\" r=\"2.5\" fill=\"#1f5fbf\"/>";
        }
    }
    svg += "<polygon class=\"band\" data-series=\"Cohort quartiles\" points=\"" + upperEdge + lowerEdge +
           "\" fill=\"#8fb4e3\" fill-opacity=\"0.45\" stroke=\"#8fb4e3\"/>\n";
    if (!own.empty()) {
        svg += "<polyline class=\"series\" data-series=\"This result\" points=\"" + own +
               "\" fill=\"none\" stroke=\"#1f5fbf\" stroke-width=\"2\"/>\n" + dots + "\n";
    }
    // Over this result's line: a result near its cohort's median would hide a line beneath it,
    // while the dashes let the other show through.
    svg += "<polyline class=\"series\" data-series=\"Cohort median\" points=\"" + median +
           "\" fill=\"none\" stroke=\"#333\" stroke-width=\"1.5\" stroke-dasharray=\"5 3\"/>\n";
    return svg + ChartFrame::close();
}

std::string ratioGauge(const std::string& title, const RatioFigures& f)
{
    const ChartFrame frame("gauge", 160, 18, ChartFrame::Margins{4, 4, 0, 0}, title);
    std::string svg = frame.open();
    if (!(f.median > 0))
        return svg + ChartFrame::close();
    double low = std::min({0.9, f.bandLower, f.ratio > 0 ? f.ratio : 1.0});
    double high = std::max({1.1, f.bandUpper, f.ratio});
    const double pad = (high - low) * 0.05;
    const ChartScale x = frame.horizontal(std::max(0.0, low - pad), high + pad, false);
    svg += "<line x1=\"4\" x2=\"156\" y1=\"9\" y2=\"9\" stroke=\"#c9d3df\"/>";
    svg += "<rect class=\"band\" x=\"" + svgNumber(x.at(f.bandLower)) + "\" y=\"3\" width=\"" +
           svgNumber(std::max(1.0, x.at(f.bandUpper) - x.at(f.bandLower))) +
           "\" height=\"12\" fill=\"#8fb4e3\" fill-opacity=\"0.6\"/>";
    svg += marker("Cohort median", x.at(1.0), 2, 16, "stroke=\"#555\" stroke-width=\"1.5\"");
    if (f.ratio > 0)
        svg += marker("This result", x.at(f.ratio), 0, 18, "stroke=\"#1f5fbf\" stroke-width=\"3\"");
    return svg + ChartFrame::close();
}

std::string histogramChart(const std::string& title, const std::string& heading, const DisplayHistogram& h,
                           double mark, double median)
{
    const ChartFrame frame("histogram", 168, 100, ChartFrame::Margins{6, 6, 18, 22}, title);
    std::string svg = frame.open();
    svg += "<text x=\"6\" y=\"12\" font-size=\"10\" fill=\"#1d2430\">" + escapeHtml(heading) + "</text>\n";
    if (h.bars.empty())
        return svg + frame.nothing("No cohort figures") + ChartFrame::close();
    int64_t most = 0, total = 0;
    for (const HistogramBar& bar : h.bars) {
        most = std::max(most, bar.count);
        total += bar.count;
    }
    svg += "<text x=\"162\" y=\"12\" font-size=\"10\" text-anchor=\"end\" fill=\"#44505e\">n = " +
           std::to_string(total) + "</text>\n";
    const ChartScale x = frame.horizontal(h.bars.front().lower, h.bars.back().upper, true);
    const ChartScale y = frame.vertical(0, static_cast<double>(std::max<int64_t>(most, 1)), false);
    svg += "<line x1=\"" + svgNumber(frame.plotLeft()) + "\" x2=\"" + svgNumber(frame.plotRight()) + "\" y1=\"" +
           svgNumber(frame.plotBottom()) + "\" y2=\"" + svgNumber(frame.plotBottom()) + "\" stroke=\"#9aa7b6\"/>";
    // The bars as one path (the marked one as another): a histogram of 40 bars stays small.
    std::string bars, own;
    const std::string base = svgNumber(frame.plotBottom());
    for (std::size_t k = 0; k < h.bars.size(); ++k) {
        const HistogramBar& bar = h.bars[k];
        if (bar.count == 0)
            continue;
        const double left = x.at(bar.lower), right = std::max(left + 0.6, x.at(bar.upper) - 0.4);
        (static_cast<int>(k) == h.marked ? own : bars) += "M" + svgNumber(left) + " " + base + "V" +
                                                           svgNumber(y.at(static_cast<double>(bar.count))) + "H" +
                                                           svgNumber(right) + "V" + base + "Z";
    }
    if (!bars.empty())
        svg += "<path class=\"bars\" d=\"" + bars + "\" fill=\"#8fb4e3\"/>";
    if (!own.empty())
        svg += "<path class=\"bar-own\" d=\"" + own + "\" fill=\"#1f5fbf\" fill-opacity=\"0.75\"/>";
    svg += "\n";
    if (median > 0)
        svg += marker("Cohort median", x.at(median), frame.plotTop(), frame.plotBottom(),
                      "stroke=\"#333\" stroke-width=\"1\" stroke-dasharray=\"3 2\"");
    if (mark > 0 && h.marked >= 0)
        svg += marker("This result", x.at(mark), frame.plotTop() - 4, frame.plotBottom(),
                      "stroke=\"#1f5fbf\" stroke-width=\"2\"");
    const std::string labelY = svgNumber(frame.plotBottom() + 12);
    svg += "\n<text x=\"" + svgNumber(frame.plotLeft()) + "\" y=\"" + labelY +
           "\" font-size=\"9\" fill=\"#44505e\">" + formatFigure(h.bars.front().lower) + "</text><text x=\"" +
           svgNumber(frame.plotRight()) + "\" y=\"" + labelY + "\" font-size=\"9\" text-anchor=\"end\" fill=\"#44505e\">" +
           formatFigure(h.bars.back().upper) + "</text>\n";
    return svg + ChartFrame::close();
}
