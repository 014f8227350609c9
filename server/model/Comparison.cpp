#include "server/model/Comparison.h"

#include <cmath>
#include <vector>

namespace model {

const char* nameOf(Change change)
{
    switch (change) {
    case Change::Faster: return "faster";
    case Change::Slower: return "slower";
    case Change::None: return "none";
    default: return "unknown";
    }
}

double NoiseBand::factor() const
{
    return std::exp(halfWidth);
}

NoiseBand noiseBandOf(const LogHistogram& cohort, double share)
{
    NoiseBand band;
    band.cohortSize = cohort.count();
    if (cohort.count() < kNoiseMinimum)
        return band;
    // Ordered pairs of distinct results by their distance in bins.
    std::vector<std::pair<int32_t, int64_t>> bins(cohort.bins().begin(), cohort.bins().end());
    std::vector<double> byDistance;
    for (std::size_t i = 0; i < bins.size(); ++i) {
        for (std::size_t j = 0; j < bins.size(); ++j) {
            const std::size_t d = static_cast<std::size_t>(std::abs(bins[i].first - bins[j].first));
            if (byDistance.size() <= d)
                byDistance.resize(d + 1, 0.0);
            const double n = static_cast<double>(bins[i].second);
            byDistance[d] += i == j ? n * (n - 1.0) : n * static_cast<double>(bins[j].second);
        }
    }
    const double n = static_cast<double>(cohort.count());
    const double pairs = n * (n - 1.0);
    double within = 0.0;
    std::size_t distance = 0;
    for (; distance < byDistance.size(); ++distance) {
        within += byDistance[distance];
        if (within >= share * pairs)
            break;
    }
    band.known = true;
    band.halfWidth = static_cast<double>(distance + 1) * cohort.width();
    return band;
}

Change judgeDifference(double first, double other, const NoiseBand& band)
{
    if (!band.known || !(first > 0.0) || !(other > 0.0))
        return Change::Unknown;
    const double distance = std::log(other / first);
    if (std::fabs(distance) <= band.halfWidth)
        return Change::None;
    return distance > 0 ? Change::Faster : Change::Slower;
}

Shift cohortShift(const LogHistogram& earlier, const LogHistogram& later)
{
    Shift shift;
    if (earlier.count() < kShiftMinimum || later.count() < kShiftMinimum)
        return shift;
    shift.medianRatio = later.quantile(0.5) / earlier.quantile(0.5);
    const double n1 = static_cast<double>(earlier.count());
    const double n2 = static_cast<double>(later.count());
    double u = 0.0;
    double earlierBelow = 0.0;  // earlier's values in bins below the current one
    auto e = earlier.bins().begin();
    for (const auto& [bin, count] : later.bins()) {
        while (e != earlier.bins().end() && e->first < bin) {
            earlierBelow += static_cast<double>(e->second);
            ++e;
        }
        const double same = e != earlier.bins().end() && e->first == bin ? static_cast<double>(e->second) : 0.0;
        u += static_cast<double>(count) * (earlierBelow + same / 2.0);
    }
    // Ties: every bin that holds values of either cohort.
    std::map<int32_t, double> together;
    for (const auto& [bin, count] : earlier.bins())
        together[bin] += static_cast<double>(count);
    for (const auto& [bin, count] : later.bins())
        together[bin] += static_cast<double>(count);
    double ties = 0.0;
    for (const auto& [bin, t] : together)
        ties += t * t * t - t;
    const double total = n1 + n2;
    const double variance = n1 * n2 / 12.0 * ((total + 1.0) - ties / (total * (total - 1.0)));
    if (!(variance > 0.0)) {
        shift.change = Change::None;
        return shift;
    }
    shift.z = (u - n1 * n2 / 2.0) / std::sqrt(variance);
    shift.change = shift.z > kShiftThreshold ? Change::Faster
                   : shift.z < -kShiftThreshold ? Change::Slower
                                                 : Change::None;
    return shift;
}

} // namespace model
