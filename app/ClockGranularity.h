#pragma once

#include <cstdint>
#include <functional>

// The average step of the microsecond clock over 100 changes of its reading, in microseconds
// (truncated). Spins without sleeping. 0 means the clock steps faster than once a microsecond.
uint64_t measureClockGranularity(const std::function<uint64_t()>& readClock);

// The same with the process-wide clock (readMicrosecondClock).
uint64_t measureClockGranularity();
