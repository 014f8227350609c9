#pragma once

#include <windows.h>

// A registered window class, unregistered when the owner goes. An owner that holds no
// registration (null instance) does nothing.
class WindowClassRegistration {
public:
    WindowClassRegistration() = default;
    ~WindowClassRegistration() { reset(); }
    WindowClassRegistration(const WindowClassRegistration&) = delete;
    WindowClassRegistration& operator=(const WindowClassRegistration&) = delete;

    // Registers the class; false (and nothing held) on failure.
    bool registerClass(const WNDCLASSA& windowClass)
    {
        reset();
        if (RegisterClassA(&windowClass) == 0) {
            return false;
        }
        instance_ = windowClass.hInstance;
        className_ = windowClass.lpszClassName;
        return true;
    }

    void reset()
    {
        if (instance_ != nullptr) {
            UnregisterClassA(className_, instance_);
            instance_ = nullptr;
        }
    }

    HINSTANCE instance() const { return instance_; }

private:
    HINSTANCE instance_ = nullptr;
    const char* className_ = nullptr; // a literal: outlives the registration
};
