#pragma once

#include "core/RandomTestOperation.h"

// A place in the mix that draws nothing and counts no pixels (its draws still count as
// operations).
class RTODummy : public RandomTestOperation {
public:
    void prepare() override {}
    void execute() override {}
    void clearPixelCount() override {}
};
