#include "server/store/ResultListQueries.h"

#include <algorithm>
#include <cctype>
#include <deque>
#include <utility>

#include "server/store/ListQueries.h"

namespace {

std::string lower(const std::string& text)
{
    std::string out;
    for (char c : text)
        out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

// A LIKE pattern that finds text anywhere, its wildcards taken literally.
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

// The PCI vendor IDs of the names people search by.
std::string vendorIdOf(const std::string& search)
{
    static const std::pair<const char*, const char*> vendors[] = {
        {"nvidia", "0x10de"}, {"amd", "0x1002"}, {"ati", "0x1002"}, {"radeon", "0x1002"},
        {"intel", "0x8086"}, {"matrox", "0x102b"}, {"vmware", "0x15ad"}, {"microsoft", "0x1414"}};
    const std::string s = lower(search);
    for (const auto& [name, id] : vendors) {
        if (s == name)
            return id;
    }
    return "";
}

// The WHERE text of a request and the values it binds, in order of their names.
struct Conditions {
    std::string where;
    std::deque<std::pair<std::string, std::string>> binds;  // deque: their addresses stay put

    void add(const std::string& condition)
    {
        where += (where.empty() ? " WHERE " : " AND ") + condition;
    }
    void bind(const std::string& name, const std::string& value) { binds.emplace_back(name, value); }
    void useIn(soci::statement& st)
    {
        for (auto& [name, value] : binds)
            st.exchange(soci::use(value, name));
    }
};

bool sortsByName(ResultSort sort)
{
    return sort == ResultSort::Card || sort == ResultSort::Driver || sort == ResultSort::Processor ||
           sort == ResultSort::Os;
}

Conditions conditionsOf(const ResultListRequest& q, bool window)
{
    Conditions c;
    if (q.card > 0)
        c.add("r.graphics_card_id = " + std::to_string(q.card));
    if (q.system != model::GraphicsSystem::Unknown)
        c.add("r.graphics_system = " + std::to_string(static_cast<int>(q.system)));
    if (q.width > 0)
        c.add("r.display_width = " + std::to_string(q.width) + " AND r.display_height = " + std::to_string(q.height) +
              " AND r.bits_per_pixel = " + std::to_string(q.bitsPerPixel));
    if (window)
        c.add("r.id > (SELECT COALESCE(MAX(id), 0) FROM results) - " + std::to_string(kListWindow));
    const std::pair<const std::string*, const char*> texts[] = {
        {&q.driver, "r.driver_text"}, {&q.os, "r.os_text"}, {&q.processor, "r.cpu_name"}};
    int n = 0;
    for (const auto& [text, column] : texts) {
        if (text->empty())
            continue;
        const std::string name = "t" + std::to_string(n++);
        c.add("LOWER(" + std::string(column) + ") LIKE :" + name + " ESCAPE '\\'");
        c.bind(name, containing(*text));
    }
    if (!q.search.empty()) {
        // Names of the card, driver, processor and OS; the card's IDs as sent ("0x6898"), and a
        // vendor's name as its vendor ID.
        std::string id = lower(q.search);
        const std::string vendor = vendorIdOf(q.search);
        c.add("(LOWER(r.card_name) LIKE :q ESCAPE '\\' OR LOWER(r.driver_text) LIKE :q ESCAPE '\\' OR "
              "LOWER(r.cpu_name) LIKE :q ESCAPE '\\' OR LOWER(r.os_text) LIKE :q ESCAPE '\\' OR "
              "r.graphics_card_id IN (SELECT f.record_id FROM record_fields f WHERE f.name IN ('ProductID', "
              "'VendorID', 'SubProductID', 'SubVendorID') AND LOWER(f.value) IN (:id, :vendor)))");
        c.bind("q", containing(q.search));
        c.bind("id", id);
        c.bind("vendor", vendor.empty() ? id : vendor);
    }
    return c;
}

std::string orderColumn(ResultSort sort)
{
    switch (sort) {
    case ResultSort::Score: return "s.score";
    case ResultSort::Card: return "r.card_name";
    case ResultSort::Driver: return "r.driver_text";
    case ResultSort::Processor: return "r.cpu_name";
    case ResultSort::Os: return "r.os_text";
    default: return "r.id";
    }
}

} // namespace

namespace resultListQueries {

ResultListData list(soci::session& s, const ResultListRequest& q, int version)
{
    ResultListData data;
    data.request = q;
    data.totalResults = listQueries::totalResults(s);
    const bool window = q.card == 0 && (q.hasTextFilter() || sortsByName(q.sort));
    data.withinWindow = window;
    Conditions c = conditionsOf(q, window);
    const bool byScore = q.sort == ResultSort::Score;
    const std::string from = byScore ? " FROM scores s JOIN results r ON r.id = s.result_id AND s.version = " +
                                           std::to_string(version)
                                     : " FROM results r LEFT JOIN scores s ON s.version = " + std::to_string(version) +
                                           " AND s.result_id = r.id";
    std::string where = c.where;
    if (q.sort == ResultSort::Id && q.after > 0)
        where += std::string(where.empty() ? " WHERE " : " AND ") + "r.id " + (q.ascending ? ">" : "<") + " " +
                 std::to_string(q.after);
    const std::string direction = q.ascending ? " ASC" : " DESC";
    std::string sql = "SELECT r.id, r.created_at, r.imported, COALESCE(r.graphics_card_id, 0), r.card_name, "
                      "r.driver_text, r.cpu_name, r.os_text, r.standing, s.score" +
                      from + where + " ORDER BY " + orderColumn(q.sort) + direction +
                      // By score the index holds (score, result ID): ties need no sort of their own.
                      (q.sort == ResultSort::Id ? "" : (byScore ? ", s.result_id" : ", r.id") + direction) + " LIMIT " +
                      std::to_string(q.pageSize + 1);
    if (q.sort != ResultSort::Id)
        sql += " OFFSET " + std::to_string((std::min(q.page, kDeepestPage) - 1) * q.pageSize);

    const std::size_t batch = static_cast<std::size_t>(q.pageSize) + 1;
    std::vector<int> ids(batch), imported(batch), cards(batch), standings(batch);
    std::vector<long long> created(batch);
    std::vector<std::string> names(batch), drivers(batch), cpus(batch), oses(batch);
    std::vector<double> scores(batch);
    std::vector<soci::indicator> have(batch);
    {
        soci::statement st(s);
        st.exchange(soci::into(ids));
        st.exchange(soci::into(created));
        st.exchange(soci::into(imported));
        st.exchange(soci::into(cards));
        st.exchange(soci::into(names));
        st.exchange(soci::into(drivers));
        st.exchange(soci::into(cpus));
        st.exchange(soci::into(oses));
        st.exchange(soci::into(standings));
        st.exchange(soci::into(scores, have));
        c.useIn(st);
        st.alloc();
        st.prepare(sql);
        st.define_and_bind();
        st.execute(true);
    }
    for (std::size_t i = 0; i < ids.size(); ++i) {
        if (static_cast<int>(i) == q.pageSize) {
            data.hasMore = true;
            break;
        }
        ResultSummary r;
        r.id = ids[i];
        r.createdAt = created[i];
        r.imported = imported[i] != 0;
        r.graphicsCardId = cards[i];
        r.cardName = names[i];
        r.driverText = drivers[i];
        r.cpuName = cpus[i];
        r.osText = oses[i];
        r.standing = static_cast<model::Standing>(standings[i]);
        if (have[i] == soci::i_ok)
            r.score = scores[i];
        data.results.push_back(std::move(r));
    }

    if (!byScore && !q.hasTextFilter() && q.card == 0 && q.system == model::GraphicsSystem::Unknown && q.width == 0) {
        data.matched = data.totalResults;
    } else if (!byScore && !q.hasTextFilter()) {
        // Card, system and mode are the cohorts' own columns: their counts add up.
        std::string sql = "SELECT COALESCE(SUM(result_count), 0) FROM cohorts WHERE 1 = 1";
        if (q.card > 0)
            sql += " AND graphics_card_id = " + std::to_string(q.card);
        if (q.system != model::GraphicsSystem::Unknown)
            sql += " AND graphics_system = " + std::to_string(static_cast<int>(q.system));
        if (q.width > 0)
            sql += " AND display_width = " + std::to_string(q.width) + " AND display_height = " +
                   std::to_string(q.height) + " AND bits_per_pixel = " + std::to_string(q.bitsPerPixel);
        long long matched = 0;
        s << sql, soci::into(matched);
        data.matched = matched;
    } else {
        // Bounded: by the card's index, the window, or (by score) the scores' index.
        long long matched = 0;
        soci::statement st(s);
        st.exchange(soci::into(matched));
        c.useIn(st);
        st.alloc();
        const bool scoresOnly = byScore && c.where.empty();
        st.prepare(scoresOnly ? "SELECT COUNT(*) FROM scores WHERE version = " + std::to_string(version)
                              : "SELECT COUNT(*)" + from + c.where);
        st.define_and_bind();
        st.execute(true);
        data.matched = matched;
    }
    return data;
}

} // namespace resultListQueries
