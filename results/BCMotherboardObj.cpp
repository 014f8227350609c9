#include "results/BCMotherboardObj.h"

BCMotherboardObj::BCMotherboardObj(const std::string& name, const std::string& manufacturer)
    : BCObject("BenchmarkMotherboard") {
    addField("Name", name, 1);
    // An unknown manufacturer is left out rather than matched as an empty text.
    if (!manufacturer.empty())
        addField("Manufacturer", manufacturer, 1);
}

BCMotherboardObj::~BCMotherboardObj() = default;
