#include "server/store/ResultRecords.h"

#include <algorithm>
#include <map>

#include "server/store/SqlDialect.h"

namespace {

std::map<std::string, std::string> recordFields(soci::session& s, int32_t id)
{
    std::map<std::string, std::string> fields;
    std::vector<std::string> names(64), values(64);
    soci::statement st = runOnce(s, "SELECT name, value FROM record_fields WHERE record_id = :id ORDER BY position",
                          soci::into(names), soci::into(values), soci::use(id));
    while (st.fetch()) {
        for (std::size_t i = 0; i < names.size(); ++i)
            fields.emplace(names[i], values[i]);
    }
    return fields;
}

std::map<std::string, int32_t> recordReferences(soci::session& s, int32_t id, const char* table, const char* owner)
{
    std::map<std::string, int32_t> refs;
    std::vector<std::string> names(16);
    std::vector<int> targets(16);
    soci::statement st = runOnce(s, std::string("SELECT name, target_id FROM ") + table + " WHERE " + owner +
                                           " = :id ORDER BY position",
                          soci::into(names), soci::into(targets), soci::use(id));
    while (st.fetch()) {
        for (std::size_t i = 0; i < names.size(); ++i)
            refs.emplace(names[i], targets[i]);
    }
    return refs;
}

LibraryVersion libraryVersion(soci::session& s, int32_t id)
{
    LibraryVersion l;
    l.version = recordFields(s, id)["LibraryVersion"];
    const auto refs = recordReferences(s, id, "record_references", "record_id");
    const auto library = refs.find("Library");
    if (library != refs.end())
        l.name = recordFields(s, library->second)["Name"];
    return l;
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
    auto refs = recordReferences(s, id, "result_references", "result_id");
    if (refs.count("GraphicsCard")) {
        auto card = recordFields(s, refs["GraphicsCard"]);
        r.cardManufacturer = card["Manufacturer"];
        r.productId = card["ProductID"];
        r.vendorId = card["VendorID"];
        r.subProductId = card["SubProductID"];
        r.subVendorId = card["SubVendorID"];
    }
    if (refs.count("OperatingSystem")) {
        const int32_t version = refs["OperatingSystem"];
        r.osVersion = recordFields(s, version)["OSVersion"];
        const auto osRefs = recordReferences(s, version, "record_references", "record_id");
        const auto os = osRefs.find("OperatingSystem");
        if (os != osRefs.end())
            r.osName = recordFields(s, os->second)["Name"];
    }
    if (full && refs.count("Motherboard")) {
        auto board = recordFields(s, refs["Motherboard"]);
        r.boardName = board["Name"];
        r.boardManufacturer = board["Manufacturer"];
    }
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
    for (const auto& [collection, member] : members) {
        if (collection == "DriverLibraries")
            r.driverLibraries.push_back(libraryVersion(s, member));
        else if (full && collection == "Libraries")
            r.systemLibraries.push_back(libraryVersion(s, member));
    }
    return r;
}
