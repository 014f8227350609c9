#pragma once

#include <windows.h>

#include <cstdint>

#include "core/DisturbanceWatch.h"

// What disturbs a GDI test: another window taking the foreground over the topmost test window
// (a UAC prompt, a notification, Alt-Tab), or the test window minimised.
class GDIDisturbanceWatch : public DisturbanceWatch {
public:
    explicit GDIDisturbanceWatch(HWND window) : window_(window) {}
    uint32_t poll() override;

private:
    HWND window_;
};
