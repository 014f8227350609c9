#pragma once

#include <cstdint>

// Told of every square a GDI random-test operation draws; lets tests compare the random
// test's pixel count with what was really drawn. The program sets none.
class RandomDrawObserver {
public:
    virtual ~RandomDrawObserver() = default;
    virtual void drawn(const char* operation, uint32_t width, uint32_t height) = 0;
};
