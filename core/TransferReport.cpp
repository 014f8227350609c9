#include "core/TransferReport.h"

#include <iomanip>
#include <ios>
#include <sstream>
#include <string>

#include "base/OutputPair.h"
#include "results/BCObject.h"

void reportTransfer(OutputPair& output, BCObject& record, const char* testName,
                    const TransferMeasurement& measurement, bool& failed,
                    StreamsAfterTransfer after)
{
    if (measurement.gaveUp) {
        output << "Test failed. Your graphics card drivers may be faulty." << std::endl;
        failed = true;
    }
    const std::streamsize consolePrecision = output.console().precision();
    const std::streamsize transcriptPrecision = output.transcript().precision();
    const std::ios_base::fmtflags consoleFlags = output.console().flags();
    output << testName << ": " << std::fixed << std::setprecision(3) << measurement.mibPerSecond
           << " MiB/s (took " << std::setprecision(6) << measurement.elapsedSeconds
           << " seconds). " << std::endl;
    if (after == StreamsAfterTransfer::restorePrecision) {
        output.console().precision(consolePrecision);
        output.transcript().precision(transcriptPrecision);
    } else {
        output.console().flags(consoleFlags);
        output.transcript().flags(consoleFlags);
    }

    std::ostringstream rate; // six significant digits, as every measurement field
    rate << measurement.mibPerSecond;
    record.addField(std::string(testName) + "_MiB_s", rate.str(), 1);
}
