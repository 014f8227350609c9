#include "gdi/RTOWritePixelArrayGDI.h"

void RTOWritePixelArrayGDI::draw(uint32_t width, uint32_t height)
{
    const int x = randomX(width);
    const int y = randomY(height);
    BitBlt(dc, x, y, static_cast<int>(width), static_cast<int>(height), memory, x, y, SRCCOPY);
    counted("WritePixelArray", width, height);
}
