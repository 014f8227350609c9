// libFuzzer target: the body of a submission, any bytes, read as the record document of a
// type. A document is refused with 400 or gives a record that keeps every rule the server
// promises: values within their bounds, and a description record found again by the lookup its
// sender makes, within the request line the HTTP layer reads.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>

#include "results/UrlEncode.h"
#include "server/protocol/DocumentParser.h"
#include "server/protocol/LookupLine.h"
#include "server/protocol/LookupQuery.h"
#include "server/protocol/ProtocolError.h"
#include "server/protocol/RecordTypes.h"
#include "server/protocol/TextEncoding.h"

namespace {

const char* const kTypes[] = {"KorvidResult",          "BenchmarkOperatingSystem", "BenchmarkOperatingSystemVersion",
                              "BenchmarkLibrary",      "BenchmarkLibraryVersion",  "BenchmarkCPU",
                              "BenchmarkMotherboard",  "BenchmarkGraphicsCard"};

void require(bool condition)
{
    if (!condition)
        std::abort();
}

// The type of the address: the first tag's name when it names a type, so that the seeds of
// each type reach that type's rules; else one picked by the size.
std::string typeFor(const std::string& body)
{
    const std::size_t open = body.find('<');
    if (open != std::string::npos) {
        for (const char* type : kTypes) {
            const std::string name(type);
            const char after = open + 1 + name.size() < body.size() ? body[open + 1 + name.size()] : '\0';
            if (body.compare(open + 1, name.size(), name) == 0 && (after == '>' || after == '/' || after == ' '))
                return name;
        }
    }
    return kTypes[body.size() % 8];
}

void checkRecord(const RecordDocument& record, const SearchKey& sent, const DocumentLimits& limits)
{
    for (const RecordField& field : record.fields) {
        require(!field.name.empty() && field.name.size() <= limits.maxNameBytes);
        require(field.value.size() <= limits.maxValueBytes);
        require(field.value.find('\0') == std::string::npos && isValidUtf8(field.value));
        require(field.value.empty() || field.value.find_first_not_of(" \t\r\n") != std::string::npos);
    }
    std::set<std::string> names;
    for (const RecordReference& reference : record.references)
        require(reference.id > 0 && names.insert(reference.name).second);
    for (const RecordCollection& collection : record.collections) {
        require(names.insert(collection.name).second && collection.members.size() <= limits.maxCollectionMembers);
        for (const RecordMember& member : collection.members)
            require(member.id > 0);
    }
    if (RecordTypes::isResult(record.type))
        return;
    // The sender's lookup, written as the client writes it, fits the request line and finds
    // what was stored.
    std::string query;
    for (const auto& [name, value] : sent.pairs())
        query += urlEncode(name) + "=" + urlEncode(value) + "&";
    const std::size_t line = 4 + limits.apiBasePathBytes + record.type.size() + 1 + query.size() + 9;
    require(line == lookupRequestLineBytes(record.type, sent, limits.apiBasePathBytes));
    require(line <= limits.maxRequestLineBytes);
    require(parseLookupQuery(query, limits).canonical() == SearchKey::ofRecord(record).canonical());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string body(reinterpret_cast<const char*>(data), size);
    const std::string type = typeFor(body);
    const DocumentLimits limits;
    RecordDocument record;
    SearchKey sent;
    try {
        record = parseRecordDocument(body, type, limits, &sent);
    } catch (const ProtocolError& error) {
        // A refusal is a 400 with a short reason.
        require(error.status() == 400 && std::string(error.what()).size() <= 400);
        return 0;
    }
    // Outside the try: the lookup of a stored record must not be refused either.
    require(record.type == type);
    checkRecord(record, sent, limits);
    return 0;
}
