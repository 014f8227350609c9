#include "gdi/GDIRandomOperation.h"

#include "core/RandomGenerator.h"
#include "gdi/DrawingPlacement.h"
#include "gdi/RandomDrawObserver.h"

GDIRandomOperation::GDIRandomOperation(int32_t maximumSize, const Surfaces& surfaces)
    : RTOKorvid(maximumSize), dc(surfaces.window), memory(surfaces.memory),
      displayWidth(surfaces.displayWidth), displayHeight(surfaces.displayHeight),
      statusHeight(surfaces.statusHeight), observer(surfaces.observer)
{
}

int GDIRandomOperation::xRange(uint32_t width) const
{
    return static_cast<int>(displayWidth) - static_cast<int>(width);
}

int GDIRandomOperation::yRange(uint32_t height) const
{
    return displayHeight - statusHeight - static_cast<int>(height);
}

int GDIRandomOperation::randomX(uint32_t width) const
{
    return positionInRange(nextRandom(), xRange(width));
}

int GDIRandomOperation::randomY(uint32_t height) const
{
    return positionInRange(nextRandom(), yRange(height)) + statusHeight;
}

void GDIRandomOperation::counted(const char* operation, uint32_t width, uint32_t height)
{
    pixelCount += static_cast<uint64_t>(width) * height;
    if (observer != nullptr) {
        observer->drawn(operation, width, height);
    }
}
