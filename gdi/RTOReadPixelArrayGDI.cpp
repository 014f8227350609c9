#include "gdi/RTOReadPixelArrayGDI.h"

void RTOReadPixelArrayGDI::draw(uint32_t width, uint32_t height)
{
    const int x = randomX(width);
    const int y = randomY(height);
    BitBlt(memory, x, y, static_cast<int>(width), static_cast<int>(height), dc, x, y, SRCCOPY);
    counted("ReadPixelArray", width, height);
}
