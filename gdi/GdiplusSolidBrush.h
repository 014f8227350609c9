#pragma once

#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

// A GDI+ solid brush, deleted when the owner goes.
class GdiplusSolidBrush {
public:
    explicit GdiplusSolidBrush(Gdiplus::ARGB colour)
    {
        if (Gdiplus::DllExports::GdipCreateSolidFill(colour, &brush_) != Gdiplus::Ok) {
            brush_ = nullptr;
        }
    }
    ~GdiplusSolidBrush()
    {
        if (brush_ != nullptr) {
            Gdiplus::DllExports::GdipDeleteBrush(brush_);
        }
    }
    GdiplusSolidBrush(const GdiplusSolidBrush&) = delete;
    GdiplusSolidBrush& operator=(const GdiplusSolidBrush&) = delete;

    Gdiplus::GpSolidFill* get() const { return brush_; }

private:
    Gdiplus::GpSolidFill* brush_ = nullptr;
};
