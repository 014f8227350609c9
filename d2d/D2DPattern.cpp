#include "d2d/D2DPattern.h"

#include "core/RandomGenerator.h"
#include "d2d/D2DDrawing.h"

HRESULT paintPattern(ID2D1RenderTarget* target, ID2D1SolidColorBrush* brush, uint32_t width,
                     uint32_t height, bool translucent, bool clearFirst) {
    target->BeginDraw();
    if (clearFirst) {
        const D2D1_COLOR_F transparent = {0.0f, 0.0f, 0.0f, 0.0f};
        target->Clear(&transparent);
    }
    uint32_t counter = 0;
    uint32_t index = 0;
    do {
        const int randomWidth = nextRandom();
        const int randomHeight = nextRandom();
        const int randomX = nextRandom();
        const int randomY = nextRandom();
        const PatternRectangle r = patternRectangle(randomWidth, randomHeight, randomX, randomY,
                                                    width, height, width, height);
        const D2D1_COLOR_F colour =
            colourF(colourForCounter(counter, translucent ? translucentAlpha(index) : 1.0f));
        brush->SetColor(&colour);
        const D2D1_RECT_F rect = rectF(r.x, r.y, r.x + r.width, r.y + r.height);
        target->FillRectangle(&rect, brush);
        counter += COLOUR_COUNTER_STEP;
        ++index;
    } while (counter != PATTERN_COUNTER_END);
    return target->EndDraw();
}
