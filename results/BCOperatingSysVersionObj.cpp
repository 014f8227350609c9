#include "results/BCOperatingSysVersionObj.h"

#include <memory>

BCOperatingSysVersionObj::BCOperatingSysVersionObj(const std::string& osName, const std::string& version)
    : BCObject("BenchmarkOperatingSystemVersion") {
    addField("OSVersion", version, 1);
    auto os = std::make_shared<BCObject>("BenchmarkOperatingSystem");
    os->addField("Name", osName, 1);
    addSubObject("OperatingSystem", os);
}

BCOperatingSysVersionObj::~BCOperatingSysVersionObj() = default;
