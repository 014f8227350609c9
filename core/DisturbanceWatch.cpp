#include "core/DisturbanceWatch.h"

std::string disturbedTestLine(uint32_t disturbances)
{
    static const struct {
        uint32_t bit;
        const char* text;
    } kReasons[] = {
        {DISTURBANCE_LOST_FULL_SCREEN, "the test window lost full screen"},
        {DISTURBANCE_OCCLUDED, "the test window was hidden"},
        {DISTURBANCE_DEVICE_REMOVED, "the graphics device was removed or reset"},
        {DISTURBANCE_LOST_FOREGROUND, "another window took the foreground"},
        {DISTURBANCE_MINIMISED, "the test window was minimised"},
    };
    std::string reasons;
    for (const auto& reason : kReasons) {
        if (disturbances & reason.bit)
            reasons += (reasons.empty() ? "" : ", ") + std::string(reason.text);
    }
    if (reasons.empty())
        reasons = "unknown";
    return "WARNING: This test was disturbed (" + reasons + "), so its result is not a normal one.";
}
