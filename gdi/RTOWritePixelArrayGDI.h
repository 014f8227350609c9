#pragma once

#include "gdi/GDIRandomOperation.h"

// Copies a square from the system-memory pixel array to the same place in the window.
class RTOWritePixelArrayGDI : public GDIRandomOperation {
public:
    using GDIRandomOperation::GDIRandomOperation;

protected:
    void draw(uint32_t width, uint32_t height) override;
};
