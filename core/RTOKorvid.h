#pragma once

#include <cstdint>

#include "core/RandomTestOperation.h"

// Base of every real drawing operation of the random test: draws one random square size per
// execute and counts the pixels its draws cover.
class RTOKorvid : public RandomTestOperation {
public:
    // maximumSize: the largest square the back end's drawing area takes.
    explicit RTOKorvid(int32_t maximumSize);

    void prepare() override;
    // size = 16 + nextRandom() % (maximum - 16 + 1); draw(size, size). Always one random draw.
    void execute() override;
    void clearPixelCount() override;

    uint64_t getPixelCount() const { return pixelCount; }
    int32_t getMinimumSize() const { return minimumSize; }
    int32_t getMaximumSize() const { return maximumSize; }

    // One operation of that size at a random position; adds width * height to pixelCount.
    virtual void draw(uint32_t width, uint32_t height) = 0;

protected:
    uint64_t pixelCount;
    int32_t minimumSize;
    int32_t maximumSize;
};
