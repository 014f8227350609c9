#include "server/model/Outliers.h"

#include <algorithm>
#include <cmath>

#include "server/model/Cohort.h"

namespace model {

Fences farOutFences(const LogHistogram& cohortScores)
{
    Fences fences;
    if (cohortScores.count() < kOutlierMinimum)
        return fences;
    const double q1 = std::log(cohortScores.quantile(0.25));
    const double q3 = std::log(cohortScores.quantile(0.75));
    const double spread = std::max(q3 - q1, std::log(kLeastQuartileRatio));
    fences.known = true;
    fences.low = std::exp(q1 - kFenceMultiple * spread);
    fences.high = std::exp(q3 + kFenceMultiple * spread);
    return fences;
}

bool isFarOut(double score, const Fences& fences)
{
    return fences.known && (score < fences.low || score > fences.high);
}

} // namespace model
