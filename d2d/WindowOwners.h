#pragma once

#include <windows.h>

// A registered window class, unregistered when the owner goes, so that the next test can
// register it again.
class RegisteredWindowClass {
public:
    RegisteredWindowClass() = default;
    ~RegisteredWindowClass() { reset(); }
    RegisteredWindowClass(const RegisteredWindowClass&) = delete;
    RegisteredWindowClass& operator=(const RegisteredWindowClass&) = delete;

    // False when RegisterClassA fails; nothing is owned then.
    bool registerClass(const WNDCLASSA& windowClass) {
        reset();
        if (!RegisterClassA(&windowClass)) {
            return false;
        }
        instance_ = windowClass.hInstance;
        name_ = windowClass.lpszClassName;
        return true;
    }

    HINSTANCE instance() const { return instance_; }

    void reset() {
        if (instance_) {
            UnregisterClassA(name_, instance_);
            instance_ = nullptr;
            name_ = nullptr;
        }
    }

private:
    HINSTANCE instance_ = nullptr;
    const char* name_ = nullptr;  // a string literal of the owner's class
};

// A window, destroyed when the owner goes.
class OwnedWindow {
public:
    OwnedWindow() = default;
    ~OwnedWindow() { reset(); }
    OwnedWindow(const OwnedWindow&) = delete;
    OwnedWindow& operator=(const OwnedWindow&) = delete;

    void adopt(HWND window) {
        reset();
        window_ = window;
    }
    HWND get() const { return window_; }
    explicit operator bool() const { return window_ != nullptr; }

    void reset() {
        if (window_) {
            DestroyWindow(window_);
            window_ = nullptr;
        }
    }

private:
    HWND window_ = nullptr;
};
