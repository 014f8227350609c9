#include "core/MicrosecondClock.h"

MillisecondTimer::~MillisecondTimer() = default;

uint64_t MicrosecondClock::read() {
    const uint64_t reading = static_cast<uint64_t>(timer_.readMilliseconds()) * 1000u;
    if (reading < previous_) {
        // The 32-bit millisecond counter wrapped (about every 49.7 days).
        wrapOffset_ += (uint64_t{1} << 32) * 1000u;
    }
    previous_ = reading;
    return reading + wrapOffset_;
}

uint64_t readMicrosecondClock() {
    static MicrosecondClock clock(platformMillisecondTimer());
    return clock.read();
}
