#include "server/store/RecordRows.h"

#include <map>

#include "server/protocol/ProtocolError.h"
#include "server/protocol/RecordTypes.h"

namespace recordRows {

std::string idList(const std::set<int32_t>& ids)
{
    std::string list;
    for (int32_t id : ids)
        list += (list.empty() ? "" : ",") + std::to_string(id);
    return list;
}

namespace {

// The types of the stored records among ids, in one statement, so that a result naming a dozen records costs one round trip, not a dozen.
std::map<int32_t, std::string> storedTypes(soci::session& session, const std::set<int32_t>& ids)
{
    std::map<int32_t, std::string> types;
    if (ids.empty())
        return types;
    std::vector<int> found(ids.size());
    std::vector<std::string> names(ids.size());
    soci::statement st = runOnce(session, "SELECT id, type FROM records WHERE id IN (" + idList(ids) + ")",
                                 soci::into(found), soci::into(names));
    while (st.fetch()) {
        for (std::size_t i = 0; i < found.size(); ++i)
            types[found[i]] = names[i];
    }
    return types;
}

void requireStored(const std::map<int32_t, std::string>& types, int32_t id, const std::string& expectedType,
                   const std::string& role)
{
    const auto type = types.find(id);
    if (type == types.end())
        throw ProtocolError(400, role + " names record " + std::to_string(id) +
                                     ", which does not exist");
    if (type->second != expectedType)
        throw ProtocolError(400, role + " names record " + std::to_string(id) + " of type " + type->second +
                                     ", not " + expectedType);
}

} // namespace

void checkTargets(soci::session& session, const RecordDocument& record)
{
    std::set<int32_t> ids;
    for (const RecordReference& reference : record.references)
        ids.insert(reference.id);
    for (const RecordCollection& collection : record.collections) {
        for (const RecordMember& member : collection.members)
            ids.insert(member.id);
    }
    const std::map<int32_t, std::string> types = storedTypes(session, ids);
    for (const RecordReference& reference : record.references)
        requireStored(types, reference.id, RecordTypes::referenceTarget(record.type, reference.name),
                      "<" + reference.name + ">");
    for (const RecordCollection& collection : record.collections) {
        for (const RecordMember& member : collection.members)
            requireStored(types, member.id, member.type, "a member of <" + collection.name + ">");
    }
}

model::DescribedRecords read(soci::session& session, const std::set<int32_t>& withFields,
                             const std::set<int32_t>& withReferences)
{
    model::DescribedRecords records;
    if (!withFields.empty()) {
        std::vector<int> owners(64);
        std::vector<std::string> names(64), values(64);
        soci::statement st = runOnce(session, "SELECT record_id, name, value FROM record_fields WHERE record_id IN (" +
                                                  idList(withFields) + ") ORDER BY record_id, position",
                                     soci::into(owners), soci::into(names), soci::into(values));
        while (st.fetch()) {
            for (std::size_t i = 0; i < names.size(); ++i)
                records[owners[i]].fields.push_back({names[i], values[i]});
        }
    }
    if (!withReferences.empty()) {
        std::vector<int> owners(64), found(64);
        std::vector<std::string> names(64);
        soci::statement st = runOnce(session, "SELECT record_id, name, target_id FROM record_references WHERE "
                                              "record_id IN (" + idList(withReferences) + ") ORDER BY record_id, position",
                                     soci::into(owners), soci::into(names), soci::into(found));
        while (st.fetch()) {
            for (std::size_t i = 0; i < names.size(); ++i)
                records[owners[i]].references.push_back({names[i], found[i]});
        }
    }
    return records;
}

void insertFields(soci::session& session, const SqlDialect& dialect, const std::string& table,
                  const std::string& owner, int32_t id, const std::vector<RecordField>& fields)
{
    std::vector<int32_t> ids, positions;
    std::vector<std::string> names, values;
    for (const RecordField& field : fields) {
        ids.push_back(id);
        positions.push_back(static_cast<int32_t>(positions.size()));
        names.push_back(field.name);
        values.push_back(field.value);
    }
    dialect.insertRows(session, table, owner + ", position, name, value", "", ids, positions, names,
                       values);
}

void insertReferences(soci::session& session, const SqlDialect& dialect, const std::string& table,
                      const std::string& owner, int32_t id, const std::vector<RecordReference>& references)
{
    std::vector<int32_t> ids, positions, targets;
    std::vector<std::string> names;
    for (const RecordReference& reference : references) {
        ids.push_back(id);
        positions.push_back(static_cast<int32_t>(positions.size()));
        names.push_back(reference.name);
        targets.push_back(reference.id);
    }
    dialect.insertRows(session, table, owner + ", position, name, target_id", "", ids, positions,
                       names, targets);
}

} // namespace recordRows
