#include "bench/loadgen/LatencySummary.h"

#include <algorithm>
#include <cmath>

double percentile(const std::vector<double>& sorted, double p)
{
    if (sorted.empty())
        return 0.0;
    const double rank = p * static_cast<double>(sorted.size() - 1);
    const std::size_t below = static_cast<std::size_t>(std::floor(rank));
    const std::size_t above = std::min(below + 1, sorted.size() - 1);
    const double weight = rank - static_cast<double>(below);
    return sorted[below] + (sorted[above] - sorted[below]) * weight;
}

LatencySummary LatencySummary::of(std::vector<double> values)
{
    LatencySummary summary;
    if (values.empty())
        return summary;
    std::sort(values.begin(), values.end());
    summary.median = percentile(values, 0.5);
    summary.p90 = percentile(values, 0.9);
    summary.p99 = percentile(values, 0.99);
    summary.maximum = values.back();
    return summary;
}
