#pragma once

#include <windows.h>

// A window's device context from GetDC, given back with ReleaseDC when the owner goes.
class WindowDC {
public:
    WindowDC() = default;
    ~WindowDC() { reset(); }
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;

    // False when the window gives no device context.
    bool acquire(HWND window)
    {
        reset();
        dc_ = GetDC(window);
        if (dc_ == nullptr) {
            return false;
        }
        window_ = window;
        return true;
    }

    void reset()
    {
        if (dc_ != nullptr) {
            ReleaseDC(window_, dc_);
            dc_ = nullptr;
            window_ = nullptr;
        }
    }

    HDC get() const { return dc_; }

private:
    HWND window_ = nullptr;
    HDC dc_ = nullptr;
};
