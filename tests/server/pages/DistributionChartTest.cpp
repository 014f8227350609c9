// A cohort's distribution as the result page draws it: the 1 % bins grouped into display bars,
// a rate as a ratio to the median with the quartiles as a band, and the charts' coordinates,
// all against hand-worked figures.
#include <gtest/gtest.h>

#include <cmath>
#include <regex>

#include "server/pages/DistributionChart.h"
#include "server/pages/SvgChart.h"
#include "server/pages/VersionChart.h"

namespace {

model::LogHistogram bins(std::initializer_list<std::pair<int32_t, int64_t>> counts)
{
    model::LogHistogram h;
    for (const auto& [bin, n] : counts)
        h.addBin(bin, n);
    return h;
}

// A value inside bin b of the 1 % bins: its centre.
double inBin(int32_t b)
{
    return std::exp((b + 0.5) * 0.01);
}

int count(const std::string& text, const std::string& what)
{
    int n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

} // namespace

TEST(DistributionChart, BinsGroupIntoWholeBarsOverTheCohortAndTheMarkedValue)
{
    const struct {
        const char* what;
        model::LogHistogram cohort;
        double mark;
        int32_t perBar;
        std::size_t bars;
        double lower, upper;  // of the first and the last bar
        std::vector<std::pair<std::size_t, int64_t>> counts;  // the bars that are not empty
        int marked;
    } cases[] = {
        // Bins 0 to 44 are 45 bins: two a bar (at most 40 bars), 23 bars, the last one half past
        // the range; bins 0 and 1 share bar 0, 4 and 5 bar 2, 44 is bar 22; the mark in bin 10, bar 5.
        {"45 bins", bins({{0, 2}, {1, 1}, {5, 3}, {44, 1}}), inBin(10), 2, 23, 1.0, std::exp(0.46),
         {{0, 3}, {2, 3}, {22, 1}}, 5},
        // Four bins wide: widened to 20 bins, eight of them below (bin 92 up), a bar each.
        {"narrow", bins({{100, 1}, {103, 2}}), 0.0, 1, 20, std::exp(0.92), std::exp(1.12), {{8, 1}, {11, 2}}, -1},
        // 400 bins: 10 a bar, exactly 40 bars; 401 bins: 11 a bar, 37 bars.
        {"400 bins", bins({{0, 1}, {399, 1}}), 0.0, 10, 40, 1.0, std::exp(4.0), {{0, 1}, {39, 1}}, -1},
        {"401 bins", bins({{0, 1}, {400, 1}}), 0.0, 11, 37, 1.0, std::exp(4.07), {{0, 1}, {36, 1}}, -1},
        // A result far below its cohort (an outlier, not counted in it) stretches the range to its bin.
        {"outlier", bins({{50, 4}}), inBin(-30), 3, 27, std::exp(-0.3), std::exp(0.51), {{26, 4}}, 0},
    };
    for (const auto& c : cases) {
        const DisplayHistogram h = displayBars(c.cohort, c.mark);
        EXPECT_EQ(h.binsPerBar, c.perBar) << c.what;
        ASSERT_EQ(h.bars.size(), c.bars) << c.what;
        EXPECT_NEAR(h.bars.front().lower, c.lower, 1e-12) << c.what;
        EXPECT_NEAR(h.bars.back().upper, c.upper, 1e-12) << c.what;
        std::vector<std::pair<std::size_t, int64_t>> counts;
        for (std::size_t k = 0; k < h.bars.size(); ++k) {
            if (h.bars[k].count > 0)
                counts.emplace_back(k, h.bars[k].count);
            if (k > 0) {
                EXPECT_DOUBLE_EQ(h.bars[k].lower, h.bars[k - 1].upper) << c.what << " bar " << k;
            }
        }
        EXPECT_EQ(counts, c.counts) << c.what;
        EXPECT_EQ(h.marked, c.marked) << c.what;
    }
    EXPECT_TRUE(displayBars(model::LogHistogram(), 5.0).bars.empty());
}

TEST(DistributionChart, RatioToTheMedianWithTheQuartilesAsItsBand)
{
    // Bins 0, 10, 20 and 30, one value each: the median lies halfway between the centres of bins 10
    // and 20, (e^0.105 + e^0.205) / 2 = 1.169118; the quartiles at ranks 0.75 and 2.25,
    // e^0.005 + 0.75 (e^0.105 - e^0.005) = 1.084286 and e^0.205 + 0.25 (e^0.305 - e^0.205) = 1.259800.
    const model::LogHistogram cohort = bins({{0, 1}, {10, 1}, {20, 1}, {30, 1}});
    const RatioFigures f = ratioToMedian(cohort, 1.3);
    EXPECT_NEAR(f.median, 1.169118, 1e-6);
    EXPECT_NEAR(f.ratio, 1.3 / 1.169118, 1e-6);  // 1.111950
    EXPECT_NEAR(f.bandLower, 0.927440, 1e-6);
    EXPECT_NEAR(f.bandUpper, 1.077565, 1e-6);
    EXPECT_EQ(ratioToMedian(cohort, 0.0).ratio, 0.0) << "not measured: no ratio";
    EXPECT_EQ(ratioText(f.ratio), "×1.11");
    EXPECT_THROW(ratioToMedian(model::LogHistogram(), 1.0), std::invalid_argument);
}

TEST(DistributionChart, RatioChartDrawsTheBandTheMedianAndThisResultOnALinearScale)
{
    // Sizes 16 and 32 have cohort figures, 64 not. The scale spans 0.9 to 1.2 (ticks 0.1 apart)
    // over the plot's 192 units from y 216 up to 24; sizes 16 and 32 at x 58 and 408.
    RatioRow a, b, c;
    a.size = 16;
    a.hasCohort = true;
    a.figures = {100, 1.2, 0.95, 1.05};
    b.size = 32;
    b.hasCohort = true;
    b.figures = {100, 0.0, 0.9, 1.1};  // the result did not measure 32
    c.size = 64;
    const std::string svg = ratioChart("FillRect <&> ratio", {a, b, c});
    EXPECT_NE(svg.find("<svg class=\"chart\""), std::string::npos);
    EXPECT_NE(svg.find("aria-label=\"FillRect &lt;&amp;&gt; ratio\"><title>FillRect &lt;&amp;&gt; ratio</title>"),
              std::string::npos);
    EXPECT_NE(svg.find("<polyline class=\"series\" data-series=\"This result\" points=\"58.0,24.0 \""), std::string::npos);
    EXPECT_NE(svg.find("<polyline class=\"series\" data-series=\"Cohort median\" points=\"58.0,152.0 408.0,152.0 \""),
              std::string::npos);
    EXPECT_NE(svg.find("<polygon class=\"band\" data-series=\"Cohort quartiles\" points=\"58.0,120.0 408.0,88.0 "
                       "408.0,216.0 58.0,184.0 \""),
              std::string::npos);
    for (const char* tick : {">×0.9<", ">×1<", ">×1.1<", ">×1.2<"})
        EXPECT_NE(svg.find(tick), std::string::npos) << tick;
    EXPECT_EQ(svg.find(">64<"), std::string::npos) << "no figures at 64: not on the axis";
    EXPECT_EQ(count(svg, "class=\"series\""), 2);

    // The gauge: 0.9 to 1.1 widened by 5 % of its span each side (0.89 to 1.11) over x 4 to 156.
    const std::string gauge = ratioGauge("Random <MP/s>", RatioFigures{100, 1.0, 0.95, 1.05});
    EXPECT_NE(gauge.find("<title>Random &lt;MP/s&gt;</title>"), std::string::npos);
    EXPECT_NE(gauge.find("<rect class=\"band\" x=\"45.5\" y=\"3\" width=\"69.1\""), std::string::npos);
    EXPECT_NE(gauge.find("data-series=\"Cohort median\" points=\"80.0,2.0 80.0,16.0\""), std::string::npos);
    EXPECT_NE(gauge.find("data-series=\"This result\" points=\"80.0,0.0 80.0,18.0\""), std::string::npos);
    EXPECT_EQ(count(ratioGauge("none", RatioFigures{}), "class=\"series\""), 0);
}

TEST(DistributionChart, HistogramMarksThisResultsBarAndLabelsTheRange)
{
    // 23 bars over x 6 to 162 (a log scale from 1 to e^0.46): bar 0 holds 3, bar 2 holds 3 and
    // is this result's, bar 22 holds 1; the tallest bars reach the plot's top, y 18.
    const model::LogHistogram cohort = bins({{0, 2}, {1, 1}, {5, 3}, {44, 1}});
    const DisplayHistogram bars = displayBars(cohort, inBin(5));
    const std::string svg = histogramChart("FillRect 16x16 Ops/s <b>", "16x16", bars, inBin(5), inBin(1));
    EXPECT_NE(svg.find("<svg class=\"histogram\""), std::string::npos);
    EXPECT_NE(svg.find("<title>FillRect 16x16 Ops/s &lt;b&gt;</title>"), std::string::npos);
    // Bar 0 spans bins 0 and 1: x 6 to 6 + 156 * 0.02 / 0.46 = 12.8 less a gap of 0.4, 3 of 3 high;
    // bar 22 (bins 44 and 45) from 155.2, 1 of 3 high (y 58). Bar 2 (bins 4 and 5), this result's,
    // from 6 + 156 * 0.04 / 0.46 = 19.6 to 26.3 less the gap, drawn apart and darker.
    EXPECT_NE(svg.find("<path class=\"bars\" d=\"M6.0 78.0V18.0H12.4V78.0ZM155.2 78.0V58.0H161.6V78.0Z\" "
                       "fill=\"#8fb4e3\"/>"),
              std::string::npos)
        << svg;
    EXPECT_NE(svg.find("<path class=\"bar-own\" d=\"M19.6 78.0V18.0H25.9V78.0Z\" fill=\"#1f5fbf\""), std::string::npos);
    EXPECT_NE(svg.find(">n = 7<"), std::string::npos);
    EXPECT_EQ(count(svg, "data-series=\"This result\""), 1);
    EXPECT_EQ(count(svg, "data-series=\"Cohort median\""), 1);
    EXPECT_NE(svg.find(">1<"), std::string::npos);      // e^0 at the left
    EXPECT_NE(svg.find(">1.584<"), std::string::npos);  // e^0.46 at the right
}

TEST(DistributionChart, SharedFrameTicksAndLabels)
{
    const std::vector<double> ticks = linearTicks(0.9, 1.2, 5);
    ASSERT_EQ(ticks.size(), 4u);
    for (std::size_t i = 0; i < ticks.size(); ++i)
        EXPECT_NEAR(ticks[i], 0.9 + 0.1 * static_cast<double>(i), 1e-12);
    EXPECT_EQ(linearTicks(0.0, 2.5, 5).size(), 6u);  // 0, 0.5, ..., 2.5
    EXPECT_EQ(roundStep(3.0, 5), 1.0);
    EXPECT_EQ(roundStep(0.05, 5), 0.01);
    EXPECT_EQ(logTicks(30, 700), (std::vector<double>{50, 100, 200, 500}));
    for (const auto& [v, text] : std::vector<std::pair<double, const char*>>{
             {0, "0.0"}, {19.565, "19.6"}, {-0.04, "0.0"}, {-2.25, "-2.3"}, {216, "216.0"}, {1e20, "100000000000000000000.0"}})
        EXPECT_EQ(svgNumber(v), text) << v;
    EXPECT_EQ(compactNumber(999.7), "1k");
    EXPECT_EQ(compactNumber(1234.5), "1.23k");
    EXPECT_EQ(compactNumber(2500000), "2.5M");
    EXPECT_EQ(compactNumber(0.5), "0.5");
    // The version chart draws through the same frame: titled, its five ticks labelled.
    VersionSeries s{"score <x>", {{true, 800, 1000, 1200}, {true, 900, 1100, 1300}}};
    const std::string svg = versionChart("Card <b>", "score", {s});
    EXPECT_NE(svg.find("aria-label=\"Card &lt;b&gt;\"><title>Card &lt;b&gt;</title>"), std::string::npos);
    EXPECT_EQ(count(svg, "font-size=\"10\" text-anchor=\"end\""), 5);
    EXPECT_EQ(count(svg, "<polyline class=\"series\" data-series=\"score &lt;x&gt;\""), 1);
}
