// The benchmark runner driven through a scripted graphics test.

#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "FakeGfxTest.h"
#include "base/OutputPair.h"

namespace {

const std::string kPrefix = "Korvid 2.9 (2012/06/11). ";
const std::string kHeader = "Size\t\t    Time (s)\t       Ops/s\t    MPixel/s\n";

class BenchmarkRunnerTest : public ::testing::Test {
protected:
    std::ostringstream console;
    std::ostringstream transcript;
    OutputPair output{console, transcript};

    std::vector<int32_t> sizesOf(const FakeGfxTest& test, const std::string& operation) {
        std::vector<int32_t> sizes;
        for (const auto& call : test.callsOf(operation)) {
            EXPECT_EQ(call.width, call.height);
            sizes.push_back(call.width);
        }
        return sizes;
    }
};

TEST_F(BenchmarkRunnerTest, PrintsEveryGroupInOrderWithExactRowsFieldsAndNotes) {
    // 56 - 20 leaves 36 pixels: sizes 16 and 32.
    FakeGfxTest test(output, 0x1F, 100, 56, 20);
    test.compositeSetsPremultiplied = true;
    test.srcMaskSetsPremultiplied = true;
    test.srcMaskSetsCombined = true;
    test.timeFor = [](const FakeCall& call) {
        if (call.operation == "blit") return 4.0;
        if (call.operation == "overlapped") return 3.0;
        if (call.operation == "composite") return 6.0;
        if (call.operation == "srcmask") return 7.0;
        return 2.0;
    };

    EXPECT_TRUE(test.runTests(1000));

    const std::string expected =
        "WritePixelArray: fake\n"
        "ReadPixelArray: fake\n"
        "\n"
        "FillRect:\n" + kHeader +
        "(16, 16)\t       2.000\t    5000.000\t       1.221\n"
        "(32, 32)\t       2.000\t    5000.000\t       4.883\n"
        "\n"
        "BltBitMap:\n" + kHeader +
        "(16, 16)\t       4.000\t    2500.000\t       0.610\n"
        "(32, 32)\t       4.000\t    2500.000\t       2.441\n"
        "\n"
        "OverlappedBltBitMap:\n" + kHeader +
        "(16, 16)\t       3.000\t    6666.667\t       1.628\n"
        "(32, 32)\t       3.000\t    6666.667\t       6.510\n"
        "\n"
        "Composite:\n" + kHeader +
        "(16, 16)\t       6.000\t    1666.667\t       0.407\n"
        "(32, 32)\t       6.000\t    1666.667\t       1.628\n"
        "NOTE: Compositing (or alpha blending) used premultiplied alpha mode.\n"
        "\n"
        "CompositeSrcMask:\n" + kHeader +
        "(16, 16)\t       7.000\t    1428.571\t       0.349\n"
        "(32, 32)\t       7.000\t    1428.571\t       1.395\n"
        "NOTE: The source mask's alpha channel was multiplied by the source bitmap's alpha channel.\n"
        "NOTE: The source bitmap's alpha channel was premultiplied.\n"
        "\n"
        "Random:\n"
        "Time (s)\t       Ops/s\t    MPixel/s\n"
        "       2.000\t   40000.000\t      38.147\n"
        "\n";
    EXPECT_EQ(console.str(), expected);
    EXPECT_EQ(transcript.str(), expected);

    std::vector<bool> searchKeys;
    const std::vector<std::string> expectedFields = {
        "FillRect_16x16_Ops_s=5000",
        "FillRect_16x16_MP_s=1.2207",
        "FillRect_32x32_Ops_s=5000",
        "FillRect_32x32_MP_s=4.88281",
        "BlitRect_16x16_Ops_s=2500",
        "BlitRect_16x16_MP_s=0.610352",
        "BlitRect_32x32_Ops_s=2500",
        "BlitRect_32x32_MP_s=2.44141",
        "OverlappedBlitRect_16x16_Ops_s=6666.67",
        "OverlappedBlitRect_16x16_MP_s=1.6276",
        "OverlappedBlitRect_32x32_Ops_s=6666.67",
        "OverlappedBlitRect_32x32_MP_s=6.51042",
        "Composite_16x16_Ops_s=1666.67",
        "Composite_16x16_MP_s=0.406901",
        "Composite_32x32_Ops_s=1666.67",
        "Composite_32x32_MP_s=1.6276",
        "CompositePremultAlpha=1",
        "CompositeSrcMask_16x16_Ops_s=1428.57",
        "CompositeSrcMask_16x16_MP_s=0.348772",
        "CompositeSrcMask_32x32_Ops_s=1428.57",
        "CompositeSrcMask_32x32_MP_s=1.39509",
        "CompositeSrcMaskCombineAlphas=1",
        "CompositeSrcMaskPremultAlpha=1",
        "Random_Ops_s=40000",
        "Random_MP_s=38.147",
    };
    EXPECT_EQ(test.fields(&searchKeys), expectedFields);
    EXPECT_EQ(searchKeys, std::vector<bool>(expectedFields.size(), true));

    const std::vector<std::string> expectedStatus = {
        kPrefix + "Running FillRect test with size=(16, 16) (test 3 of 13). Please be patient...",
        kPrefix + "Running FillRect test with size=(32, 32) (test 4 of 13). Please be patient...",
        kPrefix + "Running BltBitMap test with size=(16, 16) (test 5 of 13). Please be patient...",
        kPrefix + "Running BltBitMap test with size=(32, 32) (test 6 of 13). Please be patient...",
        kPrefix + "Running OverlappedBltBitMap test with size=(16, 16) (test 7 of 13). Please be patient...",
        kPrefix + "Running OverlappedBltBitMap test with size=(32, 32) (test 8 of 13). Please be patient...",
        kPrefix + "Running Composite test with size=(16, 16) (test 9 of 13). Please be patient...",
        kPrefix + "Running Composite test with size=(32, 32) (test 10 of 13). Please be patient...",
        kPrefix + "Running CompositeSrcMask test with size=(16, 16) (test 11 of 13). Please be patient...",
        kPrefix + "Running CompositeSrcMask test with size=(32, 32) (test 12 of 13). Please be patient...",
        kPrefix + "Running Random test (test 13 of 13). Please be patient...",
    };
    EXPECT_EQ(test.statusMessages, expectedStatus);

    EXPECT_EQ(test.pixelArrayFirst, 1);
    EXPECT_EQ(test.pixelArrayTotal, 13);
    EXPECT_EQ(test.pixelArrayMinimum, 1000u);

    // Start counts: 10000, 20000 for the overlapped copies, 80000 for the random mix.
    const std::vector<std::pair<std::string, int32_t>> starts = {
        {"fill", 10000}, {"blit", 10000}, {"overlapped", 20000},
        {"composite", 10000}, {"srcmask", 10000}, {"random", 80000}};
    for (const auto& start : starts) {
        for (const auto& call : test.callsOf(start.first)) {
            EXPECT_EQ(call.count, start.second) << start.first;
        }
    }
}

TEST_F(BenchmarkRunnerTest, KeepsFixedNotationButRestoresEachStreamsPrecision) {
    console.precision(4);
    transcript.precision(9);
    FakeGfxTest test(output, 0x02, 100, 56, 20);
    test.runTests(1000);
    EXPECT_EQ(console.precision(), 4);
    EXPECT_EQ(transcript.precision(), 9);
    EXPECT_TRUE(console.flags() & std::ios_base::fixed);
    EXPECT_TRUE(transcript.flags() & std::ios_base::fixed);
}

TEST_F(BenchmarkRunnerTest, DisplayOf1280x1024WithA20PixelStripRunsSizes16To512) {
    FakeGfxTest test(output, 0x1F, 1280, 1024, 20);
    EXPECT_TRUE(test.runTests(1000));
    const std::vector<int32_t> sizes = {16, 32, 64, 128, 256, 512};
    EXPECT_EQ(sizesOf(test, "fill"), sizes);
    EXPECT_EQ(sizesOf(test, "blit"), sizes);
    EXPECT_EQ(sizesOf(test, "overlapped"), sizes);
    EXPECT_EQ(sizesOf(test, "composite"), sizes);
    EXPECT_EQ(sizesOf(test, "srcmask"), sizes);
    // 2 + 6 + 12 + 12 + 1
    EXPECT_EQ(test.pixelArrayTotal, 33);
    EXPECT_EQ(test.statusMessages.back(),
              kPrefix + "Running Random test (test 33 of 33). Please be patient...");
}

TEST_F(BenchmarkRunnerTest, SingleGroupCountsOnlyItsOwnTests) {
    FakeGfxTest fill(output, 0x02, 1280, 1024, 20);
    fill.runTests(1000);
    EXPECT_EQ(fill.statusMessages.back(),
              kPrefix + "Running FillRect test with size=(512, 512) (test 6 of 6). Please be patient...");

    FakeGfxTest blit(output, 0x04, 1280, 1024, 20);
    blit.runTests(1000);
    EXPECT_EQ(blit.statusMessages.back(),
              kPrefix + "Running OverlappedBltBitMap test with size=(512, 512) (test 12 of 12). Please be patient...");

    FakeGfxTest composite(output, 0x08, 1280, 1024, 20);
    composite.runTests(1000);
    EXPECT_EQ(composite.statusMessages.front(),
              kPrefix + "Running Composite test with size=(16, 16) (test 1 of 12). Please be patient...");
    EXPECT_TRUE(composite.callsOf("fill").empty());
    EXPECT_TRUE(composite.callsOf("random").empty());
    EXPECT_EQ(composite.pixelArrayFirst, -1);
}

TEST_F(BenchmarkRunnerTest, WideDisplayIsLimitedTo1024AndAllGroupsCount38Tests) {
    FakeGfxTest test(output, 0x1F, 1920, 1200, 20);
    EXPECT_TRUE(test.runTests(1000));
    EXPECT_EQ(sizesOf(test, "fill"), (std::vector<int32_t>{16, 32, 64, 128, 256, 512, 1024}));
    EXPECT_EQ(test.pixelArrayTotal, 38);
    EXPECT_EQ(test.statusMessages.back(),
              kPrefix + "Running Random test (test 38 of 38). Please be patient...");
    EXPECT_EQ(test.record->getField(test.record->getNumFields() - 3)->getName(),
              "CompositeSrcMask_1024x1024_MP_s");
}

TEST_F(BenchmarkRunnerTest, NarrowDisplayLimitsTheSizesByItsWidth) {
    // min(300, 1004) = 300: the last size is 256.
    FakeGfxTest test(output, 0x02, 300, 1024, 20);
    test.runTests(1000);
    EXPECT_EQ(sizesOf(test, "fill"), (std::vector<int32_t>{16, 32, 64, 128, 256}));
}

TEST_F(BenchmarkRunnerTest, SizeEqualToTheMaximumIsIncluded) {
    FakeGfxTest test(output, 0x02, 64, 84, 20);
    test.runTests(1000);
    EXPECT_EQ(sizesOf(test, "fill"), (std::vector<int32_t>{16, 32, 64}));
}

TEST_F(BenchmarkRunnerTest, MaximumBelow16PrintsOnlyTitlesHeadersAndEmptyLines) {
    FakeGfxTest test(output, 0x0E, 100, 35, 20);  // 15 pixels below the strip
    EXPECT_TRUE(test.runTests(1000));
    const std::string expected =
        "FillRect:\n" + kHeader + "\n" +
        "BltBitMap:\n" + kHeader + "\n" +
        "OverlappedBltBitMap:\n" + kHeader + "\n" +
        "Composite:\n" + kHeader + "\n" +
        "CompositeSrcMask:\n" + kHeader + "\n";
    EXPECT_EQ(console.str(), expected);
    EXPECT_TRUE(test.calls.empty());
    EXPECT_EQ(test.record->getNumFields(), 0);
}

TEST_F(BenchmarkRunnerTest, StatusStripTallerThanTheDisplayLeavesNoSizes) {
    // The drawing height would be negative; it must not turn into a huge unsigned size.
    FakeGfxTest test(output, 0x12, 1280, 10, 20);
    EXPECT_TRUE(test.runTests(1000));
    EXPECT_TRUE(test.callsOf("fill").empty());
    EXPECT_EQ(test.statusMessages,
              std::vector<std::string>{kPrefix + "Running Random test (test 1 of 1). Please be patient..."});
}

TEST_F(BenchmarkRunnerTest, NoTestFlagsRunsNothingAndPasses) {
    FakeGfxTest test(output, 0, 1280, 1024, 20);
    EXPECT_TRUE(test.runTests(1000));
    EXPECT_TRUE(test.calls.empty());
    EXPECT_TRUE(test.statusMessages.empty());
    EXPECT_EQ(test.pixelArrayFirst, -1);
    EXPECT_EQ(console.str(), "");
    EXPECT_EQ(test.record->getNumFields(), 0);
}

TEST_F(BenchmarkRunnerTest, ZeroSecondsRerunsWithMinimumMicrosecondsTimes1Point1) {
    FakeGfxTest test(output, 0x02, 16, 36, 20);
    test.timeFor = [](const FakeCall& call) { return call.count == 10000 ? 0.0 : 2.0; };
    EXPECT_TRUE(test.runTests(1000));
    const auto calls = test.callsOf("fill");
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[1].count, 11000000);
    // Status message before every run.
    EXPECT_EQ(test.statusMessages.size(), 2u);
    EXPECT_EQ(test.statusMessages[0], test.statusMessages[1]);
    EXPECT_NE(console.str().find("(16, 16)\t       2.000\t 5500000.000\t    1342.773\n"),
              std::string::npos)
        << console.str();
}

TEST_F(BenchmarkRunnerTest, EstimateBeyond32BitsFallsBackToHalfAgainAsMany) {
    FakeGfxTest test(output, 0x02, 16, 36, 20);
    test.timeFor = [](const FakeCall& call) { return call.count == 10000 ? 0.0 : 2.0; };
    EXPECT_TRUE(test.runTests(1000000));
    const auto calls = test.callsOf("fill");
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[1].count, 15000);
}

TEST_F(BenchmarkRunnerTest, ShortRunAimsAt1Point1TimesTheMinimum) {
    // 0.5 s of a 1 s minimum: 80000 * 1.1 / 0.5 = 176000.
    FakeGfxTest test(output, 0x10, 16, 36, 20);
    test.timeFor = [](const FakeCall& call) { return call.count == 80000 ? 0.5 : 1.0; };
    EXPECT_TRUE(test.runTests(1000000));
    const auto calls = test.callsOf("random");
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[1].count, 176000);
    // A time exactly at the minimum is accepted.
    EXPECT_NE(console.str().find("       1.000\t  176000.000\t     167.847\n"), std::string::npos)
        << console.str();
}

TEST_F(BenchmarkRunnerTest, ElevenShortRunsFailTheSizeButStillReportIt) {
    // Sizes 16 and 32; 16 never reaches the minimum, 32 does.
    FakeGfxTest test(output, 0x12, 64, 56, 20);
    test.timeFor = [](const FakeCall& call) {
        return call.width == 16 || call.operation == "random" ? 0.0005 : 2.0;
    };
    EXPECT_FALSE(test.runTests(1000));

    const auto calls = test.callsOf("fill");
    ASSERT_EQ(calls.size(), 12u);
    std::vector<int32_t> counts;
    for (size_t i = 0; i < 11; ++i) {
        EXPECT_EQ(calls[i].width, 16);
        counts.push_back(calls[i].count);
    }
    // Each estimate: 0.001 * 1.1 / 0.0005 * count = 2.2 * count.
    const std::vector<int32_t> expectedCounts = {10000, 22000, 48400, 106480, 234256, 515363,
                                                 1133798, 2494355, 5487581, 12072678, 26559891};
    EXPECT_EQ(counts, expectedCounts);
    EXPECT_EQ(calls[11].width, 32);
    EXPECT_EQ(calls[11].count, 10000);

    // 26559891 / 0.0005 = 53119782000 ops/s; * 256 / 2^20 = 12968696.78 MP/s.
    const std::string expected =
        "FillRect:\n" + kHeader +
        "Test failed. Your graphics card drivers may be faulty.\n"
        "(16, 16)\t       0.001\t53119782000.000\t12968696.777\n"
        "(32, 32)\t       2.000\t    5000.000\t       4.883\n"
        "\n"
        "Random:\n"
        "Time (s)\t       Ops/s\t    MPixel/s\n"
        "Test failed. Your graphics card drivers may be faulty.\n"
        "       0.001\t424958696000.000\t405272193.909\n"
        "\n";
    EXPECT_EQ(console.str(), expected);
    EXPECT_EQ(test.callsOf("random").size(), 11u);

    const std::vector<std::string> fields = test.fields();
    ASSERT_EQ(fields.size(), 6u);
    EXPECT_EQ(fields[0], "FillRect_16x16_Ops_s=5.31198e+10");
    EXPECT_EQ(fields[1], "FillRect_16x16_MP_s=1.29687e+07");
    EXPECT_EQ(fields[2], "FillRect_32x32_Ops_s=5000");
    EXPECT_EQ(fields[4], "Random_Ops_s=4.24959e+11");
    EXPECT_EQ(fields[5], "Random_MP_s=4.05272e+08");
    EXPECT_EQ(test.callsOf("random").back().count, 212479348);
}

TEST_F(BenchmarkRunnerTest, ZeroMinimumNeverAcceptsAZeroSecondRun) {
    // A 0-second run is no measurement even when the minimum is 0: the rates would divide by it.
    FakeGfxTest test(output, 0x02, 16, 36, 20);
    test.timeFor = [](const FakeCall&) { return 0.0; };
    EXPECT_FALSE(test.runTests(0));
    EXPECT_EQ(test.callsOf("fill").size(), 11u);
    EXPECT_EQ(console.str(),
              "FillRect:\n" + kHeader +
              "Test failed. Your graphics card drivers may be faulty.\n"
              "(16, 16)\t       0.000\t       0.000\t       0.000\n"
              "\n");
    EXPECT_EQ(test.fields(), (std::vector<std::string>{"FillRect_16x16_Ops_s=0",
                                                       "FillRect_16x16_MP_s=0"}));
}

TEST_F(BenchmarkRunnerTest, ZeroMinimumAcceptsAnyPositiveTime) {
    FakeGfxTest test(output, 0x02, 16, 36, 20);
    test.timeFor = [](const FakeCall&) { return 0.25; };
    EXPECT_TRUE(test.runTests(0));
    EXPECT_EQ(test.callsOf("fill").size(), 1u);
}

TEST_F(BenchmarkRunnerTest, UnsupportedOperationsPrintTheirMessagePerSizeAndRecordNothing) {
    FakeGfxTest test(output, 0x1C, 64, 56, 20);
    test.timeFor = [](const FakeCall& call) {
        return call.operation == "fill" ? 2.0 : -1.0;
    };
    // The flag comes from the operation, not from a measurement: the note stands.
    test.compositeSetsPremultiplied = true;
    EXPECT_TRUE(test.runTests(1000));

    const std::string expected =
        "BltBitMap:\n" + kHeader +
        "BltBitMap is not supported on this machine (or not hardware accelerated).\n"
        "BltBitMap is not supported on this machine (or not hardware accelerated).\n"
        "\n"
        "OverlappedBltBitMap:\n" + kHeader +
        "OverlappedBltBitMap is not supported on this machine (or not hardware accelerated).\n"
        "OverlappedBltBitMap is not supported on this machine (or not hardware accelerated).\n"
        "\n"
        "Composite:\n" + kHeader +
        "Composite operations are not supported on this machine (or not hardware accelerated).\n"
        "Composite operations are not supported on this machine (or not hardware accelerated).\n"
        "NOTE: Compositing (or alpha blending) used premultiplied alpha mode.\n"
        "\n"
        "CompositeSrcMask:\n" + kHeader +
        "CompositeSrcMask is not supported on this machine (or not hardware accelerated).\n"
        "CompositeSrcMask is not supported on this machine (or not hardware accelerated).\n"
        "\n"
        "Random:\n"
        "Time (s)\t       Ops/s\t    MPixel/s\n"
        "The random test is not supported on this machine (or not hardware accelerated).\n"
        "\n";
    EXPECT_EQ(console.str(), expected);
    EXPECT_EQ(test.fields(), std::vector<std::string>{"CompositePremultAlpha=1"});
    // One run per size, and the test number still advances.
    EXPECT_EQ(test.calls.size(), 9u);
    EXPECT_EQ(test.statusMessages.back(),
              kPrefix + "Running Random test (test 9 of 9). Please be patient...");
    EXPECT_EQ(test.statusMessages[2],
              kPrefix + "Running OverlappedBltBitMap test with size=(16, 16) (test 3 of 9). Please be patient...");
}

TEST_F(BenchmarkRunnerTest, SourceMaskPremultipliedNoteNeedsCombinedAlphas) {
    FakeGfxTest test(output, 0x08, 16, 36, 20);
    test.srcMaskSetsPremultiplied = true;
    test.runTests(1000);
    EXPECT_EQ(console.str().find("NOTE"), std::string::npos);
    EXPECT_EQ(test.fields().size(), 4u);

    std::ostringstream console2, transcript2;
    OutputPair output2(console2, transcript2);
    FakeGfxTest combinedOnly(output2, 0x08, 16, 36, 20);
    combinedOnly.srcMaskSetsCombined = true;
    combinedOnly.runTests(1000);
    EXPECT_NE(console2.str().find(
                  "NOTE: The source mask's alpha channel was multiplied by the source bitmap's "
                  "alpha channel.\n\n"),
              std::string::npos);
    EXPECT_EQ(console2.str().find("premultiplied."), std::string::npos);
    EXPECT_EQ(combinedOnly.fields().back(), "CompositeSrcMaskCombineAlphas=1");
}

TEST_F(BenchmarkRunnerTest, CompositingFlagsPersistAcrossSizes) {
    // Set by the first size only: the note still appears after the group.
    FakeGfxTest test(output, 0x08, 64, 56, 20);
    test.timeFor = [&test](const FakeCall&) {
        test.compositeSetsPremultiplied = false;
        return 2.0;
    };
    test.compositeSetsPremultiplied = true;
    test.runTests(1000);
    EXPECT_NE(console.str().find("NOTE: Compositing (or alpha blending) used premultiplied alpha mode.\n"),
              std::string::npos);
}

TEST_F(BenchmarkRunnerTest, PixelArrayTestsSetTheNumberAndTheFailure) {
    FakeGfxTest test(output, 0x03, 16, 36, 20);
    test.pixelArraySetsFailure = true;
    test.pixelArrayCount = 2;
    EXPECT_FALSE(test.runTests(5000));
    EXPECT_EQ(test.pixelArrayFirst, 1);
    EXPECT_EQ(test.pixelArrayTotal, 3);
    EXPECT_EQ(test.pixelArrayMinimum, 5000u);
    EXPECT_EQ(test.statusMessages.front(),
              kPrefix + "Running FillRect test with size=(16, 16) (test 3 of 3). Please be patient...");
    const std::string start = "WritePixelArray: fake\nReadPixelArray: fake\n\nFillRect:\n" + kHeader;
    EXPECT_EQ(console.str().substr(0, start.size()), start);
}

TEST_F(BenchmarkRunnerTest, RandomMegapixelsComeFromThePixelCounter) {
    FakeGfxTest test(output, 0x10, 16, 36, 20, "P. ");
    test.randomPixelsFor = [](int32_t) { return uint64_t{3} << 40; };  // beyond 32 bits
    test.timeFor = [](const FakeCall&) { return 4.0; };
    EXPECT_TRUE(test.runTests(1000));
    EXPECT_EQ(console.str(),
              "Random:\n"
              "Time (s)\t       Ops/s\t    MPixel/s\n"
              "       4.000\t   20000.000\t  786432.000\n"
              "\n");
    EXPECT_EQ(test.fields(),
              (std::vector<std::string>{"Random_Ops_s=20000", "Random_MP_s=786432"}));
    EXPECT_EQ(test.statusMessages,
              std::vector<std::string>{"P. Running Random test (test 1 of 1). Please be patient..."});
}

TEST_F(BenchmarkRunnerTest, ExceptionsOfTheOperationsPassThrough) {
    FakeGfxTest test(output, 0x02, 16, 36, 20);
    test.timeFor = [](const FakeCall&) -> double {
        throw std::string("ERROR: Could not allocate a bitmap. Test failed.");
    };
    try {
        test.runTests(1000);
        FAIL() << "no exception";
    } catch (const std::string& message) {
        EXPECT_EQ(message, "ERROR: Could not allocate a bitmap. Test failed.");
    }
}

}  // namespace

// A test during which something outside disturbed the run gets a warning line before its row,
// in both streams, and marks the run; the others print as before. The watch is asked before
// every timed run and after the last: a disturbance during the last run is that test's.
TEST_F(BenchmarkRunnerTest, DisturbedTestsAreReportedBeforeTheirRowAndMarkTheRun) {
    struct Case {
        const char* name;
        uint32_t flags;
        std::map<size_t, uint32_t> duringCall;
        uint32_t duringPixelArrays;
        std::string expected;
    };
    const std::string fill16 = "(16, 16)\t       2.000\t    5000.000\t       1.221\n";
    const std::string fill32 = "(32, 32)\t       2.000\t    5000.000\t       4.883\n";
    const std::string random = "       2.000\t   40000.000\t       0.076\n";
    const std::string fills = "FillRect:\n" + kHeader;
    const std::string randoms = "Random:\nTime (s)\t       Ops/s\t    MPixel/s\n";
    const std::vector<Case> cases = {
        {"undisturbed", 0x12, {}, 0, fills + fill16 + fill32 + "\n" + randoms + random + "\n"},
        {"second fill size minimised", 0x02, {{1, DISTURBANCE_MINIMISED}}, 0,
         fills + fill16 +
             "WARNING: This test was disturbed (the test window was minimised), so its result is "
             "not a normal one.\n" + fill32 + "\n"},
        {"random lost full screen and occluded", 0x12,
         {{2, DISTURBANCE_LOST_FULL_SCREEN | DISTURBANCE_OCCLUDED}}, 0,
         fills + fill16 + fill32 + "\n" + randoms +
             "WARNING: This test was disturbed (the test window lost full screen, the test "
             "window was hidden), so its result is not a normal one.\n" + random + "\n"},
        {"every reason", 0x02,
         {{0, DISTURBANCE_LOST_FULL_SCREEN | DISTURBANCE_OCCLUDED | DISTURBANCE_DEVICE_REMOVED |
                  DISTURBANCE_LOST_FOREGROUND | DISTURBANCE_MINIMISED}}, 0,
         fills +
             "WARNING: This test was disturbed (the test window lost full screen, the test "
             "window was hidden, the graphics device was removed or reset, another window took "
             "the foreground, the test window was minimised), so its result is not a normal "
             "one.\n" + fill16 + fill32 + "\n"},
        {"pixel arrays, device removed", 0x03, {}, DISTURBANCE_DEVICE_REMOVED,
         "WritePixelArray: fake\nReadPixelArray: fake\n"
         "WARNING: This test was disturbed (the graphics device was removed or reset), so its "
         "result is not a normal one.\n\n" + fills + fill16 + fill32 + "\n"},
    };
    for (const Case& c : cases) {
        console.str("");
        transcript.str("");
        FakeGfxTest test(output, c.flags, 100, 56, 20);
        test.disturbancesDuringCall = c.duringCall;
        test.pixelArrayDisturbances = c.duringPixelArrays;
        test.randomPixelsFor = [](int32_t count) { return static_cast<uint64_t>(count) * 2; };
        EXPECT_TRUE(test.runTests(1000)) << c.name;
        EXPECT_EQ(console.str(), c.expected) << c.name;
        EXPECT_EQ(transcript.str(), c.expected) << c.name;
        EXPECT_EQ(test.wasDisturbed(), c.expected.find("WARNING") != std::string::npos) << c.name;
    }
}

TEST_F(BenchmarkRunnerTest, TheWatchIsAskedBeforeEveryTimedRunAndAfterTheLast) {
    // Size 16 takes two runs (the first too short), size 32 one.
    FakeGfxTest test(output, 0x02, 100, 56, 20);
    test.timeFor = [](const FakeCall& call) { return call.count == 10000 && call.width == 16 ? 0.0005 : 2.0; };
    EXPECT_TRUE(test.runTests(1000));
    ASSERT_EQ(test.calls.size(), 3u);
    EXPECT_EQ(test.pollsAt, (std::vector<size_t>{0, 1, 1, 2, 2, 3}));
}
