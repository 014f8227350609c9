#include "server/model/Quantiles.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace model {

double quantileOfSorted(const std::vector<double>& sorted, double q)
{
    if (sorted.empty())
        throw std::invalid_argument("quantile of no values");
    q = std::clamp(q, 0.0, 1.0);
    const double position = q * static_cast<double>(sorted.size() - 1);
    const std::size_t below = static_cast<std::size_t>(std::floor(position));
    const std::size_t above = std::min(below + 1, sorted.size() - 1);
    const double fraction = position - static_cast<double>(below);
    return sorted[below] + (sorted[above] - sorted[below]) * fraction;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return quantileOfSorted(values, 0.5);
}

Spread spreadOf(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    Spread spread;
    spread.lower = quantileOfSorted(values, 0.25);
    spread.median = quantileOfSorted(values, 0.5);
    spread.upper = quantileOfSorted(values, 0.75);
    spread.count = values.size();
    return spread;
}

double percentileRank(double value, const std::vector<double>& values)
{
    if (values.empty())
        throw std::invalid_argument("percentile within no values");
    double below = 0.0;
    for (double other : values) {
        if (other < value)
            below += 1.0;
        else if (other == value)
            below += 0.5;
    }
    return 100.0 * below / static_cast<double>(values.size());
}

} // namespace model
