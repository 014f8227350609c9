#pragma once

#include <windows.h>

// A window, destroyed when the owner goes.
class WindowHandle {
public:
    WindowHandle() = default;
    explicit WindowHandle(HWND window) : window_(window) {}
    ~WindowHandle() { reset(); }
    WindowHandle(const WindowHandle&) = delete;
    WindowHandle& operator=(const WindowHandle&) = delete;

    void reset(HWND window = nullptr)
    {
        if (window_ != nullptr) {
            DestroyWindow(window_);
        }
        window_ = window;
    }

    HWND get() const { return window_; }

private:
    HWND window_ = nullptr;
};
