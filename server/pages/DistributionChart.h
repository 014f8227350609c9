#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "server/model/LogHistogram.h"

// Where a result stands in its cohort, drawn so that "is my machine normal" reads at a glance
// (docs/scores.md, "Distributions"): its rate as a ratio to the cohort's median on a linear
// scale with the cohort's quartiles as a band, and the cohort's histogram with the result marked.

// A rate against its cohort's figures, in ratio terms: the cohort's median is 1.
struct RatioFigures {
    double median = 0.0;     // the cohort's median (bin centres, within 0.5 %)
    double ratio = 0.0;      // the result's rate / median; 0: the result did not measure it
    double bandLower = 0.0;  // the cohort's lower quartile / median
    double bandUpper = 0.0;  // its upper quartile / median
};
// Throws std::invalid_argument when the histogram is empty.
RatioFigures ratioToMedian(const model::LogHistogram& cohort, double value);

struct HistogramBar {
    double lower = 0.0, upper = 0.0;  // the values v with lower <= v < upper
    int64_t count = 0;
};

// A cohort's 1 % bins grouped into display bars: whole bins, the same number in every bar.
struct DisplayHistogram {
    int32_t binsPerBar = 1;
    std::vector<HistogramBar> bars;  // every bar over the range, lowest first, empty ones too
    int marked = -1;                 // the bar of the marked value; -1: none
};

constexpr int kMostBars = 40;
constexpr int kFewestBins = 20;

// The bars over the cohort's occupied bins and the marked value's bin (mark not positive: no
// mark), widened to kFewestBins bins when narrower, kMostBars at most.
DisplayHistogram displayBars(const model::LogHistogram& cohort, double mark);

// A sized group's rates against square size: this result's ratio to its cohort's median per
// size (series "This result"), the median itself (1, series "Cohort median") and the quartiles
// as a band behind them, on a linear scale; class "chart".
struct RatioRow {
    int32_t size = 0;
    bool hasCohort = false;  // the cohort measured this size
    RatioFigures figures;
};
std::string ratioChart(const std::string& title, const std::vector<RatioRow>& rows);

// One rate's ratio within its cohort's band on a small horizontal linear scale, for the tests
// without sizes; class "gauge".
std::string ratioGauge(const std::string& title, const RatioFigures& figures);

// A cohort's display bars, the marked bar filled darker and the marked value and the median as
// lines, on a log scale of the rate; small (one of several side by side); class "histogram".
std::string histogramChart(const std::string& title, const std::string& heading, const DisplayHistogram& histogram,
                           double mark, double median);

// "×1.03": a ratio as the page's tables and charts write it.
std::string ratioText(double ratio);
