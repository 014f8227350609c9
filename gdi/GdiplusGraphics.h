#pragma once

#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

// A GDI+ graphics object drawing into a device context, deleted when the owner goes. Null
// when GDI+ could not create it; GDI+ calls on null fail harmlessly.
class GdiplusGraphics {
public:
    explicit GdiplusGraphics(HDC dc)
    {
        if (Gdiplus::DllExports::GdipCreateFromHDC(dc, &graphics_) != Gdiplus::Ok) {
            graphics_ = nullptr;
        }
    }
    ~GdiplusGraphics()
    {
        if (graphics_ != nullptr) {
            Gdiplus::DllExports::GdipDeleteGraphics(graphics_);
        }
    }
    GdiplusGraphics(const GdiplusGraphics&) = delete;
    GdiplusGraphics& operator=(const GdiplusGraphics&) = delete;

    Gdiplus::GpGraphics* get() const { return graphics_; }

private:
    Gdiplus::GpGraphics* graphics_ = nullptr;
};
