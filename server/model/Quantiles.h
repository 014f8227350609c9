#pragma once

#include <cstddef>
#include <vector>

// Exact order statistics of a few values (docs/scores.md, "Quantiles").
namespace model {

// The q-quantile (0 <= q <= 1) of ascending values, interpolated linearly between the two
// nearest ranks at position q * (n - 1). One value is every quantile of itself.
// Throws std::invalid_argument when there are no values.
double quantileOfSorted(const std::vector<double>& sorted, double q);
double median(std::vector<double> values);

// Lower quartile, median and upper quartile.
struct Spread {
    double lower = 0.0;
    double median = 0.0;
    double upper = 0.0;
    std::size_t count = 0;
};
Spread spreadOf(std::vector<double> values);

// Where value stands among the values, 0 to 100: the share below it, values equal to it
// counted half. Throws std::invalid_argument for no values.
double percentileRank(double value, const std::vector<double>& values);

} // namespace model
