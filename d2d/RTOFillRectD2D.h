#pragma once

#include <d2d1.h>

#include <cstdint>

#include "core/RTOKorvid.h"
#include "base/ComPtr.h"

// Random test: a solid square in a random colour (a third draw after the position).
class RTOFillRectD2D : public RTOKorvid {
public:
    // Creates its own opaque black brush; throws "ERROR: Could not allocate a solid brush."
    RTOFillRectD2D(int32_t maximumSize, ID2D1RenderTarget* renderTarget, uint32_t displayWidth,
                   int32_t displayHeight, int32_t statusHeight);

    void draw(uint32_t width, uint32_t height) override;

private:
    ID2D1RenderTarget* renderTarget;
    ComPtr<ID2D1SolidColorBrush> brush;
    uint32_t displayWidth;
    int32_t displayHeight;
    int32_t statusHeight;
};
