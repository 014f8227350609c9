#include "d2d/RTOFillRectD2D.h"

#include <string>

#include "d2d/D2DDrawing.h"

RTOFillRectD2D::RTOFillRectD2D(int32_t maximumSize, ID2D1RenderTarget* renderTarget,
                               uint32_t displayWidth, int32_t displayHeight,
                               int32_t statusHeight)
    : RTOKorvid(maximumSize), renderTarget(renderTarget), displayWidth(displayWidth),
      displayHeight(displayHeight), statusHeight(statusHeight) {
    const D2D1_COLOR_F black = {0.0f, 0.0f, 0.0f, 1.0f};
    if (renderTarget->CreateSolidColorBrush(&black, nullptr, brush.put()) != S_OK || !brush) {
        throw std::string("ERROR: Could not allocate a solid brush.");
    }
}

void RTOFillRectD2D::draw(uint32_t width, uint32_t height) {
    const uint32_t x = randomOffset(static_cast<int64_t>(displayWidth) - width);
    const uint32_t y =
        randomOffset(static_cast<int64_t>(displayHeight) - height - statusHeight) + statusHeight;
    const uint32_t random = static_cast<uint32_t>(nextRandom());
    const D2D1_COLOR_F colour = colourF(colourForCounter(random, 1.0f));
    brush->SetColor(&colour);
    const D2D1_RECT_F rect = rectF(x, y, x + width, y + height);
    renderTarget->FillRectangle(&rect, brush.get());
    pixelCount += static_cast<uint64_t>(width) * height;
}
