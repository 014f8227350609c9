#include "gdi/RTOOverlappedBltRectGDI.h"

#include "core/RandomGenerator.h"
#include "gdi/DrawingPlacement.h"

void RTOOverlappedBltRectGDI::draw(uint32_t width, uint32_t height)
{
    const int w = static_cast<int>(width);
    const int h = static_cast<int>(height);
    const int sx = randomX(width);
    const int sy = randomY(height) - statusHeight;
    int dx = sx;
    int dy = sy;
    chooseOverlappedDestination(sx, sy, dx, dy, w, h, xRange(width), yRange(height), nextRandom);
    BitBlt(dc, dx, dy + statusHeight, w, h, dc, sx, sy + statusHeight, SRCCOPY);
    counted("OverlappedBltRect", width, height);
}
