#pragma once

#include <string>
#include <vector>

// What every inline SVG chart of the pages shares: drawn by the server, so a page needs no
// script and no other host. A chart is titled (<title> and aria-label) and scales with its
// viewBox; its frame is the plot area, the value axis with its ticks and grid, the axis names.

// Coordinates and short numbers as the charts write them.
std::string svgNumber(double v);          // "12.5": one decimal, enough at these sizes
std::string compactNumber(double v);      // tick labels: "2k", "1.5M", "0.5"

// A value's place along an axis, from the axis' low value at `from` to its high at `to`.
struct ChartScale {
    double low = 1, high = 10, from = 0, to = 1;
    bool logarithmic = false;

    double at(double v) const;
};

// Ticks at 1, 2 and 5 times the powers of ten between low and high, thinned to whole decades
// when there are many.
std::vector<double> logTicks(double low, double high);
// Ticks at a round step (1, 2 or 5 times a power of ten) that gives at most `most` of them.
std::vector<double> linearTicks(double low, double high, int most);
// The round step linearTicks uses.
double roundStep(double span, int most);

class ChartFrame {
public:
    // Margins around the plot area, in the chart's own units.
    struct Margins {
        double left = 58, right = 12, top = 24, bottom = 34;
    };

    ChartFrame(std::string cssClass, double width, double height, Margins margins, std::string title);

    double plotLeft() const { return margins_.left; }
    double plotRight() const { return width_ - margins_.right; }
    double plotTop() const { return margins_.top; }
    double plotBottom() const { return height_ - margins_.bottom; }
    ChartScale horizontal(double low, double high, bool logarithmic) const;
    ChartScale vertical(double low, double high, bool logarithmic) const;

    // <svg ...><title>: the chart's opening, its title escaped.
    std::string open() const;
    static std::string close() { return "</svg>"; }
    // A white plot area with its border.
    std::string plotArea() const;
    // Grid lines across the plot at the ticks, each labelled left of the plot.
    std::string valueTicks(const ChartScale& y, const std::vector<double>& ticks,
                           std::string (*label)(double)) const;
    // A label under the plot at x (a size, a version number).
    std::string placeLabel(double x, const std::string& text) const;
    // The axes' names: under the plot, and above it at the left (the value's unit).
    std::string axisNames(const std::string& horizontal, const std::string& vertical) const;
    // A line of text inside the frame where there is nothing to draw.
    std::string nothing(const std::string& text) const;

private:
    std::string cssClass_;
    double width_, height_;
    Margins margins_;
    std::string title_;
};
