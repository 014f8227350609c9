#pragma once

#include <cstddef>
#include <vector>

// The arithmetic behind every figure of the result pages, on plain numbers so that each figure
// can be checked by hand. docs/scores.md states the same definitions for readers.
namespace stats {

// The q-quantile (0 <= q <= 1) of ascending values, interpolated linearly between the two
// nearest ranks: position q * (n - 1). One value is every quantile of itself.
// Throws std::invalid_argument when there are no values.
double quantileOfSorted(const std::vector<double>& sorted, double q);

double median(std::vector<double> values);

// Lower quartile, median and upper quartile: the band drawn behind a result.
struct Spread {
    double lower = 0.0;
    double median = 0.0;
    double upper = 0.0;
    std::size_t count = 0;
};
Spread spreadOf(std::vector<double> values);

// Where value stands within the cohort, 0 to 100: the share of cohort values below it, with
// values equal to it counted half (so a cohort of one equal value puts it at 50, and the
// result stands at the same place whether or not the cohort holds the result itself).
// Throws std::invalid_argument for an empty cohort.
double percentileRank(double value, const std::vector<double>& cohort);

// One term of the summary score: a rate of the result and the median rate of every result
// for the same test and size.
struct ScoreTerm {
    double value = 0.0;
    double reference = 0.0;
};

// 1000 x the geometric mean of value / reference over the terms. Terms whose value or
// reference is not a positive finite number (a test that gave up with no time) take no part;
// `used` receives how many did. 0 when none did: the result has no score.
double summaryScore(const std::vector<ScoreTerm>& terms, std::size_t* used = nullptr);

// The number of `others` strictly greater than `score`, plus one.
std::size_t rankOf(double score, const std::vector<double>& others);

} // namespace stats
