#include "server/protocol/RecordRules.h"

#include <set>
#include <string>

#include "server/protocol/LookupLine.h"
#include "server/protocol/MeasurementName.h"
#include "server/protocol/ProtocolError.h"
#include "server/protocol/RecordTypes.h"
#include "server/protocol/SearchKey.h"

namespace {

[[noreturn]] void refuse(const std::string& reason)
{
    throw ProtocolError(400, reason);
}

std::string bytes(std::size_t count)
{
    return std::to_string(count) + " bytes";
}

// The reference whose lookup pair a field of that name would pose as; empty when none.
std::string referenceNamedLike(const std::string& type, const std::string& field)
{
    if (field.size() <= 2 || field.compare(field.size() - 2, 2, "ID") != 0)
        return std::string();
    const std::string reference = field.substr(0, field.size() - 2);
    return RecordTypes::referenceTarget(type, reference).empty() ? std::string() : reference;
}

} // namespace

void checkRecordRules(const RecordDocument& record, const DocumentLimits& limits)
{
    std::set<std::string> seen;
    for (const RecordReference& reference : record.references) {
        if (!seen.insert(reference.name).second)
            refuse("the reference <" + reference.name + "> is sent twice");
    }
    seen.clear();
    for (const RecordCollection& collection : record.collections) {
        if (!seen.insert(collection.name).second)
            refuse("the collection <" + collection.name + "> is sent twice");
        if (collection.members.size() > limits.maxCollectionMembers)
            refuse("the collection <" + collection.name + "> holds more than " +
                   std::to_string(limits.maxCollectionMembers) + " records");
    }
    const bool result = RecordTypes::isResult(record.type);
    for (const RecordField& field : record.fields) {
        if (field.name.size() > limits.maxNameBytes)
            refuse("a field name is longer than " + bytes(limits.maxNameBytes));
        if (field.value.find('\0') != std::string::npos)
            refuse("the value of <" + field.name + "> contains a NUL character");
        if (field.value.size() > limits.maxValueBytes)
            refuse("the value of <" + field.name + "> is longer than " + bytes(limits.maxValueBytes));
        const std::string reference = referenceNamedLike(record.type, field.name);
        if (!reference.empty())
            refuse("the field <" + field.name + "> would be looked up as the reference <" + reference + ">");
        if (result && field.name.size() > limits.maxMeasurementNameBytes && isMeasurementName(field.name))
            refuse("the measurement name <" + field.name + "> is longer than " +
                   bytes(limits.maxMeasurementNameBytes));
    }
}

void checkLookupFits(const RecordDocument& asSent, const DocumentLimits& limits)
{
    if (RecordTypes::isResult(asSent.type))
        return;
    const std::size_t line =
        lookupRequestLineBytes(asSent.type, SearchKey::ofRecord(asSent), limits.apiBasePathBytes);
    if (line > limits.maxRequestLineBytes)
        refuse("the lookup of this record would need a request line of " + bytes(line) + ", over the " +
               bytes(limits.maxRequestLineBytes) + " a request line may have");
}
