#pragma once

#include <string>

#include "results/BCObject.h"

// Record "BenchmarkLibraryVersion": field LibraryVersion and sub-object Library, a plain
// "BenchmarkLibrary" record with the field Name, so all versions of a library share one
// library record on the server.
class BCLibraryVersionObj : public BCObject {
public:
    BCLibraryVersionObj(const std::string& libraryName, const std::string& version);
    ~BCLibraryVersionObj() override;
};
