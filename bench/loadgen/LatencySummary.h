#pragma once

#include <vector>

// Median, 90th and 99th percentiles and maximum of a set of durations. Percentiles interpolate
// linearly between the two nearest ranks (rank p * (n - 1), counted from 0), so the median of an
// even count is the mean of the middle two. All zero for an empty set.
struct LatencySummary {
    double median = 0.0;
    double p90 = 0.0;
    double p99 = 0.0;
    double maximum = 0.0;

    static LatencySummary of(std::vector<double> values);
};

// The value at fraction p (0..1) of the sorted values, interpolated as above; 0 when empty.
double percentile(const std::vector<double>& sorted, double p);
