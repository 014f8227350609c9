#include "gdi/RTOCompositeGDI.h"

void RTOCompositeGDI::draw(uint32_t width, uint32_t height)
{
    const int x = randomX(width);
    const int y = randomY(height);
    const int w = static_cast<int>(width);
    const int h = static_cast<int>(height);
    BLENDFUNCTION blend;
    blend.BlendOp = AC_SRC_OVER;
    blend.BlendFlags = 0;
    blend.SourceConstantAlpha = 255;
    blend.AlphaFormat = AC_SRC_ALPHA;
    GdiAlphaBlend(dc, x, y, w, h, memory, 0, 0, w, h, blend);
    counted("Composite", width, height);
}
