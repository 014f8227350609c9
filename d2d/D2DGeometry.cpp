#include "d2d/D2DGeometry.h"


uint32_t offsetInRange(int random, int64_t range) {
    if (range <= 0) {
        return 0;
    }
    return static_cast<uint32_t>(static_cast<uint64_t>(static_cast<uint32_t>(random)) %
                                 static_cast<uint64_t>(range));
}

D2DColourValue colourForCounter(uint32_t counter, float alpha) {
    return D2DColourValue{static_cast<float>((counter >> 16) & 255) / 255.0f,
                          static_cast<float>((counter >> 8) & 255) / 255.0f,
                          static_cast<float>(counter & 255) / 255.0f, alpha};
}

float translucentAlpha(uint32_t index) {
    return static_cast<float>(255 - ((17u * index) % 256u)) / 255.0f;
}

PatternRectangle patternRectangle(int randomWidth, int randomHeight, int randomX, int randomY,
                                  uint32_t sizeWidth, uint32_t sizeHeight,
                                  uint32_t areaWidth, uint32_t areaHeight) {
    PatternRectangle r;
    r.width = offsetInRange(randomWidth, sizeWidth) / 2 + 1;
    r.height = offsetInRange(randomHeight, sizeHeight) / 2 + 1;
    r.x = offsetInRange(randomX, static_cast<int64_t>(areaWidth) - r.width);
    r.y = offsetInRange(randomY, static_cast<int64_t>(areaHeight) - r.height);
    return r;
}

int32_t overlapCandidate(int random, uint32_t size, int32_t previous, int32_t lower,
                         int32_t upper) {
    int64_t candidate = previous;
    if (size > 1) {
        uint32_t spread = 2u * (size - 1u);
        int64_t step = static_cast<int64_t>(static_cast<uint32_t>(random) % spread) -
                       static_cast<int64_t>(size - 1u);
        candidate += step;
    }
    if (candidate <= lower) {
        return lower;
    }
    if (candidate > upper) {
        return upper;
    }
    return static_cast<int32_t>(candidate);
}

bool overlapAxisCanMove(uint32_t size, int32_t lower, int32_t upper) {
    return size > 1 && upper > lower;
}
