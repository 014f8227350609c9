#include "server/store/NameMatches.h"

#include <algorithm>
#include <cctype>
#include <utility>

#include "server/store/SqlDialect.h"
#include "server/protocol/RecordTypes.h"

namespace {

std::string lower(const std::string& text)
{
    std::string out;
    for (char c : text)
        out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

} // namespace

namespace nameMatches {

std::string containing(const std::string& text)
{
    std::string pattern = "%";
    for (char c : lower(text)) {
        if (c == '%' || c == '_' || c == '\\')
            pattern += '\\';
        pattern += c;
    }
    return pattern + "%";
}

std::string vendorIdOf(const std::string& text)
{
    static const std::pair<const char*, const char*> vendors[] = {
        {"nvidia", "0x10de"}, {"amd", "0x1002"}, {"ati", "0x1002"}, {"radeon", "0x1002"},
        {"intel", "0x8086"}, {"matrox", "0x102b"}, {"vmware", "0x15ad"}, {"microsoft", "0x1414"}};
    const std::string s = lower(text);
    for (const auto& [name, id] : vendors) {
        if (s == name)
            return id;
    }
    return "";
}

std::vector<int32_t> cards(soci::session& s, const std::string& text, bool byName)
{
    std::vector<int32_t> found;
    const auto collect = [&](soci::statement& st, std::vector<int>& ids) {
        while (st.fetch()) {
            found.insert(found.end(), ids.begin(), ids.end());
            ids.resize(256);
        }
    };
    std::vector<int> ids(256);
    if (byName) {
        const std::string pattern = containing(text);
        soci::statement st = runOnce(s, "SELECT DISTINCT graphics_card_id FROM cohorts WHERE graphics_card_id > 0 "
                                        "AND LOWER(card_name) LIKE :p ESCAPE '\\'",
                                     soci::into(ids), soci::use(pattern));
        collect(st, ids);
    }
    // The description records are shared: one per card, however many results name it.
    const std::string id = lower(text);
    const std::string vendor = vendorIdOf(text).empty() ? id : vendorIdOf(text);
    ids.resize(256);
    soci::statement st = runOnce(s, "SELECT DISTINCT f.record_id FROM record_fields f JOIN records r ON r.id = "
                                    "f.record_id AND r.type = '" + std::string(RecordTypes::kGraphicsCard) + "' WHERE f.name IN "
                                    "('ProductID', 'VendorID', 'SubProductID', 'SubVendorID') AND "
                                    "LOWER(f.value) IN (:id, :vendor)",
                                 soci::into(ids), soci::use(id, "id"), soci::use(vendor, "vendor"));
    collect(st, ids);
    std::sort(found.begin(), found.end());
    found.erase(std::unique(found.begin(), found.end()), found.end());
    return found;
}

std::vector<std::string> values(soci::session& s, const std::string& column, const std::string& text)
{
    // Each step seeks the next distinct value along the column's index: as many steps as
    // there are distinct names, however many results carry them.
    const std::string pattern = containing(text);
    std::vector<std::string> found, batch(256);
    soci::statement st =
        runOnce(s, "WITH RECURSIVE v (name) AS (SELECT (SELECT " + column + " FROM results ORDER BY " + column +
                          " LIMIT 1) UNION ALL SELECT (SELECT " + column + " FROM results WHERE " + column +
                          " > v.name ORDER BY " + column + " LIMIT 1) FROM v WHERE v.name IS NOT NULL) "
                          "SELECT name FROM v WHERE name IS NOT NULL AND LOWER(name) LIKE :p ESCAPE '\\'",
                soci::into(batch), soci::use(pattern));
    while (st.fetch()) {
        found.insert(found.end(), batch.begin(), batch.end());
        batch.resize(256);
    }
    return found;
}

} // namespace nameMatches
