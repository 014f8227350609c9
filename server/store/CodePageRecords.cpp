#include "server/store/CodePageRecords.h"

#include <set>
#include <string>
#include <vector>

#include "server/protocol/TextEncodingCodePages.h"
#include "server/store/RecordRows.h"
#include "server/store/SqlDialect.h"

namespace {

using recordRows::idList;

std::set<int32_t> idsOf(soci::session& session, const std::string& sql)
{
    std::set<int32_t> ids;
    std::vector<int> found(64);
    soci::statement st = runOnce(session, sql, soci::into(found));
    while (st.fetch()) {
        for (int id : found)
            ids.insert(id);
    }
    return ids;
}

} // namespace

void readDescriptionsInCodePage(soci::session& session, const RecordDocument& result, int codePage)
{
    std::set<int32_t> named;
    for (const RecordReference& reference : result.references)
        named.insert(reference.id);
    for (const RecordCollection& collection : result.collections) {
        for (const RecordMember& member : collection.members)
            named.insert(member.id);
    }
    if (named.empty())
        return;
    const std::set<int32_t> below =
        idsOf(session, "SELECT target_id FROM record_references WHERE record_id IN (" + idList(named) + ")");
    named.insert(below.begin(), below.end());

    // Claimed in one statement, so that two results arriving at once cannot both read a record.
    const std::set<int32_t> claimed =
        idsOf(session, "UPDATE records SET code_page = " + std::to_string(codePage) +
                           " WHERE code_page IS NULL AND id IN (" + idList(named) + ") RETURNING id");
    // Windows-1252 is how every value was read already.
    if (claimed.empty() || codePage == 1252)
        return;

    std::vector<int> owners(64), positions(64);
    std::vector<std::string> values(64);
    struct Change {
        int owner, position;
        std::string value;
    };
    std::vector<Change> changes;
    soci::statement st = runOnce(session,
                                 "SELECT record_id, position, value FROM record_fields WHERE record_id IN (" +
                                     idList(claimed) + ")",
                                 soci::into(owners), soci::into(positions), soci::into(values));
    while (st.fetch()) {
        for (std::size_t i = 0; i < values.size(); ++i) {
            std::string read = inCodePage(values[i], codePage);
            if (read != values[i])
                changes.push_back({owners[i], positions[i], std::move(read)});
        }
    }
    for (const Change& change : changes) {
        session << "UPDATE record_fields SET value = :value WHERE record_id = :id AND position = :position",
            soci::use(change.value), soci::use(change.owner), soci::use(change.position);
    }
}
