#include "d2d/D2DGeometry.h"

#include <cmath>

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

PixelArrayPass splitByteBudget(uint64_t budget, uint64_t frameBytes, uint32_t rowPitch,
                               uint32_t frameRows) {
    PixelArrayPass pass;
    if (frameBytes > 0 && budget > frameBytes) {
        pass.passCount = budget / frameBytes;
        pass.rows = frameRows;
    } else {
        pass.passCount = 1;
        uint64_t rows = rowPitch > 0 ? budget / rowPitch : 0;
        pass.rows = static_cast<uint32_t>(rows < frameRows ? rows : frameRows);
    }
    return pass;
}

uint64_t nextByteBudget(uint64_t budget, double elapsedSeconds, double minimumSeconds,
                        uint64_t minimumMicroseconds) {
    double estimate;
    if (elapsedSeconds == 0.0) {
        estimate = static_cast<double>(budget * minimumMicroseconds) * 1.1;
    } else {
        estimate = minimumSeconds * 1.1 / elapsedSeconds * static_cast<double>(budget);
    }
    // 2^64: the budget saturates instead of wrapping (converting a larger double is undefined).
    const double limit = 18446744073709551616.0;
    uint64_t estimated = !(estimate >= 0.0) ? 0
                         : estimate >= limit ? UINT64_MAX
                                             : static_cast<uint64_t>(estimate);
    if (estimated > budget) {
        return estimated;
    }
    double grown = static_cast<double>(budget) * 1.5;
    return grown >= limit ? UINT64_MAX : static_cast<uint64_t>(grown);
}

uint64_t pixelArrayBytes(uint32_t rows, uint32_t width, uint64_t passCount,
                         uint32_t bytesPerPixel) {
    return static_cast<uint64_t>(rows) * width * passCount * bytesPerPixel;
}

double mebibytesPerSecond(uint64_t bytes, double elapsedSeconds) {
    if (elapsedSeconds <= 0.0) {
        return 0.0;
    }
    return static_cast<double>(bytes) / elapsedSeconds / 1048576.0;
}
