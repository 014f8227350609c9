#include "server/protocol/RecordTypes.h"

#include <cstring>

namespace {

struct Link {
    const char* owner;
    const char* name;
    const char* target;
};

using namespace RecordTypes;
using namespace RecordRoles;

const char* const kTypes[] = {RecordTypes::kResult,        RecordTypes::kOperatingSystem,
                              kOperatingSystemVersion,     RecordTypes::kLibrary,
                              kLibraryVersion,             RecordTypes::kProcessor,
                              RecordTypes::kMotherboard,   RecordTypes::kGraphicsCard};

const Link kReferences[] = {
    {RecordTypes::kResult, RecordRoles::kGraphicsCard, RecordTypes::kGraphicsCard},
    {RecordTypes::kResult, RecordRoles::kOperatingSystem, kOperatingSystemVersion},
    {RecordTypes::kResult, RecordRoles::kProcessor, RecordTypes::kProcessor},
    {RecordTypes::kResult, RecordRoles::kMotherboard, RecordTypes::kMotherboard},
    {kOperatingSystemVersion, RecordRoles::kOperatingSystem, RecordTypes::kOperatingSystem},
    {kLibraryVersion, RecordRoles::kLibrary, RecordTypes::kLibrary},
};

const Link kCollections[] = {
    {RecordTypes::kResult, kDriverLibraries, kLibraryVersion},
    {RecordTypes::kResult, kLibraries, kLibraryVersion},
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
