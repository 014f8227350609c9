#pragma once

#include "gdi/GDIRandomOperation.h"

// Copies a square from the window to the same place in the system-memory pixel array.
class RTOReadPixelArrayGDI : public GDIRandomOperation {
public:
    using GDIRandomOperation::GDIRandomOperation;

protected:
    void draw(uint32_t width, uint32_t height) override;
};
