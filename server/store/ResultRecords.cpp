#include "server/store/ResultRecords.h"

#include <algorithm>
#include <map>

#include "server/store/SqlDialect.h"
#include "server/protocol/RecordTypes.h"

namespace {

using Fields = std::map<std::string, std::string>;
using References = std::map<std::string, int32_t>;

std::string idList(const std::vector<int32_t>& ids)
{
    std::string list;
    for (int32_t id : ids)
        list += (list.empty() ? "" : ", ") + std::to_string(id);
    return list;
}

// The fields of several records in one statement (one round trip on PostgreSQL, not one a
// record); a name given twice keeps its first value, as a record's reader always did.
std::map<int32_t, Fields> fieldsOf(soci::session& s, const std::vector<int32_t>& ids)
{
    std::map<int32_t, Fields> found;
    if (ids.empty())
        return found;
    std::vector<int> owners(256);
    std::vector<std::string> names(256), values(256);
    soci::statement st = runOnce(s, "SELECT record_id, name, value FROM record_fields WHERE record_id IN (" +
                                        idList(ids) + ") ORDER BY record_id, position",
                                 soci::into(owners), soci::into(names), soci::into(values));
    while (st.fetch()) {
        for (std::size_t i = 0; i < names.size(); ++i)
            found[owners[i]].emplace(names[i], values[i]);
    }
    return found;
}

std::map<int32_t, References> referencesOf(soci::session& s, const std::vector<int32_t>& ids)
{
    std::map<int32_t, References> found;
    if (ids.empty())
        return found;
    std::vector<int> owners(256), targets(256);
    std::vector<std::string> names(256);
    soci::statement st = runOnce(s, "SELECT record_id, name, target_id FROM record_references WHERE record_id IN (" +
                                        idList(ids) + ") ORDER BY record_id, position",
                                 soci::into(owners), soci::into(names), soci::into(targets));
    while (st.fetch()) {
        for (std::size_t i = 0; i < names.size(); ++i)
            found[owners[i]].emplace(names[i], targets[i]);
    }
    return found;
}

References resultReferences(soci::session& s, int32_t id)
{
    References refs;
    std::vector<std::string> names(16);
    std::vector<int> targets(16);
    soci::statement st = runOnce(s, "SELECT name, target_id FROM result_references WHERE result_id = :id ORDER BY position",
                                 soci::into(names), soci::into(targets), soci::use(id));
    while (st.fetch()) {
        for (std::size_t i = 0; i < names.size(); ++i)
            refs.emplace(names[i], targets[i]);
    }
    return refs;
}

// A value of a map of maps, empty when either key is missing.
template <typename Value>
Value lookUp(const std::map<int32_t, std::map<std::string, Value>>& maps, int32_t id, const std::string& name)
{
    const auto map = maps.find(id);
    if (map == maps.end())
        return Value{};
    const auto found = map->second.find(name);
    return found == map->second.end() ? Value{} : found->second;
}

} // namespace

model::Rates loadRates(soci::session& s, int32_t id)
{
    model::Rates rates;
    std::vector<int> tests(128);
    std::vector<double> values(128);
    soci::statement st = runOnce(s, "SELECT test, value FROM rate_values WHERE result_id = :id ORDER BY test",
                          soci::into(tests), soci::into(values), soci::use(id));
    while (st.fetch()) {
        for (std::size_t i = 0; i < tests.size(); ++i) {
            if (const auto test = model::TestId::fromCode(tests[i]))
                rates.push_back({*test, values[i]});
        }
    }
    return rates;
}

std::optional<StoredResult> loadResult(soci::session& s, int32_t id, bool full)
{
    StoredResult r;
    r.id = id;
    long long createdAt = 0;
    int imported = 0, system = 0, cohort = 0;
    soci::indicator found = soci::i_null;
    s << "SELECT created_at, client_name, imported, COALESCE(graphics_card_id, 0), card_name, driver_key, "
         "cpu_name, display_width, display_height, refresh_rate, bits_per_pixel, graphics_system, "
         "COALESCE(cohort_id, 0) FROM results WHERE id = :id",
        soci::into(createdAt, found), soci::into(r.clientName), soci::into(imported), soci::into(r.graphicsCardId),
        soci::into(r.cardName), soci::into(r.driverKey), soci::into(r.cpuName), soci::into(r.displayWidth),
        soci::into(r.displayHeight), soci::into(r.refreshRate), soci::into(r.bitsPerPixel), soci::into(system),
        soci::into(cohort), soci::use(id);
    if (!s.got_data() || found != soci::i_ok)
        return std::nullopt;
    r.createdAt = createdAt;
    r.imported = imported != 0;
    r.graphicsSystem = static_cast<model::GraphicsSystem>(system);
    r.cohortId = cohort;
    r.rates = loadRates(s, id);
    std::stable_sort(r.rates.begin(), r.rates.end(), [](const model::Rate& a, const model::Rate& b) {
        return model::displayOrder(a.id) < model::displayOrder(b.id);
    });
    {
        std::vector<std::string> names(64), values(64);
        soci::statement st = runOnce(s, "SELECT name, value FROM result_fields WHERE result_id = :id ORDER BY position",
                              soci::into(names), soci::into(values), soci::use(id));
        while (st.fetch()) {
            for (std::size_t i = 0; i < names.size(); ++i)
                r.machineFields.push_back({names[i], values[i]});
        }
    }
    // The records the result names, read a level at a time: the result's references and members,
    // then their fields and references, then the records those name (five statements in all).
    References refs = resultReferences(s, id);
    std::vector<std::pair<std::string, int32_t>> members;
    {
        std::vector<std::string> collections(32);
        std::vector<int> ids(32);
        soci::statement st = runOnce(s, "SELECT collection, record_id FROM result_members WHERE result_id = :id "
                                           "ORDER BY collection, position",
                              soci::into(collections), soci::into(ids), soci::use(id));
        while (st.fetch()) {
            for (std::size_t i = 0; i < collections.size(); ++i)
                members.emplace_back(collections[i], ids[i]);
        }
    }
    std::vector<std::pair<bool, int32_t>> libraries;  // (a driver's, the library version record)
    for (const auto& [collection, member] : members) {
        if (collection == RecordRoles::kDriverLibraries || (full && collection == RecordRoles::kLibraries))
            libraries.emplace_back(collection == RecordRoles::kDriverLibraries, member);
    }
    std::vector<int32_t> named, referring;
    for (const char* name : {RecordRoles::kGraphicsCard, RecordRoles::kOperatingSystem, RecordRoles::kMotherboard}) {
        if (refs.count(name) && (full || std::string(name) != RecordRoles::kMotherboard))
            named.push_back(refs[name]);
    }
    if (refs.count(RecordRoles::kOperatingSystem))
        referring.push_back(refs[RecordRoles::kOperatingSystem]);
    for (const auto& library : libraries) {
        named.push_back(library.second);
        referring.push_back(library.second);
    }
    const std::map<int32_t, Fields> fields = fieldsOf(s, named);
    const std::map<int32_t, References> targets = referencesOf(s, referring);
    std::vector<int32_t> named2;
    if (refs.count(RecordRoles::kOperatingSystem) && lookUp(targets, refs[RecordRoles::kOperatingSystem], RecordRoles::kOperatingSystem))
        named2.push_back(lookUp(targets, refs[RecordRoles::kOperatingSystem], RecordRoles::kOperatingSystem));
    for (const auto& library : libraries) {
        if (lookUp(targets, library.second, RecordRoles::kLibrary))
            named2.push_back(lookUp(targets, library.second, RecordRoles::kLibrary));
    }
    const std::map<int32_t, Fields> fields2 = fieldsOf(s, named2);

    if (refs.count(RecordRoles::kGraphicsCard)) {
        const int32_t card = refs[RecordRoles::kGraphicsCard];
        r.cardManufacturer = lookUp(fields, card, "Manufacturer");
        r.productId = lookUp(fields, card, "ProductID");
        r.vendorId = lookUp(fields, card, "VendorID");
        r.subProductId = lookUp(fields, card, "SubProductID");
        r.subVendorId = lookUp(fields, card, "SubVendorID");
    }
    if (refs.count(RecordRoles::kOperatingSystem)) {
        const int32_t version = refs[RecordRoles::kOperatingSystem];
        r.osVersion = lookUp(fields, version, "OSVersion");
        const auto osRefs = targets.find(version);
        if (osRefs != targets.end() && osRefs->second.count(RecordRoles::kOperatingSystem))
            r.osName = lookUp(fields2, osRefs->second.at(RecordRoles::kOperatingSystem), "Name");
    }
    if (full && refs.count(RecordRoles::kMotherboard)) {
        r.boardName = lookUp(fields, refs[RecordRoles::kMotherboard], "Name");
        r.boardManufacturer = lookUp(fields, refs[RecordRoles::kMotherboard], "Manufacturer");
    }
    for (const auto& [driver, member] : libraries) {
        LibraryVersion l;
        l.version = lookUp(fields, member, "LibraryVersion");
        const auto libraryRefs = targets.find(member);
        if (libraryRefs != targets.end() && libraryRefs->second.count(RecordRoles::kLibrary))
            l.name = lookUp(fields2, libraryRefs->second.at(RecordRoles::kLibrary), "Name");
        (driver ? r.driverLibraries : r.systemLibraries).push_back(std::move(l));
    }
    return r;
}
