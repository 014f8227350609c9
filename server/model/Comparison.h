#pragma once

#include <cstdint>
#include <vector>

#include "server/model/LogHistogram.h"

// When a difference is worth marking (docs/scores.md, "Marking a change"): each row of a page
// gives the evidence of its own test, and the page judges all of its rows together, so that
// the chance of any false mark is held over the whole page, not over each row.
namespace model {

enum class Change { Unknown, None, Faster, Slower };
// "faster", "slower", "none" or "unknown", as the pages' JSON names a change.
const char* nameOf(Change change);

// Fewest results of a cohort before two results are compared against it.
constexpr int64_t kNoiseMinimum = 6;
// Fewest results each before two cohorts are compared with the rank test.
constexpr int64_t kShiftMinimum = 5;
// The share of pages allowed to show any mark when nothing changed (Benjamini-Hochberg's q).
constexpr double kFalseMarkRate = 0.05;
// The smallest change ever marked, in ln units (3 %), whatever the cohorts' spread.
extern const double kSmallestChange;

// A row's test before the page judges it.
struct Evidence {
    bool judged = false;        // false: too few results to test (the row is Unknown)
    double pValue = 1.0;        // two-sided, under "no change"
    double effect = 0.0;        // ln of the ratio: above 0 is faster
    double minimumEffect = 0.0; // ln of the smallest ratio this row may mark
};

// The typical ratio between two results of one cohort, in ln units: the median distance in
// bins over all ordered pairs of its results, plus one bin (two values d bins apart differ by
// less than d + 1 bin widths). 0 with fewer than two results.
double runToRunSpread(const LogHistogram& cohort);
// The smallest change a row judged against this cohort may mark, in ln units: the larger of
// kSmallestChange and the cohort's run-to-run spread.
double smallestMarkedChange(const LogHistogram& cohort);

// Two results, other against first, judged against first's cohort (kNoiseMinimum results at
// least). The p-value is the larger of two: Student's t on the logs (the difference of two
// results of a cohort of log spread s has spread s·√2, n − 1 degrees of freedom) and the share
// of the cohort's own ordered pairs that lie at least as far apart (counting this one), so a
// cohort with heavy tails is judged by its tails, not by a normal curve.
Evidence pairEvidence(const LogHistogram& cohort, double first, double other);

// Two cohorts of the same test, as the Mann-Whitney rank test sees them: U counts the pairs in
// which later's value is the larger (pairs in one bin count half); z is U's distance from its
// mean under no difference, in standard deviations, with the correction for ties; the p-value
// is the normal curve's two-sided tail beyond |z|. kShiftMinimum results each.
struct Shift {
    Evidence evidence;
    double z = 0.0;
    double medianRatio = 0.0;  // later's median over earlier's
};
Shift cohortShift(const LogHistogram& earlier, const LogHistogram& later);

// Every row of one page judged together: Benjamini-Hochberg at `rate` over the judged rows'
// p-values, and of the rows it keeps, those whose |effect| exceeds their minimum are marked
// Faster or Slower; other judged rows are None, rows not judged Unknown.
std::vector<Change> judgePage(const std::vector<Evidence>& rows, double rate = kFalseMarkRate);

} // namespace model
