#pragma once

#include "gdi/GDIRandomOperation.h"

// Fills a square with a random colour (a new brush each time, as the fill test does).
class RTOFillRectGDI : public GDIRandomOperation {
public:
    using GDIRandomOperation::GDIRandomOperation;

protected:
    void draw(uint32_t width, uint32_t height) override;
};
