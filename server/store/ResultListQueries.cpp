#include "server/store/ResultListQueries.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <optional>
#include <utility>

#include "server/store/ListQueries.h"
#include "server/store/NameMatches.h"
#include "server/store/ResultSummaries.h"

namespace {

// The most cohorts whose pages are merged rather than gathered.
constexpr std::size_t kMergedCohorts = 16;

struct Bind {
    std::string name;
    std::string value;
};

// One condition every listed result meets, in two spellings: one the database can look up
// along an index, and one it cannot (so that it filters rows read along another index).
struct Constraint {
    std::string indexed;
    std::string plain;
    // The same on the scores alone (s), which carry each result's cohort; empty when the
    // condition is not the cohorts'.
    std::string scoreIndexed;
    std::string scorePlain;
    std::vector<int32_t> cohorts;  // when the condition is a set of cohorts
    std::vector<Bind> binds;
    int64_t bound = 0;   // at most this many results meet it (kCountLimit + 1: more than the limit)
    bool exact = false;  // and exactly this many
};

class Names {
public:
    std::string next() { return "v" + std::to_string(count_++); }

private:
    int count_ = 0;
};

std::string idList(const std::vector<int32_t>& ids)
{
    std::string list;
    for (int32_t id : ids)
        list += (list.empty() ? "" : ",") + std::to_string(id);
    return list;
}

// "(:v0,:v1)" with its values bound.
std::string valueList(const std::vector<std::string>& values, Names& names, std::vector<Bind>& binds)
{
    std::string list;
    for (const std::string& value : values) {
        const std::string name = names.next();
        list += (list.empty() ? ":" : ",:") + name;
        binds.push_back({name, value});
    }
    return "(" + list + ")";
}

// Runs a statement once (one round trip on PostgreSQL) with its parameters named at run time
// after the elements it reads into; fetchNow reads the first rows at once.
template <typename... Into>
soci::statement runWith(soci::session& s, const std::string& sql, std::vector<Bind>& binds, bool fetchNow,
                        Into&&... into)
{
    soci::statement st(s);
    (st.exchange(std::forward<Into>(into)), ...);
    for (Bind& b : binds)
        st.exchange(soci::use(b.value, b.name));
    st.alloc();
    st.prepare(sql, soci::details::st_one_time_query);
    st.define_and_bind();
    st.execute(fetchNow);
    return st;
}

long long countOf(soci::session& s, const std::string& sql, std::vector<Bind> binds)
{
    long long n = 0;
    runWith(s, sql, binds, true, soci::into(n));
    return n;
}

std::vector<int> idsOf(soci::session& s, const std::string& sql, std::vector<Bind> binds, std::size_t limit)
{
    std::vector<int> ids(limit);
    runWith(s, sql, binds, true, soci::into(ids));
    return ids;
}

// The cohorts a query selects, with their results counted: one row per cohort.
std::pair<std::vector<int32_t>, int64_t> cohortsWhere(soci::session& s, const std::string& where,
                                                      std::vector<Bind> binds)
{
    std::vector<int32_t> cohorts;
    int64_t results = 0;
    std::vector<int> ids(512);
    std::vector<long long> counts(512);
    soci::statement st = runWith(s, "SELECT id, result_count FROM cohorts WHERE " + where, binds, false,
                                 soci::into(ids), soci::into(counts));
    while (st.fetch()) {
        for (std::size_t i = 0; i < ids.size(); ++i) {
            cohorts.push_back(ids[i]);
            results += counts[i];
        }
        ids.resize(512);
        counts.resize(512);
    }
    return {cohorts, results};
}

// How many results meet an indexed condition, reading at most one more than the limit.
int64_t boundedCount(soci::session& s, const std::string& indexed, const std::vector<Bind>& binds, int64_t limit)
{
    return countOf(s, "SELECT COUNT(*) FROM (SELECT 1 AS one FROM results r WHERE " + indexed + " LIMIT " +
                          std::to_string(limit + 1) + ") x",
                   binds);
}

struct Part {
    std::string indexed;
    std::string plain;
    int64_t bound = 0;
    bool exact = false;
    std::string scoreIndexed;
    std::string scorePlain;
    std::vector<int32_t> cohorts;
};

Part cohortPart(const std::vector<int32_t>& cohorts, int64_t results)
{
    const std::string list = "(" + idList(cohorts) + ")";
    return {"r.cohort_id IN " + list, "r.cohort_id + 0 IN " + list, results, true, "s.cohort_id IN " + list,
            "s.cohort_id + 0 IN " + list, cohorts};
}

Part valuePart(soci::session& s, const char* column, const std::vector<std::string>& values, Names& names,
               std::vector<Bind>& binds, int64_t limit)
{
    std::vector<Bind> own;
    const std::string list = valueList(values, names, own);
    Part part;
    part.indexed = "r." + std::string(column) + " IN " + list;
    part.plain = "r." + std::string(column) + " || '' IN " + list;
    part.bound = boundedCount(s, part.indexed, own, limit);
    part.exact = part.bound <= limit;
    binds.insert(binds.end(), own.begin(), own.end());
    return part;
}

// A condition met when any of its parts is; none: nothing can meet it.
std::optional<Constraint> anyOf(const std::vector<Part>& parts, std::vector<Bind> binds, int64_t limit)
{
    if (parts.empty())
        return std::nullopt;
    Constraint c;
    c.binds = std::move(binds);
    for (const Part& p : parts) {
        c.indexed += (c.indexed.empty() ? "" : " OR ") + p.indexed;
        c.plain += (c.plain.empty() ? "" : " OR ") + p.plain;
        c.bound = std::min(limit + 1, c.bound + p.bound);
    }
    if (parts.size() > 1) {
        c.indexed = "(" + c.indexed + ")";
        c.plain = "(" + c.plain + ")";
    } else {
        c.bound = parts[0].bound;
        c.scoreIndexed = parts[0].scoreIndexed;
        c.scorePlain = parts[0].scorePlain;
        c.cohorts = parts[0].cohorts;
    }
    c.exact = parts.size() == 1 && parts[0].exact;
    return c;
}

// The request's conditions; false when one of them can be met by no result at all.
bool constraintsOf(soci::session& s, const ResultListRequest& q, int64_t limit, std::vector<Constraint>& out)
{
    Names names;
    // Card, driver, system and mode are the cohorts' own: one set of cohorts, counted exactly.
    if (q.card > 0 || !q.driver.empty() || q.system != model::GraphicsSystem::Unknown || q.width > 0) {
        std::string where = "1 = 1";
        std::vector<Bind> binds;
        if (q.card > 0)
            where += " AND graphics_card_id = " + std::to_string(q.card);
        if (q.system != model::GraphicsSystem::Unknown)
            where += " AND graphics_system = " + std::to_string(static_cast<int>(q.system));
        if (q.width > 0)
            where += " AND display_width = " + std::to_string(q.width) + " AND display_height = " +
                     std::to_string(q.height) + " AND bits_per_pixel = " + std::to_string(q.bitsPerPixel);
        if (!q.driver.empty()) {
            where += " AND LOWER(driver_text) LIKE :d ESCAPE '\\'";
            binds.push_back({"d", nameMatches::containing(q.driver)});
        }
        const auto [cohorts, results] = cohortsWhere(s, where, binds);
        if (cohorts.empty())
            return false;
        const auto c = anyOf({cohortPart(cohorts, results)}, {}, limit);
        out.push_back(*c);
    }
    // OS and processor names are the results' own: their distinct values, then the results
    // that carry them.
    const std::pair<const std::string*, const char*> texts[] = {{&q.os, "os_text"}, {&q.processor, "cpu_name"}};
    for (const auto& [text, column] : texts) {
        if (text->empty())
            continue;
        const std::vector<std::string> values = nameMatches::values(s, column, *text);
        if (values.empty())
            return false;
        std::vector<Bind> binds;
        const Part part = valuePart(s, column, values, names, binds, limit);
        out.push_back(*anyOf({part}, binds, limit));
    }
    if (!q.search.empty()) {
        // The card's or driver's name, the card's IDs or vendor: cohorts. OS and processor: values.
        std::vector<Bind> binds{{"p", nameMatches::containing(q.search)}};
        std::string where = "LOWER(card_name) LIKE :p ESCAPE '\\' OR LOWER(driver_text) LIKE :p ESCAPE '\\'";
        const std::vector<int32_t> cards = nameMatches::cards(s, q.search, false);
        if (!cards.empty())
            where += " OR graphics_card_id IN (" + idList(cards) + ")";
        const auto [cohorts, results] = cohortsWhere(s, where, binds);
        std::vector<Part> parts;
        if (!cohorts.empty())
            parts.push_back(cohortPart(cohorts, results));
        std::vector<Bind> valueBinds;
        for (const char* column : {"os_text", "cpu_name"}) {
            const std::vector<std::string> values = nameMatches::values(s, column, q.search);
            if (!values.empty())
                parts.push_back(valuePart(s, column, values, names, valueBinds, limit));
        }
        const auto c = anyOf(parts, valueBinds, limit);
        if (!c)
            return false;
        out.push_back(*c);
    }
    return true;
}

struct Order {
    std::string from;      // with r the results, s the scores
    std::string key;       // the sort column; empty when by ID
    std::string plainKey;  // the same, so that no index serves it
    std::string id;        // the ID column that orders equal keys
};

Order orderOf(ResultSort sort, int version, bool onScores)
{
    const std::string results = " FROM results r";
    switch (sort) {
    case ResultSort::Score:
        return {onScores ? " FROM scores s"
                         : " FROM scores s JOIN results r ON r.id = s.result_id AND s.version = " + std::to_string(version),
                "s.score", "s.score + 0", "s.result_id"};
    case ResultSort::Card: return {results, "r.card_name", "r.card_name || ''", "r.id"};
    case ResultSort::Driver: return {results, "r.driver_text", "r.driver_text || ''", "r.id"};
    case ResultSort::Processor: return {results, "r.cpu_name", "r.cpu_name || ''", "r.id"};
    case ResultSort::Os: return {results, "r.os_text", "r.os_text || ''", "r.id"};
    default: return {results, "", "", "r.id"};
    }
}

// Where the page after result `after` starts: "(key, id) < (value, after)" in the order's
// direction; empty for the first page, or when that result is not in the order.
std::string keyset(soci::session& s, const ResultListRequest& q, const Order& order, int version, bool plain,
                   std::vector<Bind>& binds)
{
    if (q.after <= 0)
        return "";
    const std::string op = q.ascending ? " > " : " < ";
    const std::string after = std::to_string(q.after);
    if (order.key.empty())
        return (plain ? "r.id + 0" : "r.id") + op + after;
    if (q.sort == ResultSort::Score) {
        double score = 0;
        s << "SELECT score FROM scores WHERE version = :v AND result_id = :id", soci::into(score), soci::use(version),
            soci::use(q.after);
        if (!s.got_data())
            return "";
        char text[40];
        std::snprintf(text, sizeof text, "%.17g", score);
        return "(" + (plain ? order.plainKey + ", s.result_id + 0" : order.key + ", s.result_id") + ")" + op + "(" +
               text + ", " + after + ")";
    }
    std::string value;
    s << "SELECT " + order.key.substr(2) + " FROM results WHERE id = :id", soci::into(value), soci::use(q.after);
    if (!s.got_data())
        return "";
    binds.push_back({"k", value});
    return "(" + (plain ? order.plainKey + ", r.id + 0" : order.key + ", r.id") + ")" + op + "(:k, " + after + ")";
}

} // namespace

namespace resultListQueries {

ResultListData list(soci::session& s, const ResultListRequest& q, int version, int64_t limit)
{
    ResultListData data;
    data.request = q;
    data.countLimit = limit;
    data.totalResults = listQueries::totalResults(s);
    std::vector<Constraint> constraints;
    if (!constraintsOf(s, q, limit, constraints))
        return data;  // nothing can match: 0, exactly
    const bool byScore = q.sort == ResultSort::Score;
    // Sorted by score with only the cohorts' conditions, the scores (each with its cohort, along
    // their indexes by score and by cohort and score) answer alone.
    const bool onScores =
        byScore && std::all_of(constraints.begin(), constraints.end(),
                               [](const Constraint& c) { return !c.scoreIndexed.empty(); });
    const Order order = orderOf(q.sort, version, onScores);
    const auto indexedOf = [&](const Constraint& c) { return onScores ? c.scoreIndexed : c.indexed; };
    const auto plainOf = [&](const Constraint& c) { return onScores ? c.scorePlain : c.plain; };

    // Few enough results meet the narrowest condition: gather them along its index and sort
    // them. Otherwise walk the index of the sort order and filter the rows on the way: the
    // matches are then at least limit of the stored results, so a page of them is near.
    const auto driving = std::min_element(constraints.begin(), constraints.end(),
                                          [](const Constraint& a, const Constraint& b) { return a.bound < b.bound; });
    const bool gather = driving != constraints.end() && driving->bound <= limit;
    std::vector<Bind> binds, countBinds;
    for (const Constraint& c : constraints)
        countBinds.insert(countBinds.end(), c.binds.begin(), c.binds.end());
    std::string where;
    const auto add = [&](std::string& to, const std::string& condition) {
        if (!condition.empty())
            to += (to.empty() ? " WHERE " : " AND ") + condition;
    };
    const std::string direction = q.ascending ? " ASC" : " DESC";
    const std::string rows = std::to_string(q.pageSize + 1);
    std::string sql;
    if (gather && !driving->cohorts.empty() && driving->cohorts.size() <= kMergedCohorts &&
        (onScores || q.sort == ResultSort::Id)) {
        // A few cohorts: a page from each along its own index, already in order, merged. The
        // rows read do not grow with the results stored.
        binds = countBinds;
        std::string others = onScores ? " WHERE s.version = " + std::to_string(version) : "";
        for (auto it = constraints.begin(); it != constraints.end(); ++it) {
            if (it != driving)
                add(others, plainOf(*it));
        }
        add(others, keyset(s, q, order, version, false, binds));
        const std::string key = onScores ? "s.score" + direction + ", s.result_id" : "r.id";
        std::string parts;
        for (std::size_t i = 0; i < driving->cohorts.size(); ++i) {
            std::string part = others;
            add(part, (onScores ? "s.cohort_id = " : "r.cohort_id = ") + std::to_string(driving->cohorts[i]));
            parts += std::string(i == 0 ? "" : " UNION ALL ") + "SELECT * FROM (SELECT " +
                     (onScores ? "s.score AS score, s.result_id AS id FROM scores s" : "r.id AS id FROM results r") +
                     part + " ORDER BY " + key + direction + " LIMIT " + rows + ") m" + std::to_string(i);
        }
        sql = "SELECT id FROM (" + parts + ") u ORDER BY " + (onScores ? "score" + direction + ", " : std::string()) +
              "id" + direction + " LIMIT " + rows;
    } else {
        // Few enough results meet the narrowest condition: gather them along its index and sort
        // them. Otherwise walk the index of the sort order and filter the rows on the way: the
        // matches are then more than limit of the stored results, so a page of them is near.
        if (onScores)
            add(where, "s.version = " + std::to_string(version));
        for (auto it = constraints.begin(); it != constraints.end(); ++it)
            add(where, gather && it == driving ? indexedOf(*it) : plainOf(*it));
        binds = countBinds;
        add(where, keyset(s, q, order, version, gather, binds));
        std::string sortBy;
        if (order.key.empty())
            sortBy = (gather ? "r.id + 0" : "r.id") + direction;
        else
            sortBy = (gather ? order.plainKey : order.key) + direction + ", " + order.id + (gather ? " + 0" : "") +
                     direction;
        sql = "SELECT " + order.id + order.from + where + " ORDER BY " + sortBy + " LIMIT " + rows;
    }
    const std::vector<int> ids = idsOf(s, sql, binds, static_cast<std::size_t>(q.pageSize) + 1);
    data.hasMore = ids.size() > static_cast<std::size_t>(q.pageSize);
    data.results = resultSummaries::byIds(
        s, std::vector<int32_t>(ids.begin(), ids.begin() + std::min<std::size_t>(ids.size(), q.pageSize)), version);

    // How many results the filters select, whatever the sort, reading at most limit results.
    if (constraints.empty()) {
        data.matched = data.totalResults;
    } else if (constraints.size() == 1 && driving->exact) {
        data.matched = driving->bound;
    } else if (gather) {
        std::string counted;
        for (auto it = constraints.begin(); it != constraints.end(); ++it)
            add(counted, it == driving ? it->indexed : it->plain);
        data.matched = countOf(s, "SELECT COUNT(*) FROM results r" + counted, countBinds);
    } else if (constraints.size() == 1) {
        data.matched = limit;
        data.matchCount = MatchCount::MoreThan;
    } else {
        // Of the first limit results along the narrowest condition's index, those that
        // meet the others.
        std::string others;
        for (auto it = constraints.begin(); it != constraints.end(); ++it) {
            if (it != driving)
                add(others, it->plain);
        }
        data.matched = countOf(s, "SELECT COUNT(*) FROM (SELECT r.id, r.cohort_id, r.os_text, r.cpu_name FROM results r "
                                  "WHERE " + driving->indexed + " LIMIT " + std::to_string(limit) + ") r" + others,
                               countBinds);
        data.matchCount = MatchCount::AtLeast;
    }
    return data;
}

} // namespace resultListQueries
