#include <chrono>

#include "core/MicrosecondClock.h"

namespace {

// The monotonic clock in milliseconds, cut to 32 bits like the multimedia timer.
class SteadyMillisecondTimer : public MillisecondTimer {
public:
    uint32_t readMilliseconds() override {
        const auto now = std::chrono::steady_clock::now().time_since_epoch();
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now).count();
        return static_cast<uint32_t>(static_cast<uint64_t>(ms));
    }
};

}  // namespace

MillisecondTimer& platformMillisecondTimer() {
    static SteadyMillisecondTimer timer;
    return timer;
}
