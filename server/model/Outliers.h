#pragma once

#include "server/model/LogHistogram.h"

namespace model {

// Tukey's far-out fences on the log of the score (docs/scores.md, "Outliers"): a result whose
// score lies below Q1 / r^3 or above Q3 * r^3, with r = Q3 / Q1 of the cohort's counted scores
// but at least 1.05 (a cohort whose results agree within 5 % would otherwise call every
// small step an outlier), is far out. known is false with fewer than kOutlierMinimum scores.
struct Fences {
    bool known = false;
    double low = 0.0;
    double high = 0.0;
};
Fences farOutFences(const LogHistogram& cohortScores);
bool isFarOut(double score, const Fences& fences);

constexpr double kFenceMultiple = 3.0;
constexpr double kLeastQuartileRatio = 1.05;

} // namespace model
