#include "results/BCLibraryVersionObj.h"

#include <memory>

BCLibraryVersionObj::BCLibraryVersionObj(const std::string& libraryName, const std::string& version)
    : BCObject("BenchmarkLibraryVersion") {
    addField("LibraryVersion", version, 1);
    auto library = std::make_shared<BCObject>("BenchmarkLibrary");
    library->addField("Name", libraryName, 1);
    addSubObject("Library", library);
}

BCLibraryVersionObj::~BCLibraryVersionObj() = default;
