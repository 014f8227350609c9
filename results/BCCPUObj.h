#pragma once

#include <string>

#include "results/BCObject.h"

// Record "BenchmarkCPU": search-key field Name.
class BCCPUObj : public BCObject {
public:
    explicit BCCPUObj(const std::string& name);
    ~BCCPUObj() override;
};
