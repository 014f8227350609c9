// What marks a change, against figures worked out by hand: the tail probabilities, the
// run-to-run spread, the evidence of two results and of two cohorts, and the page's judgement
// (Benjamini-Hochberg, then the smallest change).
#include <gtest/gtest.h>

#include <cmath>

#include "server/model/Comparison.h"
#include "server/model/ComparisonProbability.h"

using namespace model;

namespace {

LogHistogram binsOf(std::initializer_list<std::pair<int32_t, int64_t>> bins)
{
    LogHistogram h;
    for (const auto& [bin, count] : bins)
        h.addBin(bin, count);
    return h;
}

} // namespace

TEST(ModelComparison, TailProbabilitiesMatchClosedFormsAndTables)
{
    EXPECT_NEAR(regularizedBeta(1, 1, 0.3), 0.3, 1e-12);
    EXPECT_NEAR(regularizedBeta(2, 1, 0.3), 0.09, 1e-12);
    EXPECT_NEAR(regularizedBeta(1, 3, 0.5), 1 - 0.125, 1e-12);  // 1 - (1 - x)^3
    EXPECT_EQ(regularizedBeta(2, 2, 0.0), 0.0);
    EXPECT_EQ(regularizedBeta(2, 2, 1.0), 1.0);
    // One degree of freedom is Cauchy's: P(|T| >= 1) = 1 - 2 atan(1) / pi = 1/2. Two: 1 - t / sqrt(t^2 + 2).
    EXPECT_NEAR(studentTwoSided(1.0, 1.0), 0.5, 1e-12);
    EXPECT_NEAR(studentTwoSided(-2.0, 2.0), 1 - 2 / std::sqrt(6.0), 1e-12);
    // Tables' two-sided 5 % and 1 % points.
    EXPECT_NEAR(studentTwoSided(2.570582, 5.0), 0.05, 1e-6);
    EXPECT_NEAR(studentTwoSided(3.249836, 9.0), 0.01, 1e-6);
    EXPECT_NEAR(studentTwoSided(0.0, 9.0), 1.0, 1e-12);
    EXPECT_NEAR(normalTwoSided(1.959964), 0.05, 1e-6);
    EXPECT_NEAR(normalTwoSided(-3.0), 0.0026998, 1e-7);
}

TEST(ModelComparison, TheRunToRunSpreadIsTheMedianPairDistancePlusABin)
{
    // Bins 0, 0, 1, 1, 2, 10: ordered pairs by distance 0: 4, 1: 12, 2: 4, 8: 2, 9: 4, 10: 4
    // (30 in all); half of them (15) lie within 1 bin: 2 bins, 0.02.
    EXPECT_NEAR(runToRunSpread(binsOf({{0, 2}, {1, 2}, {2, 1}, {10, 1}})), 0.02, 1e-12);
    // Bins 0 to 5 once each: distance 1: 10 pairs, 2: 8 (18 of 30 within 2): 0.03.
    EXPECT_NEAR(runToRunSpread(binsOf({{0, 1}, {1, 1}, {2, 1}, {3, 1}, {4, 1}, {5, 1}})), 0.03, 1e-12);
    EXPECT_NEAR(runToRunSpread(binsOf({{7, 2}})), 0.01, 1e-12);
    EXPECT_EQ(runToRunSpread(binsOf({{7, 1}})), 0.0);
}

TEST(ModelComparison, TwoResultsAreJudgedByTheLargerOfTheNormalAndThePairsProbability)
{
    // Bins 0 to 5 once each: logs at the centres 0.005 ... 0.055, mean 0.03, squares
    // 2 x (0.025^2 + 0.015^2 + 0.005^2) = 0.00175, variance 0.00175 / 5 + 0.01^2 / 12 = 3.58333e-4.
    const LogHistogram six = binsOf({{0, 1}, {1, 1}, {2, 1}, {3, 1}, {4, 1}, {5, 1}});
    // 6.5 % apart (bin 0 against 6): beyond every pair (1 / 31), t = 0.065 / sqrt(2 x 3.58333e-4)
    // = 2.428 with 5 degrees of freedom is the larger.
    const Evidence beyond = pairEvidence(six, 1.0, std::exp(0.065));
    ASSERT_TRUE(beyond.judged);
    EXPECT_NEAR(beyond.effect, 0.065, 1e-12);
    EXPECT_NEAR(beyond.pValue, studentTwoSided(0.065 / std::sqrt(2 * 3.58333333e-4), 5), 1e-9);
    EXPECT_GT(beyond.pValue, 0.05);
    EXPECT_NEAR(beyond.minimumEffect, 0.03, 1e-12);
    // Slower by 2.5 % (bins 3 and 0): 3 bins or more apart are 6 + 4 + 2 pairs: (12 + 1) / 31.
    const Evidence within = pairEvidence(six, std::exp(0.035), std::exp(0.01));
    EXPECT_NEAR(within.pValue, 13.0 / 31.0, 1e-12);
    EXPECT_NEAR(within.effect, -0.025, 1e-12);

    // Three in bin 0 and three in bin 2: t = 0.055 / sqrt(2 x 1.28333e-4) = 3.43 gives 0.019, but
    // no pair of the cohort lies 5 bins apart: 1 / 31 is the larger.
    const LogHistogram twoBins = binsOf({{0, 3}, {2, 3}});
    const Evidence tails = pairEvidence(twoBins, 1.0, std::exp(0.055));
    EXPECT_NEAR(tails.pValue, 1.0 / 31.0, 1e-12);
    // Pairs 0 bins apart: 12 of 30, 2 apart: 18: the spread is 3 bins, just over 3 %.
    EXPECT_NEAR(tails.minimumEffect, 0.03, 1e-12);

    EXPECT_FALSE(pairEvidence(binsOf({{0, 5}}), 1.0, 2.0).judged);  // five results are too few
    EXPECT_FALSE(pairEvidence(six, 1.0, 0.0).judged);
}

TEST(ModelComparison, TheRankTestGivesItsZAndTheNormalTail)
{
    // Five results in bin 0 against five in bin 5: U = 25, ties 2 x (125 - 5) = 240,
    // variance 25/12 x (11 - 240/90) = 17.36, z = 12.5 / 4.167 = 3.0.
    const LogHistogram earlier = binsOf({{0, 5}}), later = binsOf({{5, 5}});
    const Shift up = cohortShift(earlier, later);
    ASSERT_TRUE(up.evidence.judged);
    EXPECT_NEAR(up.z, 3.0, 1e-9);
    EXPECT_NEAR(up.evidence.pValue, 0.0026998, 1e-7);
    EXPECT_NEAR(up.medianRatio, std::exp(0.05), 1e-9);
    EXPECT_NEAR(up.evidence.effect, 0.05, 1e-9);
    EXPECT_NEAR(up.evidence.minimumEffect, std::log(1.03), 1e-12);
    EXPECT_NEAR(cohortShift(later, earlier).z, -3.0, 1e-9);

    // Mixed: later 0,0,1,5,5 against earlier 0 x5: U = 2 x 2.5 + 3 x 5 = 20, ties bin 0:
    // 7^3 - 7 = 336, bin 5: 6, variance 25/12 x (11 - 342/90) = 15.0, z = 7.5 / 3.873.
    const Shift some = cohortShift(earlier, binsOf({{0, 2}, {1, 1}, {5, 2}}));
    EXPECT_NEAR(some.z, 7.5 / std::sqrt(15.0), 1e-9);
    // Its spread: pairs 0-0: 2, 5-5: 2, 0-1: 4, 0-5: 8, 1-5: 4 of 20: 10 within 4 bins, so 5 bins.
    EXPECT_NEAR(some.evidence.minimumEffect, 0.05, 1e-12);

    EXPECT_FALSE(cohortShift(earlier, binsOf({{9, 4}})).evidence.judged);
    const Shift same = cohortShift(earlier, earlier);  // one bin: nothing to test
    EXPECT_TRUE(same.evidence.judged);
    EXPECT_EQ(same.evidence.pValue, 1.0);
}

TEST(ModelComparison, APageKeepsWhatBenjaminiHochbergKeepsAndMarksOnlyLargeChanges)
{
    auto row = [](double p, double effect) { return Evidence{true, p, effect, std::log(1.03)}; };
    struct Case {
        const char* what;
        std::vector<Evidence> rows;
        std::vector<Change> expected;
    };
    const Case cases[] = {
        // Sorted 0.005, 0.01, 0.03, 0.04, 0.5 against 0.01, 0.02, 0.03, 0.04, 0.05: four kept.
        {"four of five",
         {row(0.01, 0.1), row(0.04, -0.1), row(0.03, 0.1), row(0.005, -0.1), row(0.5, 0.1)},
         {Change::Faster, Change::Slower, Change::Faster, Change::Slower, Change::None}},
        // Step-up: 0.02 misses its own 0.0125, but 0.022 within 0.0375 keeps the three below it.
        {"step-up",
         {row(0.02, 0.1), row(0.021, 0.1), row(0.022, 0.1), row(0.5, 0.1)},
         {Change::Faster, Change::Faster, Change::Faster, Change::None}},
        // A row kept with a change under its minimum (2 % < 3 %) is not marked.
        {"small change",
         {row(0.001, 0.02), row(0.002, -0.2)},
         {Change::None, Change::Slower}},
        // Rows not judged count neither as rows nor as marks: 0.02 is within 2 x 0.05 / 2... of two.
        {"unjudged",
         {row(0.02, 0.1), Evidence{}, row(0.5, 0.1)},
         {Change::Faster, Change::Unknown, Change::None}},
        // ...but 0.02 over three judged rows misses 0.0167, 0.5 misses 0.033 and 0.05.
        {"three judged",
         {row(0.02, 0.1), row(0.5, 0.1), row(0.5, 0.1)},
         {Change::None, Change::None, Change::None}},
        {"empty", {}, {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(judgePage(c.rows), c.expected) << c.what;
    // At a looser rate the three-row page keeps its first.
    EXPECT_EQ(judgePage({row(0.02, 0.1), row(0.5, 0.1), row(0.5, 0.1)}, 0.1)[0], Change::Faster);

    // The rank test's shift of 5 bins is marked; a shift of 2 bins (2 %) at the same z is not.
    const LogHistogram earlier = binsOf({{0, 5}});
    EXPECT_EQ(judgePage({cohortShift(earlier, binsOf({{5, 5}})).evidence})[0], Change::Faster);
    EXPECT_EQ(judgePage({cohortShift(earlier, binsOf({{2, 5}})).evidence})[0], Change::None);
    EXPECT_EQ(nameOf(Change::Slower), std::string("slower"));
}
