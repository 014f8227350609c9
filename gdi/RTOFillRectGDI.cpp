#include "gdi/RTOFillRectGDI.h"

#include "core/RandomGenerator.h"
#include "gdi/GdiObject.h"

void RTOFillRectGDI::draw(uint32_t width, uint32_t height)
{
    const int x = randomX(width);
    const int y = randomY(height);
    const int colour = nextRandom();
    GdiObject brush(CreateSolidBrush(static_cast<COLORREF>(colour) & 0xFFFFFF));
    RECT area{x, y, x + static_cast<int>(width), y + static_cast<int>(height)};
    FillRect(dc, &area, static_cast<HBRUSH>(brush.get()));
    counted("FillRect", width, height);
}
