#include "server/protocol/RecordTypes.h"

#include <cstring>

namespace {

struct Link {
    const char* owner;
    const char* name;
    const char* target;
};

const char* const kTypes[] = {
    "KorvidResult",          "BenchmarkOperatingSystem", "BenchmarkOperatingSystemVersion",
    "BenchmarkLibrary",      "BenchmarkLibraryVersion",  "BenchmarkCPU",
    "BenchmarkMotherboard",  "BenchmarkGraphicsCard"};

const Link kReferences[] = {
    {"KorvidResult", "GraphicsCard", "BenchmarkGraphicsCard"},
    {"KorvidResult", "OperatingSystem", "BenchmarkOperatingSystemVersion"},
    {"KorvidResult", "Processor", "BenchmarkCPU"},
    {"KorvidResult", "Motherboard", "BenchmarkMotherboard"},
    {"BenchmarkOperatingSystemVersion", "OperatingSystem", "BenchmarkOperatingSystem"},
    {"BenchmarkLibraryVersion", "Library", "BenchmarkLibrary"},
};

const Link kCollections[] = {
    {"KorvidResult", "DriverLibraries", "BenchmarkLibraryVersion"},
    {"KorvidResult", "Libraries", "BenchmarkLibraryVersion"},
};

template <std::size_t N>
std::string find(const Link (&links)[N], const std::string& owner, const std::string& name)
{
    for (const Link& link : links) {
        if (owner == link.owner && name == link.name)
            return link.target;
    }
    return std::string();
}

} // namespace

namespace RecordTypes {

const char* const kResult = "KorvidResult";

bool isKnown(const std::string& type)
{
    for (const char* known : kTypes) {
        if (type == known)
            return true;
    }
    return false;
}

bool isResult(const std::string& type)
{
    return type == kResult;
}

std::string referenceTarget(const std::string& owner, const std::string& reference)
{
    return find(kReferences, owner, reference);
}

std::string collectionElement(const std::string& owner, const std::string& collection)
{
    return find(kCollections, owner, collection);
}

} // namespace RecordTypes
