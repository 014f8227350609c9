#pragma once

#include <windows.h>

#include <cstdint>

#include "core/RTOKorvid.h"

class RandomDrawObserver;

// What the GDI random-test operations share: the window's device context, a memory context
// (the pixel-array bitmap or the off-screen source, where one is needed), the display size and
// the status strip. None of the contexts is owned.
class GDIRandomOperation : public RTOKorvid {
public:
    struct Surfaces {
        HDC window;
        HDC memory;
        uint32_t displayWidth;
        int32_t displayHeight;
        int32_t statusHeight;
        RandomDrawObserver* observer; // null in the program
    };

    GDIRandomOperation(int32_t maximumSize, const Surfaces& surfaces);

protected:
    int xRange(uint32_t width) const;
    int yRange(uint32_t height) const;
    // A random left edge (0 when the square is as wide as the display).
    int randomX(uint32_t width) const;
    // A random top edge within the drawing area, below the status strip.
    int randomY(uint32_t height) const;
    // Adds the square to the pixel count and tells the observer, if any.
    void counted(const char* operation, uint32_t width, uint32_t height);

    HDC dc;
    HDC memory;
    uint32_t displayWidth;
    int32_t displayHeight;
    int32_t statusHeight;
    RandomDrawObserver* observer;
};
