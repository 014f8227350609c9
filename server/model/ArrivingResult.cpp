#include "server/model/ArrivingResult.h"

#include <optional>
#include <utility>

#include "server/model/GraphicsSystem.h"
#include "server/model/TestId.h"
#include "server/protocol/MeasurementName.h"
#include "server/protocol/RecordTypes.h"

namespace model {

namespace {

// The first field of that name of a described record; empty when the record or field is missing.
std::string valueOf(const DescribedRecords& records, int32_t id, const std::string& name)
{
    const auto record = records.find(id);
    if (record == records.end())
        return std::string();
    const RecordField* field = record->second.field(name);
    return field ? field->value : std::string();
}

// The record a described record names in that role, or 0.
int32_t targetOf(const DescribedRecords& records, int32_t id, const std::string& role)
{
    const auto record = records.find(id);
    if (record == records.end())
        return 0;
    int32_t target = 0;
    for (const RecordReference& reference : record->second.references) {
        if (reference.name == role)
            target = reference.id;
    }
    return target;
}

// A display figure: a plain decimal of at most nine digits, else 0.
int32_t numberOf(const RecordDocument& record, const std::string& name)
{
    const RecordField* field = record.field(name);
    if (!field || field->value.empty() || field->value.size() > 9 ||
        field->value.find_first_not_of("0123456789") != std::string::npos)
        return 0;
    return std::stoi(field->value);
}

} // namespace

std::set<int32_t> describedBy(const RecordDocument& result, std::set<int32_t>* referring)
{
    std::set<int32_t> ids, versions;
    for (const RecordReference& reference : result.references) {
        if (reference.name == RecordRoles::kGraphicsCard || reference.name == RecordRoles::kProcessor)
            ids.insert(reference.id);
        else if (reference.name == RecordRoles::kOperatingSystem)
            versions.insert(reference.id);
    }
    for (const RecordCollection& collection : result.collections) {
        if (collection.name == RecordRoles::kDriverLibraries) {
            for (const RecordMember& member : collection.members)
                versions.insert(member.id);
        }
    }
    ids.insert(versions.begin(), versions.end());
    if (referring)
        *referring = std::move(versions);
    return ids;
}

std::set<int32_t> namedBy(const DescribedRecords& records)
{
    std::set<int32_t> named;
    for (const auto& [id, record] : records) {
        for (const RecordReference& reference : record.references) {
            if (!records.count(reference.id))
                named.insert(reference.id);
        }
    }
    return named;
}

ArrivingResult arrivingResult(const RecordDocument& result, const DescribedRecords& described)
{
    ArrivingResult arriving;
    for (const RecordReference& reference : result.references) {
        if (reference.name == RecordRoles::kGraphicsCard) {
            arriving.cohort.graphicsCardId = reference.id;
            arriving.cardName = valueOf(described, reference.id, "Name");
        } else if (reference.name == RecordRoles::kProcessor) {
            arriving.cpuName = valueOf(described, reference.id, "Name");
        } else if (reference.name == RecordRoles::kOperatingSystem) {
            const std::string version = valueOf(described, reference.id, "OSVersion");
            const int32_t os = targetOf(described, reference.id, RecordRoles::kOperatingSystem);
            const std::string name = os ? valueOf(described, os, "Name") : std::string();
            arriving.osText = name.empty() ? version : name + " " + version;
        }
    }
    for (const RecordCollection& collection : result.collections) {
        if (collection.name != RecordRoles::kDriverLibraries)
            continue;
        // The same libraries in the same versions are the same shared records, whatever order
        // they were listed in.
        std::set<int32_t> ids;
        for (const RecordMember& member : collection.members) {
            if (ids.insert(member.id).second) {
                if (!arriving.driverText.empty())
                    arriving.driverText += "; ";
                const int32_t library = targetOf(described, member.id, RecordRoles::kLibrary);
                arriving.driverText += (library ? valueOf(described, library, "Name") : std::string()) + " " +
                                       valueOf(described, member.id, "LibraryVersion");
            }
        }
        std::string& key = arriving.cohort.driverKey;
        for (int32_t id : ids)
            key += (key.empty() ? "" : ",") + std::to_string(id);
    }

    arriving.cohort.width = numberOf(result, "DisplayWidth");
    arriving.cohort.height = numberOf(result, "DisplayHeight");
    arriving.cohort.bitsPerPixel = numberOf(result, "BitsPerPixel");
    arriving.refreshRate = numberOf(result, "RefreshRate");

    std::vector<std::pair<std::string, std::string>> named;
    std::set<int> measured;
    for (const RecordField& field : result.fields) {
        named.emplace_back(field.name, field.value);
        const auto m = parseMeasurement(field.name, field.value);
        const auto test = m ? TestId::of(m->test, m->width, m->height, m->unit) : std::nullopt;
        if (!test)
            arriving.otherFields.push_back(field);
        else if (measured.insert(test->code()).second)
            arriving.rates.push_back({*test, m->value});
    }
    arriving.cohort.system = graphicsSystemOf(named);
    return arriving;
}

} // namespace model
