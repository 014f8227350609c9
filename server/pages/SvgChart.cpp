#include "server/pages/SvgChart.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "server/pages/Html.h"

std::string svgNumber(double v)
{
    // Tenths by integer arithmetic: a page draws thousands of coordinates, and snprintf was
    // most of a chart's cost.
    if (!std::isfinite(v) || std::fabs(v) >= 1e15) {
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%.1f", v);
        return buffer;
    }
    const long long tenths = std::llround(v * 10);
    const unsigned long long magnitude = static_cast<unsigned long long>(tenths < 0 ? -tenths : tenths);
    return (tenths < 0 ? "-" : "") + std::to_string(magnitude / 10) + "." + std::to_string(magnitude % 10);
}

std::string compactNumber(double v)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.3g", v);
    v = std::strtod(buffer, nullptr);  // three significant digits first: 999.7 is "1k", not "1e+03"
    if (v >= 1e6)
        std::snprintf(buffer, sizeof buffer, "%.3gM", v / 1e6);
    else if (v >= 1e3)
        std::snprintf(buffer, sizeof buffer, "%.3gk", v / 1e3);
    else
        std::snprintf(buffer, sizeof buffer, "%.3g", v);
    return buffer;
}

double ChartScale::at(double v) const
{
    const double t = logarithmic ? (std::log10(v) - std::log10(low)) / (std::log10(high) - std::log10(low))
                                 : (v - low) / (high - low);
    return from + (to - from) * t;
}

std::vector<double> logTicks(double low, double high)
{
    std::vector<double> all;
    for (double decade = std::pow(10.0, std::floor(std::log10(low))); decade <= high; decade *= 10) {
        for (double m : {1.0, 2.0, 5.0}) {
            const double v = decade * m;
            if (v >= low * (1 - 1e-9) && v <= high * (1 + 1e-9))
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

double roundStep(double span, int most)
{
    if (!(span > 0) || most < 1)
        return 1;
    const double raw = span / most;
    const double decade = std::pow(10.0, std::floor(std::log10(raw)));
    for (double m : {1.0, 2.0, 5.0, 10.0}) {
        if (decade * m >= raw * (1 - 1e-9))
            return decade * m;
    }
    return decade * 10;
}

std::vector<double> linearTicks(double low, double high, int most)
{
    std::vector<double> ticks;
    const double step = roundStep(high - low, most);
    for (double k = std::ceil(low / step - 1e-9); k * step <= high + step * 1e-9; k += 1)
        ticks.push_back(std::fabs(k) < 1e-12 ? 0.0 : k * step);
    return ticks;
}

ChartFrame::ChartFrame(std::string cssClass, double width, double height, Margins margins, std::string title)
    : cssClass_(std::move(cssClass)), width_(width), height_(height), margins_(margins), title_(std::move(title))
{
}

ChartScale ChartFrame::horizontal(double low, double high, bool logarithmic) const
{
    return ChartScale{low, high, plotLeft(), plotRight(), logarithmic};
}

ChartScale ChartFrame::vertical(double low, double high, bool logarithmic) const
{
    return ChartScale{low, high, plotBottom(), plotTop(), logarithmic};
}

std::string ChartFrame::open() const
{
    return "<svg class=\"" + cssClass_ + "\" xmlns=\"http://www.w3.org/2000/svg\" width=\"" + svgNumber(width_) +
           "\" height=\"" + svgNumber(height_) + "\" viewBox=\"0 0 " + svgNumber(width_) + " " + svgNumber(height_) +
           "\" role=\"img\" aria-label=\"" + escapeHtml(title_) + "\"><title>" + escapeHtml(title_) + "</title>\n";
}

std::string ChartFrame::plotArea() const
{
    return "<rect x=\"" + svgNumber(plotLeft()) + "\" y=\"" + svgNumber(plotTop()) + "\" width=\"" +
           svgNumber(plotRight() - plotLeft()) + "\" height=\"" + svgNumber(plotBottom() - plotTop()) +
           "\" fill=\"#fff\" stroke=\"#9aa7b6\"/>\n";
}

std::string ChartFrame::valueTicks(const ChartScale& y, const std::vector<double>& ticks,
                                   std::string (*label)(double)) const
{
    std::string svg;
    for (double t : ticks) {
        const std::string at = svgNumber(y.at(t));
        svg += "<line x1=\"" + svgNumber(plotLeft()) + "\" x2=\"" + svgNumber(plotRight()) + "\" y1=\"" + at +
               "\" y2=\"" + at + "\" stroke=\"#e3e8ee\"/><text x=\"" + svgNumber(plotLeft() - 5) + "\" y=\"" +
               svgNumber(y.at(t) + 4) + "\" font-size=\"10\" text-anchor=\"end\" fill=\"#44505e\">" +
               escapeHtml(label(t)) + "</text>\n";
    }
    return svg;
}

std::string ChartFrame::placeLabel(double x, const std::string& text) const
{
    return "<text x=\"" + svgNumber(x) + "\" y=\"" + svgNumber(plotBottom() + 14) +
           "\" font-size=\"10\" text-anchor=\"middle\" fill=\"#44505e\">" + escapeHtml(text) + "</text>";
}

std::string ChartFrame::axisNames(const std::string& horizontal, const std::string& vertical) const
{
    return "\n<text x=\"" + svgNumber((plotLeft() + plotRight()) / 2) + "\" y=\"" + svgNumber(height_ - 4) +
           "\" font-size=\"11\" text-anchor=\"middle\" fill=\"#1d2430\">" + escapeHtml(horizontal) +
           "</text>\n<text x=\"" + svgNumber(plotLeft()) + "\" y=\"14\" font-size=\"11\" fill=\"#1d2430\">" +
           escapeHtml(vertical) + "</text>\n";
}

std::string ChartFrame::nothing(const std::string& text) const
{
    return "<text x=\"20\" y=\"" + svgNumber(height_ / 2) + "\" font-size=\"12\">" + escapeHtml(text) + "</text>\n";
}
