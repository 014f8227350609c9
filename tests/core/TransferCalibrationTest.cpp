#include "core/TransferCalibration.h"

#include <gtest/gtest.h>

#include <vector>

namespace {
const TransferGeometry fullHD{1920, 1060, 4}; // 1920 × 1080 with a 20-pixel strip
const uint32_t fullHDPitch = 7680;
}

TEST(TransferCalibration, FirstPassOfAFullHDDisplayCopiesTwoWholeFrames)
{
    TransferSplit split = splitTransferBudget(kInitialTransferBudget, fullHD, fullHDPitch);
    EXPECT_EQ(split.copies, 2u);
    EXPECT_EQ(split.rows, 1060u);
    EXPECT_EQ(transferredBytes(split, fullHD), 16281600u);
}

TEST(TransferCalibration, LargeFrameStartsWithPartOfAFrame)
{
    const TransferGeometry big{2560, 2028, 4}; // frame 20766720 bytes > 16588800
    TransferSplit split = splitTransferBudget(kInitialTransferBudget, big, 10240);
    EXPECT_EQ(split.copies, 1u);
    EXPECT_EQ(split.rows, 1620u); // 16588800 / 10240
}

TEST(TransferCalibration, PaddedRowsSplitByThePitchAndCountOnlyThePixels)
{
    // Rows aligned to 256 bytes: 1366 pixels take 5632 bytes, not 5464. Whole frames: 3 of
    // 748 × 5632 bytes fit the first budget (4 would by the packed width), and the bytes
    // moved are the pixels of those 3 frames.
    const TransferGeometry laptop{1366, 748, 4};
    EXPECT_EQ(packedRowPitch(laptop), 5464u);
    const TransferSplit frames = splitTransferBudget(kInitialTransferBudget, laptop, 5632);
    EXPECT_EQ(frames.copies, 3u);
    EXPECT_EQ(frames.rows, 748u);
    EXPECT_EQ(transferredBytes(frames, laptop), 3u * 748u * 1366u * 4u);
    EXPECT_EQ(splitTransferBudget(kInitialTransferBudget, laptop, 5464).copies, 4u);

    // Part of a frame: 2500 pixels padded to 10240 bytes give 16588800 / 10240 rows.
    const TransferGeometry wide{2500, 2028, 4};
    const TransferSplit part = splitTransferBudget(kInitialTransferBudget, wide, 10240);
    EXPECT_EQ(part.copies, 1u);
    EXPECT_EQ(part.rows, 1620u);

    // The calibration passes the pitch on to every split.
    const TransferMeasurement m = measureTransfer(laptop, 5632, 1000000, [](const TransferSplit& s) {
        EXPECT_EQ(s.copies, 3u);
        return 1.0;
    });
    EXPECT_EQ(m.bytes, 3u * 748u * 1366u * 4u);
}

TEST(TransferCalibration, BudgetEqualToAFrameIsOneTransferOfTheFrame)
{
    const TransferGeometry g{1000, 100, 4};
    TransferSplit split = splitTransferBudget(400000, g, 4000);
    EXPECT_EQ(split.copies, 1u);
    EXPECT_EQ(split.rows, 100u);
}

TEST(TransferCalibration, DegenerateGeometryDoesNotDivideByZero)
{
    TransferSplit noRows = splitTransferBudget(kInitialTransferBudget, {320, 0, 4}, 1280);
    EXPECT_EQ(noRows.copies, 1u);
    EXPECT_EQ(noRows.rows, 0u);
    TransferSplit noWidth = splitTransferBudget(kInitialTransferBudget, {0, 220, 4}, 0);
    EXPECT_EQ(noWidth.rows, 0u);
}

TEST(TransferCalibration, BudgetNearFourGiBDoesNotWrap)
{
    // 4 000 000 000 bytes took half of a 1-second minimum: the next pass gets 8.8e9 bytes.
    // A 32-bit budget would have wrapped to 210065408 (and then shrunk further).
    const uint64_t next = nextTransferBudget(4000000000ull, 0.5, 1000000);
    EXPECT_EQ(next, 8800000000ull);

    // An estimate that does not grow the budget: 1.5 times instead, also beyond 4 GiB.
    EXPECT_EQ(nextTransferBudget(4000000000ull, 2.0, 1000000), 6000000000ull);

    // The split and the byte total use the whole value.
    TransferSplit split = splitTransferBudget(next, fullHD, fullHDPitch);
    EXPECT_EQ(split.copies, 8800000000ull / 8140800ull);
    EXPECT_EQ(transferredBytes(split, fullHD), split.copies * 8140800ull);
    EXPECT_GT(transferredBytes(split, fullHD), 0xFFFFFFFFull);
}

TEST(TransferCalibration, ZeroElapsedCountsAsOneClockStep)
{
    // A pass too short for the clock (which steps a thousandth of the minimum duration): the
    // next pass aims at 1.1 times the minimum for a pass of one step, 1100 times the bytes,
    // whatever the minimum duration is.
    EXPECT_EQ(nextTransferBudget(16588800, 0.0, 1020000), 18247680000ull);
    EXPECT_EQ(nextTransferBudget(16588800, 0.0, 2000), 18247680000ull);
    // Beyond 64 bits it saturates rather than converting an out-of-range double.
    EXPECT_EQ(nextTransferBudget(100000000000000000ull, 0.0, 1020000), UINT64_MAX);
}

TEST(TransferCalibration, ZeroFirstPassDoesNotOvershootTheMinimumByFar)
{
    // 40 GiB/s behind a clock with 1 ms steps: the first pass of 16 MB reads 0.
    const double bytesPerSecond = 40.0 * 1073741824.0;
    std::vector<double> passSeconds;
    TransferMeasurement m = measureTransfer(fullHD, fullHDPitch, 1020000, [&](const TransferSplit& s) {
        const double exact = static_cast<double>(transferredBytes(s, fullHD)) / bytesPerSecond;
        passSeconds.push_back(static_cast<double>(static_cast<uint64_t>(exact * 1000.0)) / 1000.0);
        return passSeconds.back();
    });
    EXPECT_FALSE(m.gaveUp);
    ASSERT_GE(passSeconds.size(), 2u);
    EXPECT_EQ(passSeconds[0], 0.0);
    EXPECT_GE(m.elapsedSeconds, 1.02);
    double total = 0.0;
    for (double seconds : passSeconds) {
        total += seconds;
    }
    EXPECT_LT(total, 5.0) << "calibration passes should not run for minutes";
}

TEST(TransferCalibration, FastMachineMeasurementPassesFourGiB)
{
    // A machine moving 20 GiB/s: the passes grow through 4 GiB and the rate comes out right.
    const double bytesPerSecond = 20.0 * 1073741824.0;
    std::vector<uint64_t> passBytes;
    TransferMeasurement m = measureTransfer(fullHD, fullHDPitch, 1000000, [&](const TransferSplit& s) {
        passBytes.push_back(transferredBytes(s, fullHD));
        return static_cast<double>(transferredBytes(s, fullHD)) / bytesPerSecond;
    });
    EXPECT_FALSE(m.gaveUp);
    EXPECT_GE(m.elapsedSeconds, 1.0);
    EXPECT_GT(m.bytes, 0xFFFFFFFFull);
    EXPECT_NEAR(m.mibPerSecond, 20.0 * 1024.0, 0.01);
    ASSERT_GE(passBytes.size(), 2u);
    for (size_t i = 1; i < passBytes.size(); ++i) {
        EXPECT_GT(passBytes[i], passBytes[i - 1]);
    }
}

TEST(TransferCalibration, TooShortPassesGiveUpAfterElevenPasses)
{
    int passes = 0;
    TransferMeasurement m = measureTransfer(fullHD, fullHDPitch, 1000000, [&](const TransferSplit&) {
        ++passes;
        return 0.0;
    });
    EXPECT_TRUE(m.gaveUp);
    EXPECT_EQ(passes, 11);
    EXPECT_EQ(m.passes, 11);
}

TEST(TransferCalibration, LongEnoughFirstPassIsTheResult)
{
    TransferMeasurement m = measureTransfer({320, 220, 4}, 1280, 1000000, [](const TransferSplit& s) {
        EXPECT_EQ(s.copies, 16588800u / 281600u);
        return 2.0;
    });
    EXPECT_EQ(m.passes, 1);
    EXPECT_FALSE(m.gaveUp);
    EXPECT_EQ(m.bytes, 58u * 281600u);
    EXPECT_DOUBLE_EQ(m.mibPerSecond, 58.0 * 281600.0 / 2.0 / 1048576.0);
}

TEST(TransferCalibration, FailedPassGivesUpAtOnceEvenWhenLongEnough)
{
    // The write test of Direct2D shows each pass; a pass that cannot be shown in time ends the
    // calibration, whether or not it lasted the minimum duration.
    std::vector<int> checkedAfter;
    int passes = 0;
    TransferMeasurement m = measureTransfer(
        fullHD, fullHDPitch, 1000000,
        [&](const TransferSplit&) {
            ++passes;
            return passes == 1 ? 0.25 : 3.0;
        },
        [&] {
            checkedAfter.push_back(passes);
            return passes == 2;
        });
    EXPECT_TRUE(m.gaveUp);
    EXPECT_EQ(m.passes, 2);
    EXPECT_EQ(checkedAfter, (std::vector<int>{1, 2}));
    EXPECT_DOUBLE_EQ(m.elapsedSeconds, 3.0);
    EXPECT_DOUBLE_EQ(m.mibPerSecond, static_cast<double>(m.bytes) / 3.0 / 1048576.0);
}

TEST(TransferCalibration, PassesThatArriveDoNotGiveUp)
{
    int checks = 0;
    TransferMeasurement m = measureTransfer(
        fullHD, fullHDPitch, 1000000, [](const TransferSplit&) { return 1.5; },
        [&] {
            ++checks;
            return false;
        });
    EXPECT_FALSE(m.gaveUp);
    EXPECT_EQ(checks, 1);
}

TEST(TransferCalibration, PassOfNoMeasurableTimeHasRateZero)
{
    // With no minimum duration one pass is the result; at 0 seconds its rate is 0, not
    // infinity or NaN.
    TransferMeasurement single = measureTransfer(fullHD, fullHDPitch, 0, [](const TransferSplit&) {
        return 0.0;
    });
    EXPECT_EQ(single.passes, 1);
    EXPECT_FALSE(single.gaveUp);
    EXPECT_EQ(single.mibPerSecond, 0.0);

    TransferMeasurement gaveUp = measureTransfer(fullHD, fullHDPitch, 1000000, [](const TransferSplit&) {
        return 0.0;
    });
    EXPECT_TRUE(gaveUp.gaveUp);
    EXPECT_EQ(gaveUp.mibPerSecond, 0.0);
}
