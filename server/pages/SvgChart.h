#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Inline SVG charts: drawn by the server, so the page needs no script and no other host.
// Rates span decades between sizes, so both axes are logarithmic.
struct SizeRow {
    int32_t size = 0;     // the square's side
    double value = 0.0;   // this result's rate; not positive: not measured
    bool hasBand = false; // the cohort measured this size
    double lower = 0.0, median = 0.0, upper = 0.0;
};

// Rate against square size: the band of the cohort (quartiles), its median and this result,
// one polyline per line series (class "series" with data-series naming it).
std::string sizeChart(const std::string& caption, const std::string& unitLabel,
                      const std::vector<SizeRow>& rows);

// One rate within its cohort's band on a small horizontal log scale, for the groups without
// sizes (the transfers and the random mix).
std::string bandGauge(double value, double lower, double median, double upper, double low,
                      double high);
