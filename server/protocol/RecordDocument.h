#pragma once

#include <cstdint>
#include <string>
#include <vector>

// One submitted record as the server reads it: the record document of a POST, with every text
// already converted to UTF-8. References and collection members name stored records by ID.
struct RecordField {
    std::string name;
    std::string value;
};

struct RecordReference {
    std::string name;  // role within the owner, e.g. "GraphicsCard"
    int32_t id = 0;
};

struct RecordMember {
    std::string type;  // the member's element name, e.g. "BenchmarkLibraryVersion"
    int32_t id = 0;
};

struct RecordCollection {
    std::string name;  // e.g. "DriverLibraries"
    std::vector<RecordMember> members;
};

struct RecordDocument {
    std::string type;
    std::vector<RecordField> fields;
    std::vector<RecordReference> references;
    std::vector<RecordCollection> collections;

    // The first field of that name, or nullptr.
    const RecordField* field(const std::string& name) const;
};
