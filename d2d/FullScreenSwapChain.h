#pragma once

#include <dxgi.h>

#include "base/ComPtr.h"

// The exclusive full-screen swap chain: it leaves full-screen mode before it is released, as
// DXGI requires, so the display mode is given back on every path out of the test.
class FullScreenSwapChain {
public:
    FullScreenSwapChain() = default;
    ~FullScreenSwapChain() { reset(); }
    FullScreenSwapChain(const FullScreenSwapChain&) = delete;
    FullScreenSwapChain& operator=(const FullScreenSwapChain&) = delete;

    IDXGISwapChain** put() {
        reset();
        return swapChain_.put();
    }
    IDXGISwapChain* get() const { return swapChain_.get(); }
    IDXGISwapChain* operator->() const { return swapChain_.get(); }
    explicit operator bool() const { return static_cast<bool>(swapChain_); }

    void reset() {
        if (swapChain_) {
            swapChain_->SetFullscreenState(FALSE, nullptr);
            swapChain_.reset();
        }
    }

private:
    ComPtr<IDXGISwapChain> swapChain_;
};
