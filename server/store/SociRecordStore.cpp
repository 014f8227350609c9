#include "server/store/SociRecordStore.h"

#include <chrono>
#include <cstdio>
#include <set>
#include <tuple>
#include <vector>

#include "results/BCField.h"
#include "results/BCObject.h"
#include "results/BCObjectCollection.h"
#include "results/BCObjectField.h"
#include "server/protocol/MeasurementName.h"
#include "server/protocol/ProtocolError.h"
#include "server/protocol/RecordTypes.h"
#include "server/protocol/TextEncoding.h"
#include "server/protocol/TextEncodingCodePages.h"
#include "server/store/CodePageRecords.h"
#include "server/store/KeyHash.h"
#include "server/model/GraphicsSystem.h"
#include "server/model/TestId.h"
#include "server/store/ResultDigest.h"
#include "server/store/ResultFigures.h"
#include "server/store/SqlDialect.h"

namespace {

using Fields = std::vector<std::pair<std::string, std::string>>;

// IDs written into a statement: they are numbers, never text of a request.
std::string idList(const std::set<int32_t>& ids)
{
    std::string list;
    for (int32_t id : ids)
        list += (list.empty() ? "" : ",") + std::to_string(id);
    return list;
}

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

// The fields of the records among ids, in their order, by record; one statement.
std::map<int32_t, Fields> fieldsOf(soci::session& session, const std::set<int32_t>& ids)
{
    std::map<int32_t, Fields> fields;
    if (ids.empty())
        return fields;
    std::vector<int> owners(64);
    std::vector<std::string> names(64), values(64);
    soci::statement st = runOnce(session, "SELECT record_id, name, value FROM record_fields WHERE record_id IN (" +
                                              idList(ids) + ") ORDER BY record_id, position",
                                 soci::into(owners), soci::into(names), soci::into(values));
    while (st.fetch()) {
        for (std::size_t i = 0; i < names.size(); ++i)
            fields[owners[i]].emplace_back(names[i], values[i]);
    }
    return fields;
}

// The targets of the references of the records among ids, by record and name; one statement.
std::map<std::pair<int32_t, std::string>, int32_t> referencesOf(soci::session& session, const std::set<int32_t>& ids)
{
    std::map<std::pair<int32_t, std::string>, int32_t> targets;
    if (ids.empty())
        return targets;
    std::vector<int> owners(64), found(64);
    std::vector<std::string> names(64);
    soci::statement st = runOnce(session, "SELECT record_id, name, target_id FROM record_references WHERE record_id IN (" +
                                              idList(ids) + ")",
                                 soci::into(owners), soci::into(names), soci::into(found));
    while (st.fetch()) {
        for (std::size_t i = 0; i < names.size(); ++i)
            targets[{owners[i], names[i]}] = found[i];
    }
    return targets;
}

std::string valueOf(const Fields& fields, const std::string& name)
{
    for (const auto& field : fields) {
        if (field.first == name)
            return field.second;
    }
    return std::string();
}

int32_t numberOf(const RecordDocument& record, const std::string& name)
{
    const RecordField* field = record.field(name);
    if (!field || field->value.empty() || field->value.size() > 9 ||
        field->value.find_first_not_of("0123456789") != std::string::npos)
        return 0;
    return std::stoi(field->value);
}

// What the result pages select and group by, worked out once as the result arrives.
struct ResultSummary {
    int32_t graphicsCardID = 0;
    std::string cardName;
    std::string driverKey;
    std::string driverText;
    std::string osText;
    std::string cpuName;
};

ResultSummary summarise(soci::session& session, const RecordDocument& result)
{
    // The records the summary reads, and the records they refer to: two levels, read a level
    // at a time (three statements whatever the number of libraries).
    std::set<int32_t> first, versions;
    for (const RecordReference& reference : result.references) {
        if (reference.name == "GraphicsCard" || reference.name == "Processor")
            first.insert(reference.id);
        else if (reference.name == "OperatingSystem")
            versions.insert(reference.id);
    }
    std::set<int32_t> libraries;  // the driver libraries' version records, each once
    for (const RecordCollection& collection : result.collections) {
        if (collection.name == "DriverLibraries") {
            for (const RecordMember& member : collection.members)
                libraries.insert(member.id);
        }
    }
    versions.insert(libraries.begin(), libraries.end());
    first.insert(versions.begin(), versions.end());
    std::map<int32_t, Fields> fields = fieldsOf(session, first);
    const auto references = referencesOf(session, versions);
    const auto target = [&](int32_t id, const std::string& name) {
        const auto found = references.find({id, name});
        return found == references.end() ? 0 : found->second;
    };
    std::set<int32_t> second;
    for (const auto& [key, id] : references) {
        if (!fields.count(id))
            second.insert(id);
    }
    for (auto& [id, more] : fieldsOf(session, second))
        fields[id] = std::move(more);
    const auto value = [&](int32_t id, const std::string& name) {
        const auto found = fields.find(id);
        return found == fields.end() ? std::string() : valueOf(found->second, name);
    };

    ResultSummary summary;
    for (const RecordReference& reference : result.references) {
        if (reference.name == "GraphicsCard") {
            summary.graphicsCardID = reference.id;
            summary.cardName = value(reference.id, "Name");
        } else if (reference.name == "Processor") {
            summary.cpuName = value(reference.id, "Name");
        } else if (reference.name == "OperatingSystem") {
            const std::string version = value(reference.id, "OSVersion");
            const int32_t os = target(reference.id, "OperatingSystem");
            const std::string name = os ? value(os, "Name") : std::string();
            summary.osText = name.empty() ? version : name + " " + version;
        }
    }
    for (const RecordCollection& collection : result.collections) {
        if (collection.name != "DriverLibraries")
            continue;
        // The same libraries in the same versions are the same shared records, whatever order
        // they were listed in.
        std::set<int32_t> ids;
        for (const RecordMember& member : collection.members) {
            if (ids.insert(member.id).second) {
                if (!summary.driverText.empty())
                    summary.driverText += "; ";
                const int32_t library = target(member.id, "Library");
                summary.driverText += (library ? value(library, "Name") : std::string()) + " " +
                                      value(member.id, "LibraryVersion");
            }
        }
        for (int32_t id : ids)
            summary.driverKey += (summary.driverKey.empty() ? "" : ",") + std::to_string(id);
    }
    return summary;
}

// The fields and references of a record or a result, in their order; table and owner are the
// program's own names, never input.
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
                      const std::string& owner, int32_t id,
                      const std::vector<RecordReference>& references)
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

RecordDocument documentOf(const BCObject& object, const std::map<const BCObject*, int32_t>& stored)
{
    RecordDocument record;
    record.type = object.getTypeName();
    for (int i = 0; i < object.getNumFields(); ++i) {
        const auto field = object.getField(i);
        record.fields.push_back({toUtf8(field->getName()), toUtf8(field->getValue())});
    }
    for (int i = 0; i < object.getNumSubObjects(); ++i) {
        const auto reference = object.getSubObjectField(i);
        record.references.push_back({reference->getName(), stored.at(reference->getObject().get())});
    }
    for (int i = 0; i < object.getNumCollections(); ++i) {
        const auto collection = object.getCollection(i);
        RecordCollection members{collection->getName(), {}};
        for (int j = 0; j < collection->getNumObjects(); ++j) {
            const auto member = collection->getObject(j);
            members.members.push_back({member->getTypeName(), stored.at(member.get())});
        }
        record.collections.push_back(std::move(members));
    }
    return record;
}

// An identical submission committed by another request while this one was storing: this
// transaction is rolled back and the work run again, which then finds that submission's result.
class ConcurrentDuplicate : public std::exception {
};

// Runs storing work again once when it met a concurrent identical submission.
template <typename Work>
auto retryingDuplicates(Work&& work) -> decltype(work())
{
    try {
        return work();
    } catch (const ConcurrentDuplicate&) {
        return work();
    }
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
                                     bool imported)
{
    return retryingDuplicates([&] {
        return database_.inTransaction([&](soci::session& session) {
            return storeResultIn(session, result, clientName, imported).first;
        });
    });
}

int32_t SociRecordStore::storeTree(const BCObject& root, const std::string& clientName,
                                   bool imported, bool* alreadyStored)
{
    const auto outcome = retryingDuplicates([&] {
        return database_.inTransaction([&](soci::session& session) {
            std::map<const BCObject*, int32_t> stored;
            for (int i = 0; i < root.getNumSubObjects(); ++i)
                storeObjectIn(session, *root.getSubObjectField(i)->getObject(), stored);
            for (int i = 0; i < root.getNumCollections(); ++i) {
                const auto collection = root.getCollection(i);
                for (int j = 0; j < collection->getNumObjects(); ++j)
                    storeObjectIn(session, *collection->getObject(j), stored);
            }
            return storeResultIn(session, documentOf(root, stored), clientName, imported);
        });
    });
    if (alreadyStored)
        *alreadyStored = outcome.second;
    return outcome.first;
}

int32_t SociRecordStore::storeObjectIn(soci::session& session, const BCObject& object,
                                       std::map<const BCObject*, int32_t>& stored)
{
    const auto known = stored.find(&object);
    if (known != stored.end())
        return known->second;
    for (int i = 0; i < object.getNumSubObjects(); ++i)
        storeObjectIn(session, *object.getSubObjectField(i)->getObject(), stored);
    for (int i = 0; i < object.getNumCollections(); ++i) {
        const auto collection = object.getCollection(i);
        for (int j = 0; j < collection->getNumObjects(); ++j)
            storeObjectIn(session, *collection->getObject(j), stored);
    }
    if (!RecordTypes::isKnown(object.getTypeName()) || RecordTypes::isResult(object.getTypeName()))
        throw ProtocolError(400, "unknown record type " + object.getTypeName());
    const int32_t id = storeRecordIn(session, documentOf(object, stored));
    stored[&object] = id;
    return id;
}

int32_t SociRecordStore::storeRecordIn(soci::session& session, const RecordDocument& record)
{
    const SqlDialect dialect(database_.dialect());
    checkTargets(session, record);
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

    insertFields(session, dialect, "record_fields", "record_id", id, record.fields);
    insertReferences(session, dialect, "record_references", "record_id", id, record.references);
    return id;
}

std::pair<int32_t, bool> SociRecordStore::storeResultIn(soci::session& session,
                                                        const RecordDocument& result,
                                                        const std::string& clientName,
                                                        bool imported)
{
    const SqlDialect dialect(database_.dialect());
    checkTargets(session, result);
    const long long now = unixNow();
    // Imports share one origin whoever sends them, and never expire: a transcript is one run.
    const std::string origin = imported ? std::string("import") : "upload:" + clientName;
    const long long cutoff = imported ? 0 : now - kResubmissionWindowSeconds;
    const std::string digest = resultDigest(result);
    {
        int32_t earlier = -1;
        session << "SELECT result_id FROM result_digests WHERE origin = :origin AND digest = :digest "
                   "AND stored_at >= :cutoff",
            soci::use(origin), soci::use(digest), soci::use(cutoff), soci::into(earlier);
        if (session.got_data())
            return {earlier, true};
    }

    // The description records were stored before their result told the page they were
    // written in; the summary below reads them as that page gives them.
    const RecordField* pageField = result.field("CodePage");
    const int codePage = pageField ? codePageNamed(pageField->value) : 0;
    if (codePage != 0)
        readDescriptionsInCodePage(session, result, codePage);

    const ResultSummary summary = summarise(session, result);
    const int importedFlag = imported ? 1 : 0;
    const int32_t width = numberOf(result, "DisplayWidth");
    const int32_t height = numberOf(result, "DisplayHeight");
    const int32_t refresh = numberOf(result, "RefreshRate");
    const int32_t bits = numberOf(result, "BitsPerPixel");
    // Rates of known tests go into one column by their codes; every other field (and a rate
    // sent twice, after its first) stays a field of its own.
    model::Rates rates;
    std::vector<RecordField> fields;
    std::vector<std::pair<std::string, std::string>> namedFields;
    std::set<int> measured;
    for (const RecordField& field : result.fields) {
        namedFields.emplace_back(field.name, field.value);
        const auto m = parseMeasurement(field.name, field.value);
        const auto test = m ? model::TestId::of(m->test, m->width, m->height, m->unit) : std::nullopt;
        if (!test) {
            fields.push_back({field.name, inCodePage(field.value, codePage)});
        } else if (measured.insert(test->code()).second) {
            rates.push_back({*test, m->value});
        }
    }
    soci::indicator cardIndicator = summary.graphicsCardID ? soci::i_ok : soci::i_null;
    int32_t id = -1;
    session << "INSERT INTO results (created_at, client_name, imported, graphics_card_id, "
               "card_name, driver_key, driver_text, os_text, cpu_name, display_width, "
               "display_height, refresh_rate, bits_per_pixel) VALUES (:now, :client, :imported, "
               ":card, :cardName, :driverKey, :driverText, :os, :cpu, :w, :h, :r, :b) RETURNING id",
        soci::use(now), soci::use(clientName), soci::use(importedFlag),
        soci::use(summary.graphicsCardID, cardIndicator), soci::use(summary.cardName),
        soci::use(summary.driverKey), soci::use(summary.driverText), soci::use(summary.osText),
        soci::use(summary.cpuName), soci::use(width), soci::use(height), soci::use(refresh),
        soci::use(bits), soci::into(id);
    if (!session.got_data())
        throw std::runtime_error("the new result got no ID");

    insertFields(session, dialect, "result_fields", "result_id", id, fields);
    std::vector<int32_t> rateIDs, rateTests;
    std::vector<double> rateValues;
    for (const model::Rate& rate : rates) {
        rateIDs.push_back(id);
        rateTests.push_back(rate.id.code());
        rateValues.push_back(rate.value);
    }
    dialect.insertRows(session, "rate_values", "result_id, test, value", "", rateIDs, rateTests, rateValues);
    insertReferences(session, dialect, "result_references", "result_id", id, result.references);

    std::vector<int32_t> memberResults, memberPositions, memberIDs;
    std::vector<std::string> collections;
    for (const RecordCollection& collection : result.collections) {
        int32_t position = 0;
        for (const RecordMember& member : collection.members) {
            memberResults.push_back(id);
            collections.push_back(collection.name);
            memberPositions.push_back(position++);
            memberIDs.push_back(member.id);
        }
    }
    dialect.insertRows(session, "result_members", "result_id, collection, position, record_id", "",
                       memberResults, collections, memberPositions, memberIDs);

    // Claims the digest; a row left by an identical submission older than the window is taken
    // over. No row back means another request has just claimed it (PostgreSQL lets the two
    // overlap; SQLite's writers queue).
    int32_t claimed = -1;
    session << "INSERT INTO result_digests (origin, digest, result_id, stored_at) "
               "VALUES (:origin, :digest, :id, :now) ON CONFLICT (origin, digest) DO UPDATE SET "
               "result_id = excluded.result_id, stored_at = excluded.stored_at "
               "WHERE result_digests.stored_at < :cutoff RETURNING result_id",
        soci::use(origin), soci::use(digest), soci::use(id), soci::use(now), soci::use(cutoff),
        soci::into(claimed);
    if (!session.got_data())
        throw ConcurrentDuplicate();

    ArrivingResult arriving;
    arriving.id = id;
    arriving.cohort = {summary.graphicsCardID, summary.driverKey, model::graphicsSystemOf(namedFields),
                       width, height, bits};
    arriving.cardName = summary.cardName;
    arriving.driverText = summary.driverText;
    arriving.rates = std::move(rates);
    arriving.imported = imported;
    ResultFigures(dialect, countImported_).record(session, arriving);
    return {id, false};
}

LoginOutcome SociRecordStore::checkLogin(const std::string& name, const std::string& key)
{
    std::string hash;
    int enabled = 0;
    const auto now = std::chrono::steady_clock::now();
    bool known = false;
    {
        std::lock_guard<std::mutex> lock(loginsMutex_);
        const auto found = logins_.find(name);
        if (found != logins_.end() && found->second.until > now) {
            hash = found->second.keyHash;
            enabled = 1;
            known = true;
        }
    }
    if (!known) {
        database_.withSession([&](soci::session& session) {
            session << "SELECT key_hash, enabled FROM clients WHERE name = :name", soci::use(name),
                soci::into(hash), soci::into(enabled);
            if (!session.got_data())
                hash.clear();
        });
        if (!hash.empty() && enabled) {
            std::lock_guard<std::mutex> lock(loginsMutex_);
            if (logins_.size() >= kRememberedLogins)
                logins_.clear();
            logins_[name] = {hash, now + std::chrono::milliseconds(kLoginMemoryMillis)};
        }
    }
    if (hash.empty())
        return LoginOutcome::Unknown;
    if (!keyMatches(key, hash))
        return LoginOutcome::WrongKey;
    return enabled ? LoginOutcome::Accepted : LoginOutcome::Disabled;
}

void SociRecordStore::forgetLogin(const std::string& name)
{
    std::lock_guard<std::mutex> lock(loginsMutex_);
    logins_.erase(name);
}

void SociRecordStore::addClient(const std::string& name, const std::string& key)
{
    forgetLogin(name);
    const std::string hash = hashKey(key);
    const long long now = unixNow();
    database_.inTransaction([&](soci::session& session) {
        session << "INSERT INTO clients (name, key_hash, enabled, created_at) "
                   "VALUES (:name, :hash, 1, :now) ON CONFLICT (name) DO UPDATE SET "
                   "key_hash = excluded.key_hash, enabled = 1",
            soci::use(name), soci::use(hash), soci::use(now);
    });
}

bool SociRecordStore::disableClient(const std::string& name)
{
    forgetLogin(name);
    return database_.inTransaction([&](soci::session& session) {
        soci::statement statement =
            (session.prepare << "UPDATE clients SET enabled = 0 WHERE name = :name", soci::use(name));
        statement.execute(true);
        return statement.get_affected_rows() > 0;
    });
}
