#pragma once

#include <windows.h>

#include <cstdint>

#include "gdi/GdiObject.h"
#include "gdi/MemoryDC.h"
#include "gdi/SelectedObject.h"

// An off-screen bitmap compatible with the window, selected into its own memory context: the
// source of blits and blends. Going out of scope deletes the bitmap, then the context.
class SourceBitmap {
public:
    // Throws "ERROR: Could not create a device context for the source bitmap. Test failed." or
    // "ERROR: Could not allocate a bitmap. Test failed."
    SourceBitmap(HDC compatibleWith, int32_t width, int32_t height);

    HDC dc() const { return memory_.get(); }

private:
    MemoryDC memory_;
    GdiObject bitmap_;
    SelectedObject selection_;
};
