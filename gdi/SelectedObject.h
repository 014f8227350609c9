#pragma once

#include <windows.h>

// An object selected into a device context; the object that was selected before is put back
// when the owner goes, so the object itself can then be deleted (a selected bitmap cannot).
class SelectedObject {
public:
    SelectedObject() = default;
    ~SelectedObject() { reset(); }
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;

    void select(HDC dc, HGDIOBJ object)
    {
        reset();
        previous_ = SelectObject(dc, object);
        if (previous_ != nullptr && previous_ != HGDI_ERROR) {
            dc_ = dc;
        } else {
            previous_ = nullptr;
        }
    }

    void reset()
    {
        if (dc_ != nullptr) {
            SelectObject(dc_, previous_);
            dc_ = nullptr;
            previous_ = nullptr;
        }
    }

private:
    HDC dc_ = nullptr;
    HGDIOBJ previous_ = nullptr;
};
