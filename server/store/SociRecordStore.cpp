#include "server/store/SociRecordStore.h"

#include <vector>

#include "server/protocol/ProtocolError.h"
#include "server/protocol/RecordTypes.h"
#include "server/store/RecordRows.h"
#include "server/store/SqlDialect.h"

namespace {

// The place a record of the tree names, as the ID that place was stored under.
int32_t storedAt(const std::vector<int32_t>& stored, int32_t place, const std::string& owner)
{
    if (place < 0 || static_cast<std::size_t>(place) >= stored.size())
        throw ProtocolError(400, owner + " names a record that is not stored before it");
    return stored[static_cast<std::size_t>(place)];
}

// The record with every place it names replaced by the stored ID.
RecordDocument withStoredIDs(RecordDocument record, const std::vector<int32_t>& stored)
{
    for (RecordReference& reference : record.references)
        reference.id = storedAt(stored, reference.id, record.type);
    for (RecordCollection& collection : record.collections) {
        for (RecordMember& member : collection.members)
            member.id = storedAt(stored, member.id, record.type);
    }
    return record;
}

} // namespace

int32_t SociRecordStore::lookup(const std::string& type, const SearchKey& key)
{
    const std::string canonical = key.canonical();
    return database_.withSession([&](soci::session& session) {
        int32_t id = -1;
        session << "SELECT id FROM records WHERE type = :type AND search_key = :key",
            soci::use(type), soci::use(canonical), soci::into(id);
        return session.got_data() ? id : -1;
    });
}

int32_t SociRecordStore::storeRecord(const RecordDocument& record)
{
    return database_.inTransaction(
        [&](soci::session& session) { return storeRecordIn(session, record); });
}

int32_t SociRecordStore::storeResult(const RecordDocument& result, const std::string& clientName,
                                     bool imported, const std::string& sourceAddress)
{
    const std::string sourceHash = sourceAddress.empty() ? std::string() : sources_.of(sourceAddress);
    return retryingDuplicates([&] {
        return database_.inTransaction([&](soci::session& session) {
            const SqlDialect dialect(database_.dialect());
            return ResultWriter(dialect, countImported_)
                .write(session, result, clientName, imported, sourceHash)
                .first;
        });
    });
}

int32_t SociRecordStore::storeTree(const RecordTree& tree, const std::string& clientName,
                                   bool imported, bool* alreadyStored)
{
    const auto outcome = retryingDuplicates([&] {
        return database_.inTransaction([&](soci::session& session) {
            std::vector<int32_t> stored;
            for (const RecordDocument& record : tree.records) {
                if (!RecordTypes::isKnown(record.type) || RecordTypes::isResult(record.type))
                    throw ProtocolError(400, "unknown record type " + record.type);
                stored.push_back(storeRecordIn(session, withStoredIDs(record, stored)));
            }
            const SqlDialect dialect(database_.dialect());
            return ResultWriter(dialect, countImported_)
                .write(session, withStoredIDs(tree.root, stored), clientName, imported);
        });
    });
    if (alreadyStored)
        *alreadyStored = outcome.second;
    return outcome.first;
}

int32_t SociRecordStore::storeRecordIn(soci::session& session, const RecordDocument& record)
{
    const SqlDialect dialect(database_.dialect());
    recordRows::checkTargets(session, record);
    const std::string key = SearchKey::ofRecord(record).canonical();
    const long long now = unixNow();
    int32_t id = -1;
    session << "INSERT INTO records (type, search_key, created_at) VALUES (:type, :key, :now) "
               "ON CONFLICT (type, search_key) DO NOTHING RETURNING id",
        soci::use(record.type), soci::use(key), soci::use(now), soci::into(id);
    if (!session.got_data()) {
        // Stored before, or by another request that committed first.
        session << "SELECT id FROM records WHERE type = :type AND search_key = :key",
            soci::use(record.type), soci::use(key), soci::into(id);
        if (!session.got_data())
            throw std::runtime_error("a record vanished while it was being stored");
        return id;
    }

    recordRows::insertFields(session, dialect, "record_fields", "record_id", id, record.fields);
    recordRows::insertReferences(session, dialect, "record_references", "record_id", id, record.references);
    return id;
}
