#include "server/model/LogHistogram.h"

#include <cmath>
#include <stdexcept>

namespace model {

bool LogHistogram::binOf(double value, double width, int32_t& bin)
{
    if (!(value > 0.0) || !std::isfinite(value))
        return false;
    bin = static_cast<int32_t>(std::floor(std::log(value) / width));
    return true;
}

void LogHistogram::add(double value, int64_t count)
{
    int32_t bin = 0;
    if (binOf(value, width_, bin))
        addBin(bin, count);
}

void LogHistogram::addBin(int32_t bin, int64_t count)
{
    if (count <= 0)
        return;
    bins_[bin] += count;
    count_ += count;
}

double LogHistogram::valueOf(int32_t bin) const
{
    return std::exp((static_cast<double>(bin) + 0.5) * width_);
}

double LogHistogram::relativeError() const
{
    return std::exp(width_ / 2.0) - 1.0;
}

double LogHistogram::rankValue(int64_t rank) const
{
    int64_t seen = 0;
    for (const auto& [bin, n] : bins_) {
        seen += n;
        if (rank < seen)
            return valueOf(bin);
    }
    return valueOf(bins_.rbegin()->first);
}

double LogHistogram::quantile(double q) const
{
    if (count_ == 0)
        throw std::invalid_argument("quantile of no values");
    q = q < 0 ? 0 : q > 1 ? 1 : q;
    const double position = q * static_cast<double>(count_ - 1);
    const int64_t below = static_cast<int64_t>(std::floor(position));
    const double fraction = position - static_cast<double>(below);
    const double low = rankValue(below);
    const double high = below + 1 < count_ ? rankValue(below + 1) : low;
    return low + (high - low) * fraction;
}

Spread LogHistogram::spread() const
{
    Spread s;
    s.lower = quantile(0.25);
    s.median = quantile(0.5);
    s.upper = quantile(0.75);
    s.count = static_cast<std::size_t>(count_);
    return s;
}

double LogHistogram::percentile(double value) const
{
    if (count_ == 0)
        throw std::invalid_argument("percentile within no values");
    int32_t own = 0;
    if (!binOf(value, width_, own))
        return 0.0;
    double below = 0.0;
    for (const auto& [bin, n] : bins_) {
        if (bin < own)
            below += static_cast<double>(n);
        else if (bin == own)
            below += static_cast<double>(n) / 2.0;
    }
    return 100.0 * below / static_cast<double>(count_);
}

int64_t LogHistogram::countAbove(double value) const
{
    int32_t own = 0;
    if (!binOf(value, width_, own))
        return count_;
    int64_t above = 0;
    for (auto it = bins_.upper_bound(own); it != bins_.end(); ++it)
        above += it->second;
    return above;
}

} // namespace model
