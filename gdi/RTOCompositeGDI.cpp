#include "gdi/RTOCompositeGDI.h"

#include "gdi/PerPixelAlphaBlend.h"

void RTOCompositeGDI::draw(uint32_t width, uint32_t height)
{
    const int x = randomX(width);
    const int y = randomY(height);
    const int w = static_cast<int>(width);
    const int h = static_cast<int>(height);
    GdiAlphaBlend(dc, x, y, w, h, memory, 0, 0, w, h, perPixelAlphaBlend());
    counted("Composite", width, height);
}
