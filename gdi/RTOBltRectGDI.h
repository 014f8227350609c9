#pragma once

#include "gdi/GDIRandomOperation.h"

// Copies a square from the off-screen source into the window.
class RTOBltRectGDI : public GDIRandomOperation {
public:
    using GDIRandomOperation::GDIRandomOperation;

protected:
    void draw(uint32_t width, uint32_t height) override;
};
