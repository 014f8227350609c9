#include <windows.h>
#include <mmsystem.h>

#include "core/MicrosecondClock.h"

namespace {

// The multimedia timer; the run raises its resolution to 1 ms for the whole run.
class MultimediaTimer : public MillisecondTimer {
public:
    uint32_t readMilliseconds() override { return static_cast<uint32_t>(timeGetTime()); }
};

}  // namespace

MillisecondTimer& platformMillisecondTimer() {
    static MultimediaTimer timer;
    return timer;
}
