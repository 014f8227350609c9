#pragma once

#include "core/TransferCalibration.h"

class BCObject;
class OutputPair;

// How the streams are left after the result line. The two back ends have always differed here,
// and what follows in a transcript depends on it.
enum class StreamsAfterTransfer {
    // GDI: each stream gets its own precision back; fixed notation stays on.
    restorePrecision,
    // Direct2D: both streams get the format flags the console had before the line (fixed
    // notation off again if it was off); the precision stays at 6.
    restoreConsoleFlags,
};

// Reports one pixel-array transfer test ("WritePixelArray" or "ReadPixelArray"): the give-up
// message and the failure flag when the calibration gave up, then the result line on both
// streams and the rate as the field <testName>_MiB_s, a search key.
void reportTransfer(OutputPair& output, BCObject& record, const char* testName,
                    const TransferMeasurement& measurement, bool& failed,
                    StreamsAfterTransfer after = StreamsAfterTransfer::restorePrecision);
