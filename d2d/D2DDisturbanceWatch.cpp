#include "d2d/D2DDisturbanceWatch.h"

#include "core/WindowMessages.h"
#include "d2d/D2DTest.h"

D2DDisturbanceWatch::D2DDisturbanceWatch(HWND window, IDXGISwapChain* swapChain,
                                         ID3D10Device* device)
    : window_(window), swapChain_(swapChain), device_(device) {
    BOOL fullScreen = FALSE;
    startedFullScreen_ = swapChain_ && SUCCEEDED(swapChain_->GetFullscreenState(&fullScreen, nullptr)) &&
                         fullScreen;
}

void D2DDisturbanceWatch::notePresent(HRESULT result) {
    if (result == DXGI_STATUS_OCCLUDED) {
        seen_ |= DISTURBANCE_OCCLUDED;
    } else if (result == DXGI_ERROR_DEVICE_REMOVED || result == DXGI_ERROR_DEVICE_RESET) {
        seen_ |= DISTURBANCE_DEVICE_REMOVED;
    }
}

uint32_t D2DDisturbanceWatch::poll() {
    serviceWindowMessages();
    uint32_t seen = seen_;
    seen_ = 0;
    if (window_ && IsIconic(window_)) {
        seen |= DISTURBANCE_MINIMISED;
    }
    if (window_ && GetForegroundWindow() != window_) {
        seen |= DISTURBANCE_LOST_FOREGROUND;
    }
    BOOL fullScreen = FALSE;
    if (startedFullScreen_ && SUCCEEDED(swapChain_->GetFullscreenState(&fullScreen, nullptr)) &&
        !fullScreen) {
        seen |= DISTURBANCE_LOST_FULL_SCREEN;
    }
    if (device_ && device_->GetDeviceRemovedReason() != S_OK) {
        seen |= DISTURBANCE_DEVICE_REMOVED;
    }
    return seen;
}

DisturbanceWatch* D2DTest::disturbanceWatch() {
    if (!watch) {
        watch = std::make_unique<D2DDisturbanceWatch>(window.get(), swapChain.get(), device.get());
    }
    return watch.get();
}

void D2DTest::present() {
    const HRESULT result = swapChain->Present(0, 0);
    if (watch) {
        watch->notePresent(result);
    }
}
