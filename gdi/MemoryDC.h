#pragma once

#include <windows.h>

// A memory device context from CreateCompatibleDC, deleted when the owner goes.
class MemoryDC {
public:
    MemoryDC() = default;
    ~MemoryDC() { reset(); }
    MemoryDC(const MemoryDC&) = delete;
    MemoryDC& operator=(const MemoryDC&) = delete;

    // False when no context could be created.
    bool create(HDC compatibleWith)
    {
        reset();
        dc_ = CreateCompatibleDC(compatibleWith);
        return dc_ != nullptr;
    }

    void reset()
    {
        if (dc_ != nullptr) {
            DeleteDC(dc_);
            dc_ = nullptr;
        }
    }

    HDC get() const { return dc_; }

private:
    HDC dc_ = nullptr;
};
