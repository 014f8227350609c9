#pragma once

#include <d3d10_1.h>
#include <dxgi.h>

#include <cstdint>

#include "core/DisturbanceWatch.h"

// What disturbs a Direct2D test: the swap chain losing exclusive full screen (Alt-Tab, a UAC
// prompt), another window taking the foreground, Present finding the window occluded (display
// asleep, locked), the window minimised, and the device removed or reset (driver update or
// crash).
class D2DDisturbanceWatch : public DisturbanceWatch {
public:
    // The test's window, swap chain and device, which outlive the watch.
    D2DDisturbanceWatch(HWND window, IDXGISwapChain* swapChain, ID3D10Device* device);

    // Every Present's result, kept until the next poll.
    void notePresent(HRESULT result);
    uint32_t poll() override;

private:
    HWND window_;
    IDXGISwapChain* swapChain_;
    ID3D10Device* device_;
    bool startedFullScreen_ = false;
    uint32_t seen_ = 0;
};
