#pragma once

#include <cstdint>

// The process-wide debug level that the command line sets ("-d n", "-v") and the server
// client reads at every debug line. -1 until set. One thread only.
int32_t getDebugLevel();
void setDebugLevel(int32_t level);
