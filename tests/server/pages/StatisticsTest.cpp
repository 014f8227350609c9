// The cohort arithmetic against figures worked out by hand.
#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>

#include "server/pages/Statistics.h"
#include "server/pages/TestGroups.h"

TEST(Statistics, QuartilesMedianAndPercentilesOfASmallCohort)
{
    // Four results: quartile positions 0.75, 1.5 and 2.25 between 10, 20, 30, 40.
    const stats::Spread four = stats::spreadOf({40, 10, 30, 20});
    EXPECT_DOUBLE_EQ(four.lower, 17.5);
    EXPECT_DOUBLE_EQ(four.median, 25.0);
    EXPECT_DOUBLE_EQ(four.upper, 32.5);
    EXPECT_EQ(four.count, 4u);

    // Five results: positions 1, 2 and 3 fall on values.
    const stats::Spread five = stats::spreadOf({1000, 100, 300, 200, 400});
    EXPECT_DOUBLE_EQ(five.lower, 200.0);
    EXPECT_DOUBLE_EQ(five.median, 300.0);
    EXPECT_DOUBLE_EQ(five.upper, 400.0);
    EXPECT_DOUBLE_EQ(stats::median({3, 1, 2, 10}), 2.5);

    const std::vector<double> cohort = {10, 20, 30, 40};
    EXPECT_DOUBLE_EQ(stats::percentileRank(30, cohort), 62.5);  // two below, itself half
    EXPECT_DOUBLE_EQ(stats::percentileRank(5, cohort), 0.0);
    EXPECT_DOUBLE_EQ(stats::percentileRank(45, cohort), 100.0);
    EXPECT_DOUBLE_EQ(stats::percentileRank(25, cohort), 50.0);   // not in the cohort
    EXPECT_DOUBLE_EQ(stats::percentileRank(20, {10, 20, 20, 40}), 50.0);  // ties count half
    EXPECT_DOUBLE_EQ(stats::percentileRank(400, {100, 200, 300, 400, 1000}), 70.0);
}

TEST(Statistics, ACohortOfOneIsItsOwnBandAndMiddle)
{
    const stats::Spread one = stats::spreadOf({7.25});
    EXPECT_DOUBLE_EQ(one.lower, 7.25);
    EXPECT_DOUBLE_EQ(one.median, 7.25);
    EXPECT_DOUBLE_EQ(one.upper, 7.25);
    EXPECT_EQ(one.count, 1u);
    EXPECT_DOUBLE_EQ(stats::percentileRank(7.25, {7.25}), 50.0);
    EXPECT_DOUBLE_EQ(stats::percentileRank(8, {7.25}), 100.0);
    EXPECT_THROW(stats::spreadOf({}), std::invalid_argument);
    EXPECT_THROW(stats::percentileRank(1, {}), std::invalid_argument);
}

TEST(Statistics, ScoreIsAThousandTimesTheGeometricMeanOfRatiosToTheMedians)
{
    std::size_t used = 0;
    EXPECT_NEAR(stats::summaryScore({{200, 100}, {50, 100}}, &used), 1000.0, 1e-9);
    EXPECT_EQ(used, 2u);
    // Ratios 4, 1 and 2: the cube root of 8.
    EXPECT_NEAR(stats::summaryScore({{400, 100}, {100, 100}, {100, 50}}), 2000.0, 1e-9);
    // A test that gave up (rate 0) and a missing reference take no part.
    EXPECT_NEAR(stats::summaryScore({{300, 100}, {0, 100}, {5, 0}, {NAN, 1}}, &used), 3000.0, 1e-9);
    EXPECT_EQ(used, 1u);
    EXPECT_EQ(stats::summaryScore({}, &used), 0.0);
    EXPECT_EQ(used, 0u);

    EXPECT_EQ(stats::rankOf(1500, {900, 1500, 2000, 3000}), 3u);
    EXPECT_EQ(stats::rankOf(4000, {900, 1500}), 1u);
}

TEST(Statistics, APartialGdiRunIsScoredOnTheTestsItHas)
{
    // References for every test of a full run; the result ran FillRect at two sizes and the
    // write transfer only. MP/s never enters: it repeats Ops/s for a square.
    const std::map<TestKey, double> references = {
        {{"FillRect", 16, 16, "Ops_s"}, 100},    {{"FillRect", 32, 32, "Ops_s"}, 360},
        {{"FillRect", 16, 16, "MP_s"}, 1},       {{"BlitRect", 16, 16, "Ops_s"}, 50},
        {{"WritePixelArray", 0, 0, "MiB_s"}, 2}, {{"Random", 0, 0, "Ops_s"}, 10},
    };
    const std::vector<Measurement> partial = {
        {"FillRect", 16, 16, "Ops_s", 300}, {"FillRect", 16, 16, "MP_s", 0.073},
        {"FillRect", 32, 32, "Ops_s", 120}, {"WritePixelArray", 0, 0, "MiB_s", 8},
        {"CompositeSrcMask", 16, 16, "Ops_s", 99},  // no reference yet: not counted
    };
    const auto terms = scoreTerms(partial, references);
    ASSERT_EQ(terms.size(), 3u);
    std::size_t used = 0;
    // Ratios 3, 1/3 and 4: the cube root of 4 = 1.587401...
    EXPECT_NEAR(stats::summaryScore(terms, &used), 1000.0 * std::cbrt(4.0), 1e-9);
    EXPECT_EQ(used, 3u);
}
