#pragma once

#include <string>

#include "results/BCObject.h"

// Record "BenchmarkOperatingSystemVersion": field OSVersion and sub-object OperatingSystem,
// a plain "BenchmarkOperatingSystem" record with the field Name.
class BCOperatingSysVersionObj : public BCObject {
public:
    BCOperatingSysVersionObj(const std::string& osName, const std::string& version);
    ~BCOperatingSysVersionObj() override;
};
