#pragma once

#include <cstdint>

#include "server/model/LogHistogram.h"

// When a difference is worth marking (docs/scores.md, "Comparing"): only beyond the noise that
// results of one cohort show among themselves.
namespace model {

enum class Change { Unknown, None, Faster, Slower };
// "faster", "slower", "none" or "unknown", as the pages' JSON names a change.
const char* nameOf(Change change);

// Fewest results of a cohort before its noise is estimated.
constexpr int64_t kNoiseMinimum = 6;
// Fewest results each before two cohorts are compared with the rank test.
constexpr int64_t kShiftMinimum = 5;

// The ratio two results of the same cohort stay within, in ln units: the smallest distance in
// bins within which at least `share` of all ordered pairs of the cohort's results fall, plus one
// bin (two values d bins apart differ by less than d + 1 bin widths). So at most 1 - share of
// same-cohort pairs are marked. known is false for a cohort of fewer than kNoiseMinimum.
struct NoiseBand {
    bool known = false;
    double halfWidth = 0.0;  // ln of the largest ratio taken as noise
    int64_t cohortSize = 0;
    double factor() const;   // exp(halfWidth): "x1.06"
};
NoiseBand noiseBandOf(const LogHistogram& cohort, double share = 0.95);

// Other against first: Faster or Slower when their ratio lies beyond the band.
Change judgeDifference(double first, double other, const NoiseBand& band);

// Two cohorts of the same test, as the Mann-Whitney rank test sees them: U counts the pairs in
// which later's value is the larger (pairs in one bin count half); z is U's distance from its
// mean under no difference, in standard deviations, with the correction for ties. A shift is
// marked at |z| > 2.576 (two-sided p < 0.01), with kShiftMinimum results each.
struct Shift {
    Change change = Change::Unknown;
    double z = 0.0;
    double medianRatio = 0.0;  // later's median over earlier's
};
Shift cohortShift(const LogHistogram& earlier, const LogHistogram& later);
constexpr double kShiftThreshold = 2.576;

} // namespace model
