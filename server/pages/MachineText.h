#pragma once

#include <string>

#include "server/store/StoredResult.h"

// A machine's figures written as the console writes them when the program starts: six
// significant digits before a binary unit for sizes ("23.5403 GiB") and a decimal one for
// clocks ("3.4 GHz"), and "unknown" where the system did not say (an upload sends 0, or
// nothing, for a size or clock it could not read).

// The text of one of the result's machine fields ("RAMSize"); empty when it has none.
std::string machineField(const StoredResult& result, const std::string& name);

// The whole number such a field holds, or 0 when it holds none (missing, or words).
double machineAmount(const StoredResult& result, const std::string& name);

// "3.4 GHz", "800 MHz", "unknown".
std::string frequencyText(const std::string& decimalHertz);
// "23.5403 GiB", "512 bytes", "unknown"; digits as the console's line for it uses (the video
// memory line is printed with three).
std::string sizeText(const std::string& decimalBytes, int digits = 6);
// "1280x1024@60 Hz (32 bpp)", or ", refresh rate unknown" after it when the rate is 0.
std::string modeText(const StoredResult& result);
