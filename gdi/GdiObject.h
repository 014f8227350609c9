#pragma once

#include <windows.h>

// A GDI object the program created (bitmap, DIB section, brush), deleted when the owner goes.
// It must not be selected into a device context by then (see SelectedObject).
class GdiObject {
public:
    GdiObject() = default;
    explicit GdiObject(HGDIOBJ object) : object_(object) {}
    ~GdiObject() { reset(); }
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;

    void reset(HGDIOBJ object = nullptr)
    {
        if (object_ != nullptr) {
            DeleteObject(object_);
        }
        object_ = object;
    }

    HGDIOBJ get() const { return object_; }

private:
    HGDIOBJ object_ = nullptr;
};
