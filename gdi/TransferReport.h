#pragma once

#include "gdi/TransferCalibration.h"

class BCObject;
class OutputPair;

// Reports one pixel-array transfer test ("WritePixelArray" or "ReadPixelArray"): the give-up
// message and the failure flag when the calibration ran out of passes, then the result line
// on both streams (their precision restored afterwards) and the rate as the field
// <testName>_MiB_s, a search key.
void reportTransfer(OutputPair& output, BCObject& record, const char* testName,
                    const TransferMeasurement& measurement, bool& failed);
