#pragma once

#include <string>

#include "results/BCObject.h"

// Record "BenchmarkMotherboard": search-key fields Name and, when not empty, Manufacturer.
class BCMotherboardObj : public BCObject {
public:
    BCMotherboardObj(const std::string& name, const std::string& manufacturer);
    ~BCMotherboardObj() override;
};
