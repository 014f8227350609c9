#include "results/BCCPUObj.h"

BCCPUObj::BCCPUObj(const std::string& name) : BCObject("BenchmarkCPU") {
    addField("Name", name, 1);
}

BCCPUObj::~BCCPUObj() = default;
