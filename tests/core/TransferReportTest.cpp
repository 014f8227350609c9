#include "core/TransferReport.h"

#include "base/OutputPair.h"
#include "results/BCObject.h"

#include <gtest/gtest.h>

#include <iomanip>
#include <sstream>

namespace {

struct Reported {
    std::string console, transcript;
    bool failed = false;
    std::shared_ptr<BCObject> record = std::make_shared<BCObject>("KorvidResult");
    std::streamsize consolePrecision = 0, transcriptPrecision = 0;
    bool consoleFixed = false;
    std::ios_base::fmtflags transcriptFlags{};
};

Reported report(const char* name, const TransferMeasurement& m, bool failedBefore = false,
                StreamsAfterTransfer after = StreamsAfterTransfer::restorePrecision)
{
    Reported r;
    r.failed = failedBefore;
    std::ostringstream console, transcript;
    console << std::setprecision(3);
    transcript << std::setprecision(4) << std::scientific;
    OutputPair out(console, transcript);
    reportTransfer(out, *r.record, name, m, r.failed, after);
    r.console = console.str();
    r.transcript = transcript.str();
    r.consolePrecision = console.precision();
    r.transcriptPrecision = transcript.precision();
    r.consoleFixed = (console.flags() & std::ios_base::fixed) != 0;
    r.transcriptFlags = transcript.flags();
    return r;
}

TransferMeasurement measured(double mibPerSecond, double seconds, bool gaveUp)
{
    TransferMeasurement m{};
    m.mibPerSecond = mibPerSecond;
    m.elapsedSeconds = seconds;
    m.gaveUp = gaveUp;
    return m;
}

} // namespace

TEST(TransferReport, ResultLineAndField)
{
    Reported r = report("WritePixelArray", measured(15382.76612, 1.844, false));
    EXPECT_EQ(r.console, "WritePixelArray: 15382.766 MiB/s (took 1.844000 seconds). \n");
    EXPECT_EQ(r.transcript, r.console);
    EXPECT_FALSE(r.failed);
    ASSERT_EQ(r.record->getNumFields(), 1);
    EXPECT_EQ(r.record->getField(0)->getName(), "WritePixelArray_MiB_s");
    EXPECT_EQ(r.record->getField(0)->getValue(), "15382.8");
    EXPECT_TRUE(r.record->getField(0)->isSearchKey());
}

TEST(TransferReport, PrecisionOfEachStreamIsRestoredFixedStays)
{
    Reported r = report("ReadPixelArray", measured(0.5, 0.25, false));
    EXPECT_EQ(r.console, "ReadPixelArray: 0.500 MiB/s (took 0.250000 seconds). \n");
    EXPECT_EQ(r.consolePrecision, 3);
    EXPECT_EQ(r.transcriptPrecision, 4);
    EXPECT_TRUE(r.consoleFixed);
    EXPECT_EQ(r.record->getField(0)->getName(), "ReadPixelArray_MiB_s");
    EXPECT_EQ(r.record->getField(0)->getValue(), "0.5");
}

TEST(TransferReport, GivingUpPrintsTheMessageFirstAndSetsTheFlag)
{
    Reported r = report("ReadPixelArray", measured(1234.5, 0.0125, true));
    EXPECT_EQ(r.transcript,
              "Test failed. Your graphics card drivers may be faulty.\n"
              "ReadPixelArray: 1234.500 MiB/s (took 0.012500 seconds). \n");
    EXPECT_EQ(r.console, r.transcript);
    EXPECT_TRUE(r.failed);
    EXPECT_EQ(r.record->getField(0)->getValue(), "1234.5");
}

TEST(TransferReport, SuccessLeavesAnEarlierFailureStanding)
{
    Reported r = report("WritePixelArray", measured(1.0, 2.0, false), true);
    EXPECT_TRUE(r.failed);
}

TEST(TransferReport, ConsoleFlagsRestoredOnBothStreamsPrecisionStaysAtSix)
{
    // The Direct2D way: the transcript, scientific before, gets the console's flags (neither
    // fixed nor scientific), and both keep the precision of the elapsed seconds.
    Reported r = report("WritePixelArray", measured(2.0, 1.5, false), false,
                        StreamsAfterTransfer::restoreConsoleFlags);
    EXPECT_EQ(r.console, "WritePixelArray: 2.000 MiB/s (took 1.500000 seconds). \n");
    EXPECT_EQ(r.transcript, r.console);
    EXPECT_FALSE(r.consoleFixed);
    EXPECT_EQ(r.transcriptFlags & std::ios_base::floatfield, std::ios_base::fmtflags{});
    EXPECT_EQ(r.consolePrecision, 6);
    EXPECT_EQ(r.transcriptPrecision, 6);
}
