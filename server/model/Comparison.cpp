#include "server/model/Comparison.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "server/model/ComparisonProbability.h"

namespace model {

const double kSmallestChange = std::log(1.03);

const char* nameOf(Change change)
{
    switch (change) {
    case Change::Faster: return "faster";
    case Change::Slower: return "slower";
    case Change::None: return "none";
    default: return "unknown";
    }
}

namespace {

// Ordered pairs of distinct results by their distance in bins.
std::vector<double> pairsByDistance(const LogHistogram& cohort)
{
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
    return byDistance;
}

double lnCentre(const LogHistogram& h, int32_t bin)
{
    return (static_cast<double>(bin) + 0.5) * h.width();
}

} // namespace

double runToRunSpread(const LogHistogram& cohort)
{
    if (cohort.count() < 2)
        return 0.0;
    const std::vector<double> byDistance = pairsByDistance(cohort);
    const double n = static_cast<double>(cohort.count());
    const double half = 0.5 * n * (n - 1.0);
    double within = 0.0;
    std::size_t distance = 0;
    for (; distance < byDistance.size(); ++distance) {
        within += byDistance[distance];
        if (within >= half)
            break;
    }
    return static_cast<double>(distance + 1) * cohort.width();
}

double smallestMarkedChange(const LogHistogram& cohort)
{
    return std::max(kSmallestChange, runToRunSpread(cohort));
}

Evidence pairEvidence(const LogHistogram& cohort, double first, double other)
{
    Evidence e;
    int32_t firstBin = 0, otherBin = 0;
    if (cohort.count() < kNoiseMinimum || !LogHistogram::binOf(first, cohort.width(), firstBin) ||
        !LogHistogram::binOf(other, cohort.width(), otherBin))
        return e;
    e.judged = true;
    e.effect = std::log(other / first);
    e.minimumEffect = smallestMarkedChange(cohort);

    // The normal model: mean and variance of the logs, read at the bins' centres, with the
    // variance of a value spread evenly over its bin added (a cohort within one bin is not exact).
    const double n = static_cast<double>(cohort.count());
    double sum = 0.0;
    for (const auto& [bin, count] : cohort.bins())
        sum += static_cast<double>(count) * lnCentre(cohort, bin);
    const double mean = sum / n;
    double squares = 0.0;
    for (const auto& [bin, count] : cohort.bins())
        squares += static_cast<double>(count) * std::pow(lnCentre(cohort, bin) - mean, 2.0);
    const double variance = squares / (n - 1.0) + cohort.width() * cohort.width() / 12.0;
    const double byModel = studentTwoSided(e.effect / std::sqrt(2.0 * variance), n - 1.0);

    // The cohort's own pairs: how many lie at least as far apart, this pair counted among them.
    const std::vector<double> byDistance = pairsByDistance(cohort);
    const std::size_t observed = static_cast<std::size_t>(std::abs(otherBin - firstBin));
    double asFar = 0.0;
    for (std::size_t d = observed; d < byDistance.size(); ++d)
        asFar += byDistance[d];
    const double byPairs = (asFar + 1.0) / (n * (n - 1.0) + 1.0);

    e.pValue = std::min(1.0, std::max(byModel, byPairs));
    return e;
}

Shift cohortShift(const LogHistogram& earlier, const LogHistogram& later)
{
    Shift shift;
    if (earlier.count() < kShiftMinimum || later.count() < kShiftMinimum)
        return shift;
    shift.medianRatio = later.quantile(0.5) / earlier.quantile(0.5);
    shift.evidence.judged = true;
    shift.evidence.effect = std::log(shift.medianRatio);
    shift.evidence.minimumEffect = std::max(smallestMarkedChange(earlier), smallestMarkedChange(later));
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
    if (!(variance > 0.0))
        return shift;  // every value in one bin: no difference to test (p = 1)
    shift.z = (u - n1 * n2 / 2.0) / std::sqrt(variance);
    shift.evidence.pValue = normalTwoSided(shift.z);
    return shift;
}

std::vector<Change> judgePage(const std::vector<Evidence>& rows, double rate)
{
    std::vector<Change> changes(rows.size(), Change::Unknown);
    std::vector<std::size_t> judged;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].judged) {
            judged.push_back(i);
            changes[i] = Change::None;
        }
    }
    std::stable_sort(judged.begin(), judged.end(),
                     [&](std::size_t a, std::size_t b) { return rows[a].pValue < rows[b].pValue; });
    // The largest rank k whose p-value is within k · rate / m: the k smallest are kept.
    const double m = static_cast<double>(judged.size());
    std::size_t kept = 0;
    for (std::size_t k = 1; k <= judged.size(); ++k) {
        if (rows[judged[k - 1]].pValue <= static_cast<double>(k) * rate / m)
            kept = k;
    }
    for (std::size_t k = 0; k < kept; ++k) {
        const Evidence& e = rows[judged[k]];
        if (std::fabs(e.effect) > e.minimumEffect)
            changes[judged[k]] = e.effect > 0 ? Change::Faster : Change::Slower;
    }
    return changes;
}

} // namespace model
