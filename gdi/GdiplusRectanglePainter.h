#pragma once

#include <windows.h>

#include <cstdint>

#include "gdi/GdiplusGraphics.h"
#include "gdi/GdiplusSession.h"
#include "gdi/GdiplusSolidBrush.h"

// Paints the translucent source images with GDI+: one solid brush whose colour steps through
// the ARGB sequence 0, 0x04010041, ... (wrapping), one rectangle per colour. Going out of
// scope deletes the brush and the graphics and shuts GDI+ down, in that order.
class GdiplusRectanglePainter {
public:
    static constexpr uint32_t kColourStep = 67174465; // 0x04010041

    explicit GdiplusRectanglePainter(HDC dc);
    GdiplusRectanglePainter(const GdiplusRectanglePainter&) = delete;
    GdiplusRectanglePainter& operator=(const GdiplusRectanglePainter&) = delete;

    // Fills the rectangle with the next colour of the sequence.
    void fill(int x, int y, int width, int height);
    // Makes GDI+ finish its drawing into the device context.
    void flush();

private:
    GdiplusSession session_;
    GdiplusGraphics graphics_;
    GdiplusSolidBrush brush_;
    uint32_t colour_ = 0;
};
