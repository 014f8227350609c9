#pragma once

#include "gdi/GDIRandomOperation.h"

// Copies a square within the window to a place that overlaps it (a fresh source each time).
class RTOOverlappedBltRectGDI : public GDIRandomOperation {
public:
    using GDIRandomOperation::GDIRandomOperation;

protected:
    void draw(uint32_t width, uint32_t height) override;
};
