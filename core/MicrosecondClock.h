#pragma once

#include <cstdint>

// The process-wide microsecond clock every timed operation reads before and after its work:
// the platform's millisecond timer (timeGetTime on Windows) times 1000, with the 32-bit wrap
// of the millisecond reading carried, so readings never go backwards.
uint64_t readMicrosecondClock();

// Source of raw 32-bit millisecond readings.
class MillisecondTimer {
public:
    virtual ~MillisecondTimer();
    virtual uint32_t readMilliseconds() = 0;
};

// The platform's millisecond timer behind readMicrosecondClock (timeGetTime on Windows, the
// monotonic clock elsewhere; both wrap at 2^32 ms).
MillisecondTimer& platformMillisecondTimer();

// Turns raw millisecond readings into a monotonic 64-bit microsecond count. One instance with
// the platform timer is the process-wide clock; tests drive their own across the wrap.
class MicrosecondClock {
public:
    explicit MicrosecondClock(MillisecondTimer& timer) : timer_(timer) {}

    uint64_t read();

private:
    MillisecondTimer& timer_;
    uint64_t previous_ = 0;    // last reading in microseconds, before the wrap offset
    uint64_t wrapOffset_ = 0;  // 2^32 ms in microseconds per wrap seen
};
