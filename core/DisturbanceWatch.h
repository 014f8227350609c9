#pragma once

#include <cstdint>
#include <string>

// What can disturb a timed test from outside the program: another window or the system taking
// the screen, or the graphics device going away. Figures measured meanwhile are not the card's.
enum Disturbance : uint32_t {
    DISTURBANCE_LOST_FULL_SCREEN = 0x01,  // the swap chain left exclusive full screen
    DISTURBANCE_OCCLUDED = 0x02,          // Present found the window hidden
    DISTURBANCE_DEVICE_REMOVED = 0x04,    // the device was removed or reset
    DISTURBANCE_LOST_FOREGROUND = 0x08,   // another window took the foreground
    DISTURBANCE_MINIMISED = 0x10,         // the test window was minimised
};

// A back end's watch on its test window and device. The runner calls poll between measurements
// only, never between two clock readings.
class DisturbanceWatch {
public:
    virtual ~DisturbanceWatch() = default;
    // Services the test window's messages, then returns the disturbances (Disturbance bits)
    // seen since the last call, or 0.
    virtual uint32_t poll() = 0;
};

// The line printed for a test during which the given disturbances happened.
std::string disturbedTestLine(uint32_t disturbances);
