#include "gdi/DrawingPlacement.h"

namespace {

bool canMove(int range, int size)
{
    return range > 0 && size >= 3;
}

int clamp(int value, int low, int high)
{
    if (value < low) {
        return low;
    }
    if (value > high) {
        return high;
    }
    return value;
}

int nearbyCoordinate(int draw, int source, int size, int range)
{
    const int span = 2 * size - 2;
    const int offset = span > 0 ? draw % span : 0;
    return clamp(offset + source - size + 1, 0, range > 0 ? range : 0);
}

} // namespace

int positionInRange(int draw, int range)
{
    return range > 0 ? draw % range : 0;
}

void chooseOverlappedDestination(int sx, int sy, int& dx, int& dy, int width, int height,
                                 int xRange, int yRange, int (*draw)())
{
    const bool xMoves = canMove(xRange, width);
    const bool yMoves = canMove(yRange, height);
    while ((xMoves && dx == sx) || (yMoves && dy == sy)) {
        dx = nearbyCoordinate(draw(), sx, width, xRange);
        dy = nearbyCoordinate(draw(), sy, height, yRange);
    }
}
