// The statistics model against figures worked out by hand: test codes, the score on its core
// set, the graphics system of real uploads, histogram quantiles and the outlier fences
// (comparisons and driver versions have tests of their own).
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <regex>
#include <sstream>
#include <stdexcept>

#include "server/model/GraphicsSystem.h"
#include "server/model/LogHistogram.h"
#include "server/model/Outliers.h"
#include "server/model/Quantiles.h"
#include "server/model/Score.h"
#include "server/model/TestId.h"

using namespace model;

namespace {

std::vector<std::pair<std::string, std::string>> uploadFields(const std::string& name)
{
    std::ifstream in(std::string(KORVID_SOURCE_DIR) + "/tests/server/import/" + name);
    std::ostringstream text;
    text << in.rdbuf();
    std::vector<std::pair<std::string, std::string>> fields;
    const std::string body = text.str();
    const std::regex field("<([A-Za-z0-9_]+)>([^<]*)</\\1>");
    for (auto it = std::sregex_iterator(body.begin(), body.end(), field); it != std::sregex_iterator(); ++it)
        fields.emplace_back((*it)[1], (*it)[2]);
    return fields;
}

Rates ratesOf(const std::vector<std::pair<std::string, std::string>>& fields)
{
    Rates rates;
    const std::regex name("([A-Za-z]+)(?:_([0-9]+)x([0-9]+))?_(Ops_s|MP_s|MiB_s)");
    for (const auto& [n, v] : fields) {
        std::smatch m;
        if (!std::regex_match(n, m, name))
            continue;
        const int w = m[2].matched ? std::stoi(m[2]) : 0, h = m[3].matched ? std::stoi(m[3]) : 0;
        const auto id = TestId::of(m[1], w, h, m[4]);
        if (id)
            rates.push_back({*id, std::stod(v)});
    }
    return rates;
}

Rates scaled(const Rates& rates, double factor)
{
    Rates out = rates;
    for (Rate& r : out)
        r.value *= factor;
    return out;
}

} // namespace

TEST(ModelTestId, CodesAreSmallStableAndRefuseWhatARunCannotProduce)
{
    struct Case {
        std::string test;
        int size;
        std::string unit;
        int code;  // test * 32 + size step * 4 + unit
    };
    const Case cases[] = {
        {"WritePixelArray", 0, "MiB_s", 2}, {"ReadPixelArray", 0, "MiB_s", 34},
        {"FillRect", 16, "Ops_s", 68},      {"FillRect", 64, "MP_s", 77},
        {"BlitRect", 1024, "Ops_s", 124},   {"CompositeSrcMask", 128, "Ops_s", 208},
        {"Random", 0, "Ops_s", 224},        {"Random", 0, "MP_s", 225},
    };
    for (const Case& c : cases) {
        const auto id = TestId::of(c.test, c.size, c.size, c.unit);
        ASSERT_TRUE(id) << c.test;
        EXPECT_EQ(id->code(), c.code) << c.test << c.size << c.unit;
        const auto back = TestId::fromCode(c.code);
        ASSERT_TRUE(back);
        EXPECT_EQ(back->fieldName(), c.size ? c.test + "_" + std::to_string(c.size) + "x" +
                                                  std::to_string(c.size) + "_" + c.unit
                                            : c.test + "_" + c.unit);
    }
    EXPECT_EQ(TestId::of("FillRect", 64, 64, "MP_s")->label(), "FillRect 64x64 MPixel/s");
    EXPECT_FALSE(TestId::of("FillRect", 64, 64, "MP_s")->hasFigures());
    EXPECT_TRUE(TestId::of("Random", 0, 0, "MP_s")->hasFigures());
    // Sizes, units and tests a run never produces.
    EXPECT_FALSE(TestId::of("FillRect", 48, 48, "Ops_s"));
    EXPECT_FALSE(TestId::of("FillRect", 64, 32, "Ops_s"));
    EXPECT_FALSE(TestId::of("FillRect", 2048, 2048, "Ops_s"));
    EXPECT_FALSE(TestId::of("FillRect", 0, 0, "Ops_s"));
    EXPECT_FALSE(TestId::of("Random", 16, 16, "Ops_s"));
    EXPECT_FALSE(TestId::of("WritePixelArray", 0, 0, "Ops_s"));
    EXPECT_FALSE(TestId::of("FillRect", 16, 16, "MiB_s"));
    EXPECT_FALSE(TestId::of("DrawText", 16, 16, "Ops_s"));
    for (int code : {0, 3, 1, 255, 256, 64})
        EXPECT_FALSE(TestId::fromCode(code)) << code;
}

TEST(ModelScore, TheReferenceScoresAThousandAndOnlyTheCoreTestsCount)
{
    ASSERT_EQ(coreTests().size(), 11u);
    const Rates reference = ratesOf(uploadFields("d2d-run.upload.xml"));
    const ScoreOutcome own = scoreOf(reference, builtInReference());
    ASSERT_TRUE(own.score);
    EXPECT_NEAR(*own.score, 1000.0, 1e-9);
    EXPECT_NEAR(*scoreOf(scaled(reference, 2.0), builtInReference()).score, 2000.0, 1e-9);

    // WritePixelArray 2^11 times as fast, every other core test as the reference: 1000 * 2.
    Rates one = reference;
    for (Rate& r : one) {
        if (r.id.test == model::Test::WritePixelArray)
            r.value *= 2048.0;
    }
    EXPECT_NEAR(*scoreOf(one, builtInReference()).score, 2000.0, 1e-6);

    // Tests beyond the core set (a larger display, a system that composites) change nothing.
    Rates more = reference;
    more.push_back({*TestId::of("FillRect", 512, 512, "Ops_s"), 1.0});
    more.push_back({*TestId::of("OverlappedBlitRect", 16, 16, "Ops_s"), 1e9});
    EXPECT_NEAR(*scoreOf(more, builtInReference()).score, 1000.0, 1e-9);
}

TEST(ModelScore, ARunLackingACoreTestHasNoScoreAndSaysWhy)
{
    const Rates gdi = ratesOf(uploadFields("gdi-run.upload.xml"));
    const ScoreOutcome full = scoreOf(gdi, builtInReference());
    ASSERT_TRUE(full.score);  // GDI without compositing still has every core test
    // GDI under Wine fills and copies far faster than the reference Direct2D run
    EXPECT_GT(*full.score, 1000.0);

    Rates partial;
    for (const Rate& r : gdi) {
        if (!(r.id.test == model::Test::FillRect && r.id.size == 128) && r.id.test != model::Test::Random)
            partial.push_back(r);
    }
    const ScoreOutcome none = scoreOf(partial, builtInReference());
    EXPECT_FALSE(none.score);
    EXPECT_EQ(none.reason(), "no score: FillRect 128x128 Ops/s and Random Ops/s were not measured");

    Rates gaveUp = gdi;
    for (Rate& r : gaveUp) {
        if (r.id.test == model::Test::ReadPixelArray)
            r.value = 0.0;
    }
    EXPECT_EQ(scoreOf(gaveUp, builtInReference()).reason(),
              "no score: ReadPixelArray MiB/s was not measured");
    EXPECT_FALSE(referenceFrom(partial, 2, "x"));
    const auto second = referenceFrom(gdi, 2, "GDI run");
    ASSERT_TRUE(second);
    EXPECT_NEAR(*scoreOf(gdi, *second).score, 1000.0, 1e-9);
}

TEST(ModelGraphicsSystem, RealUploadsOfBothSystemsAreToldApart)
{
    EXPECT_EQ(graphicsSystemOf(uploadFields("d2d-run.upload.xml")), GraphicsSystem::Direct2D);
    EXPECT_EQ(graphicsSystemOf(uploadFields("gdi-run.upload.xml")), GraphicsSystem::GDI);
    EXPECT_EQ(graphicsSystemOf({{"CompositeSrcMask_16x16_Ops_s", "5"}}), GraphicsSystem::Direct2D);
    EXPECT_EQ(graphicsSystemOf({{"CompositeSrcMaskCombineAlphas", "0"}}), GraphicsSystem::GDI);
    // Said outright, it wins.
    EXPECT_EQ(graphicsSystemOf({{"CompositeSrcMaskCombineAlphas", "1"}, {"GraphicsSystem", "GDI"}}),
              GraphicsSystem::GDI);
    EXPECT_EQ(nameOf(GraphicsSystem::Direct2D), "Direct2D");
}

// The real uploads as a run without the compositing group (-nc) would have sent them: neither
// Composite nor CompositeSrcMask rates, nor their flags.
TEST(ModelGraphicsSystem, RunsWithoutCompositingAreToldApartByTheOverlappedBlitWhereTheyCanBe)
{
    const auto withoutCompositing = [](const std::string& name) {
        std::vector<std::pair<std::string, std::string>> kept;
        for (const auto& field : uploadFields(name)) {
            if (field.first.rfind("Composite", 0) != 0)
                kept.push_back(field);
        }
        return kept;
    };
    const auto d2d = withoutCompositing("d2d-run.upload.xml");
    const auto gdi = withoutCompositing("gdi-run.upload.xml");
    ASSERT_EQ(d2d.size(), uploadFields("d2d-run.upload.xml").size() - 11);  // 8 rates, 3 flags
    ASSERT_EQ(gdi.size(), uploadFields("gdi-run.upload.xml").size());        // GDI had no compositing here
    // This Direct2D run reported the overlapped blit not supported; GDI always measures it.
    EXPECT_EQ(graphicsSystemOf(d2d), GraphicsSystem::Direct2D);
    EXPECT_EQ(graphicsSystemOf(gdi), GraphicsSystem::GDI);
    // A Direct2D run whose overlapped blit worked carries nothing that only Direct2D writes.
    auto overlapping = d2d;
    overlapping.emplace_back("OverlappedBlitRect_16x16_Ops_s", "2000");
    EXPECT_EQ(graphicsSystemOf(overlapping), GraphicsSystem::GDI);
    // Without the blit group there is no overlapped blit to miss.
    std::vector<std::pair<std::string, std::string>> noBlits;
    for (const auto& field : d2d) {
        if (field.first.rfind("BlitRect_", 0) != 0)
            noBlits.push_back(field);
    }
    EXPECT_EQ(graphicsSystemOf(noBlits), GraphicsSystem::GDI);
}

TEST(ModelQuantiles, ExactAndBinnedQuantilesAgreeWithinTheStatedError)
{
    const Spread four = spreadOf({40, 10, 30, 20});
    EXPECT_DOUBLE_EQ(four.lower, 17.5);
    EXPECT_DOUBLE_EQ(four.median, 25.0);
    EXPECT_DOUBLE_EQ(four.upper, 32.5);
    EXPECT_DOUBLE_EQ(percentileRank(30, {10, 20, 30, 40}), 62.5);
    EXPECT_DOUBLE_EQ(percentileRank(20, {10, 20, 20, 40}), 50.0);
    EXPECT_THROW(spreadOf({}), std::invalid_argument);

    LogHistogram h;
    for (double v : {40.0, 10.0, 30.0, 20.0})
        h.add(v);
    h.add(0.0);  // a test that gave up has no bin
    EXPECT_EQ(h.count(), 4);
    EXPECT_NEAR(h.relativeError(), 0.005, 0.0001);
    const Spread binned = h.spread();
    EXPECT_NEAR(binned.lower, 17.5, 17.5 * 0.005);
    EXPECT_NEAR(binned.median, 25.0, 25.0 * 0.005);
    EXPECT_NEAR(binned.upper, 32.5, 32.5 * 0.005);
    EXPECT_DOUBLE_EQ(h.percentile(30.0), 62.5);
    EXPECT_DOUBLE_EQ(h.percentile(5.0), 0.0);
    EXPECT_EQ(h.countAbove(25.0), 2);
    int32_t bin = 0;
    ASSERT_TRUE(LogHistogram::binOf(1.0, 0.01, bin));
    EXPECT_EQ(bin, 0);
    ASSERT_TRUE(LogHistogram::binOf(std::exp(0.025), 0.01, bin));
    EXPECT_EQ(bin, 2);
    ASSERT_TRUE(LogHistogram::binOf(std::exp(-0.005), 0.01, bin));
    EXPECT_EQ(bin, -1);
    EXPECT_THROW(LogHistogram().quantile(0.5), std::invalid_argument);

    LogHistogram one;
    one.add(7.25);
    EXPECT_NEAR(one.quantile(0.25), 7.25, 7.25 * 0.005);
    EXPECT_DOUBLE_EQ(one.percentile(7.25), 50.0);
}

TEST(ModelOutliers, FarOutFencesFlagAResultAtAThirdOfItsCohort)
{
    LogHistogram scores;
    for (double s : {1000.0, 1010.0, 1020.0, 1030.0})
        scores.add(s);
    EXPECT_FALSE(farOutFences(scores).known);  // four are too few to judge
    scores.add(1040.0);
    const Fences fences = farOutFences(scores);
    ASSERT_TRUE(fences.known);
    // Q3/Q1 = 1030/1010 is below 1.05, so the spread is ln 1.05: fences at 1010 / 1.05^3 = 872.5
    // and 1030 * 1.05^3 = 1192.4 (within the bins' 0.5 %).
    EXPECT_NEAR(fences.low, 872.5, 872.5 * 0.006);
    EXPECT_NEAR(fences.high, 1192.4, 1192.4 * 0.006);
    EXPECT_TRUE(isFarOut(300.0, fences));
    EXPECT_FALSE(isFarOut(900.0, fences));
    EXPECT_TRUE(isFarOut(1250.0, fences));

    // A wide cohort: Q1 1000, Q3 2000 (ratio 2): fences at 1000 / 8 = 125 and 2000 * 8, each
    // quartile read within 0.5 % and their ratio cubed: within about 4 %.
    LogHistogram wide;
    for (double s : {1000.0, 1000.0, 1500.0, 2000.0, 2000.0})
        wide.add(s);
    const Fences far = farOutFences(wide);
    EXPECT_NEAR(far.low, 125.0, 125.0 * 0.04);
    EXPECT_NEAR(far.high, 16000.0, 16000.0 * 0.04);
    EXPECT_FALSE(isFarOut(300.0, far));
}
