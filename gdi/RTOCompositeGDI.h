#pragma once

#include "gdi/GDIRandomOperation.h"

// Blends a square of the off-screen source into the window with its per-pixel alpha.
class RTOCompositeGDI : public GDIRandomOperation {
public:
    using GDIRandomOperation::GDIRandomOperation;

protected:
    void draw(uint32_t width, uint32_t height) override;
};
