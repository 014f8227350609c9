#pragma once

#include <windows.h>

#include <cstdint>

#include "gdi/GdiObject.h"
#include "gdi/MemoryDC.h"
#include "gdi/SelectedObject.h"

// A top-down DIB section of the display's size and depth in system memory, selected into its
// own memory context: the processor side of the pixel-array transfers. Going out of scope
// deletes the context, then the bitmap.
class PixelArrayBitmap {
public:
    // Throws "ERROR: Could not create a temporary bitmap" or "ERROR: Could not create a device
    // context for a temporary bitmap. Test failed."
    PixelArrayBitmap(HDC compatibleWith, uint32_t width, int32_t height, uint32_t bitsPerPixel);

    HDC dc() const { return memory_.get(); }
    void* bits() const { return bits_; }

private:
    GdiObject bitmap_;
    MemoryDC memory_;
    SelectedObject selection_;
    void* bits_ = nullptr;
};
