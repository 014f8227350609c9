#include "server/store/SimilarResultsQueries.h"

#include <algorithm>
#include <cstdlib>
#include <deque>
#include <map>
#include <tuple>

#include "server/store/ResultSummaries.h"
#include "server/store/SqlDialect.h"

namespace {

struct CardCohort {
    int32_t id = 0;
    model::CohortKey key;
    int64_t results = 0;
};

std::vector<CardCohort> cohortsOfCard(soci::session& s, int32_t card)
{
    std::vector<CardCohort> list;
    std::vector<int> ids(64), systems(64), widths(64), heights(64), bits(64);
    std::vector<long long> counts(64);
    std::vector<std::string> keys(64);
    soci::statement st = runOnce(s, "SELECT id, driver_key, graphics_system, display_width, display_height, "
                                    "bits_per_pixel, result_count FROM cohorts WHERE graphics_card_id = :c",
                                 soci::into(ids), soci::into(keys), soci::into(systems), soci::into(widths),
                                 soci::into(heights), soci::into(bits), soci::into(counts), soci::use(card));
    while (st.fetch()) {
        for (std::size_t i = 0; i < ids.size(); ++i) {
            CardCohort c;
            c.id = ids[i];
            c.key = {card, keys[i], static_cast<model::GraphicsSystem>(systems[i]), widths[i], heights[i], bits[i]};
            c.results = counts[i];
            list.push_back(std::move(c));
        }
        ids.resize(64), keys.resize(64), systems.resize(64), widths.resize(64), heights.resize(64), bits.resize(64),
            counts.resize(64);
    }
    return list;
}

// The results along an index of (column, ID) whose column equals a value: probed for up to
// kSimilarNearest IDs on each side of the result's, or counted up to kSimilarCountCap + 2 rows.
// Every probe and count of a page goes in one statement of UNION ALL, each row tagged with its
// probe's tag, so a page pays one round trip for all of them, not one per cohort.
struct Probe {
    std::string column;  // "cohort_id", "cpu_name", "os_text"
    std::string value;   // SQL text: an integer, or a placeholder (":n0") bound to a name
    int tag = 0;         // the cohort's ID, or one of the names' tags below
    bool count = false;  // a count (one row: the count and the tag) instead of IDs
};

std::vector<std::pair<int32_t, int>> probeIds(soci::session& s, const std::vector<Probe>& probes, int32_t id,
                                              std::deque<std::pair<std::string, std::string>>& binds)
{
    std::vector<std::pair<int32_t, int>> found;
    if (probes.empty())
        return found;
    std::string sql;
    int n = 0;
    const auto add = [&](const std::string& part) {
        sql += (sql.empty() ? "" : " UNION ALL ") + part + " p" + std::to_string(n++);
    };
    // On PostgreSQL the cohorts' probes go through one LATERAL subquery a side, planned once: as
    // a subquery each, their planning cost more than running them (2.4 ms for 22 probes).
    const bool lateral = s.get_backend_name() == "postgresql";
    std::string cohorts;
    for (const Probe& p : probes) {
        if (lateral && p.column == "cohort_id" && !p.count) {
            cohorts += (cohorts.empty() ? "" : ", ") + p.value;
            continue;
        }
        const std::string where = " FROM results WHERE " + p.column + " = " + p.value;
        if (p.count) {
            add("SELECT CAST(COUNT(*) AS INTEGER), " + std::to_string(p.tag) + " FROM (SELECT 1" + where + " LIMIT " +
                std::to_string(kSimilarCountCap + 2) + ")");
            continue;
        }
        for (const char* side : {" < ", " > "}) {
            add("SELECT id, " + std::to_string(p.tag) + " FROM (SELECT id" + where + " AND id" + side +
                std::to_string(id) + " ORDER BY id " + (side[1] == '<' ? "DESC" : "ASC") + " LIMIT " +
                std::to_string(kSimilarNearest) + ")");
        }
    }
    for (const char* side : {" < ", " > "}) {
        if (cohorts.empty())
            break;
        sql += (sql.empty() ? "" : " UNION ALL ") + std::string("SELECT x.id, c.tag FROM unnest(ARRAY[") + cohorts +
               "]) AS c(tag) CROSS JOIN LATERAL (SELECT id FROM results WHERE cohort_id = c.tag AND id" + side +
               std::to_string(id) + " ORDER BY id " + (side[1] == '<' ? "DESC" : "ASC") + " LIMIT " +
               std::to_string(kSimilarNearest) + ") x";
    }
    constexpr std::size_t kBatch = 256;
    std::vector<int> ids(kBatch), tags(kBatch);
    soci::statement st(s);
    st.exchange(soci::into(ids));
    st.exchange(soci::into(tags));
    for (auto& [name, value] : binds)
        st.exchange(soci::use(value, name));
    st.alloc();
    // Run once, not prepared: a named statement costs PostgreSQL two more round trips.
    st.prepare(sql, soci::details::st_one_time_query);
    st.define_and_bind();
    if (st.execute(true)) {
        do {
            for (std::size_t i = 0; i < ids.size(); ++i)
                found.emplace_back(ids[i], tags[i]);
            ids.resize(kBatch);
            tags.resize(kBatch);
        } while (st.fetch());
    }
    return found;
}

// The kSimilarNearest candidates nearest to id (the lower ID first on a tie), in ID order.
std::vector<int32_t> nearestOf(std::vector<int32_t> found, int32_t id)
{
    std::sort(found.begin(), found.end(), [id](int32_t a, int32_t b) {
        const int64_t da = std::llabs(int64_t(a) - id), db = std::llabs(int64_t(b) - id);
        return da != db ? da < db : a < b;
    });
    found.erase(std::unique(found.begin(), found.end()), found.end());
    if (found.size() > static_cast<std::size_t>(kSimilarNearest))
        found.resize(kSimilarNearest);
    std::sort(found.begin(), found.end());
    return found;
}

// The card's cohorts a group is made of, the largest kProbedCohorts first.
std::vector<CardCohort> probed(std::vector<CardCohort> cohorts)
{
    std::stable_sort(cohorts.begin(), cohorts.end(),
                     [](const CardCohort& a, const CardCohort& b) { return a.results > b.results; });
    if (cohorts.size() > similarResultsQueries::kProbedCohorts)
        cohorts.resize(similarResultsQueries::kProbedCohorts);
    return cohorts;
}

} // namespace

namespace similarResultsQueries {

SimilarResults of(soci::session& s, int32_t resultId, const model::CohortKey& key, int version)
{
    SimilarResults similar;
    soci::indicator cpuFound = soci::i_null, osFound = soci::i_null;
    s << "SELECT cpu_name, os_text FROM results WHERE id = :id", soci::into(similar.cpuName, cpuFound),
        soci::into(similar.osText, osFound), soci::use(resultId);
    if (!s.got_data())
        return similar;
    if (cpuFound != soci::i_ok)
        similar.cpuName.clear();
    if (osFound != soci::i_ok)
        similar.osText.clear();

    std::vector<Probe> probes;
    // The names bound to the placeholders; a deque: their addresses stay put.
    std::deque<std::pair<std::string, std::string>> binds;
    std::vector<int> driverCohorts;
    if (key.graphicsCardId > 0) {
        std::vector<CardCohort> drivers, modes;
        std::map<std::string, int> driverKeys;
        std::map<std::tuple<int, int32_t, int32_t, int32_t>, int64_t> byMode;
        for (CardCohort& c : cohortsOfCard(s, key.graphicsCardId)) {
            if (c.key.sameSystemAndMode(key)) {
                if (c.key.driverKey == key.driverKey)
                    continue;  // its own cohort
                ++driverKeys[c.key.driverKey];
                similar.otherDrivers.count += c.results;
                drivers.push_back(std::move(c));
            } else {
                byMode[{static_cast<int>(c.key.system), c.key.width, c.key.height, c.key.bitsPerPixel}] += c.results;
                similar.otherModes.count += c.results;
                modes.push_back(std::move(c));
            }
        }
        similar.otherDriverCount = static_cast<int64_t>(driverKeys.size());
        for (const auto& [mode, count] : byMode) {
            similar.modes.push_back(ModeCount{static_cast<model::GraphicsSystem>(std::get<0>(mode)), std::get<1>(mode),
                                              std::get<2>(mode), std::get<3>(mode), count});
        }
        std::stable_sort(similar.modes.begin(), similar.modes.end(),
                         [](const ModeCount& a, const ModeCount& b) { return a.count > b.count; });
        for (const CardCohort& c : probed(std::move(drivers))) {
            driverCohorts.push_back(c.id);
            probes.push_back({"cohort_id", std::to_string(c.id), c.id, false});
        }
        for (const CardCohort& c : probed(std::move(modes)))
            probes.push_back({"cohort_id", std::to_string(c.id), c.id, false});
    }
    // Cohort IDs are positive: the names' tags cannot be taken for one.
    constexpr int kProcessor = 0, kOs = -1, kProcessorCount = -2, kOsCount = -3;
    const struct {
        const std::string& name;
        const char* column;
        int tag, countTag;
    } named[] = {{similar.cpuName, "cpu_name", kProcessor, kProcessorCount},
                 {similar.osText, "os_text", kOs, kOsCount}};
    for (const auto& n : named) {
        if (n.name.empty())
            continue;
        binds.emplace_back("n" + std::to_string(binds.size()), n.name);
        probes.push_back({n.column, ":" + binds.back().first, n.tag, false});
        probes.push_back({n.column, ":" + binds.back().first, n.countTag, true});
    }

    // A name's count holds the result itself.
    const auto setCount = [](SimilarGroup& g, long long rows) {
        g.count = std::max<long long>(0, rows - 1);
        if (g.count > kSimilarCountCap) {
            g.count = kSimilarCountCap;
            g.countCapped = true;
        }
    };
    std::vector<int32_t> forDrivers, forModes, forProcessor, forOs;
    for (const auto& [id, tag] : probeIds(s, probes, resultId, binds)) {
        if (tag == kProcessor)
            forProcessor.push_back(id);
        else if (tag == kOs)
            forOs.push_back(id);
        else if (tag == kProcessorCount)
            setCount(similar.sameProcessor, id);
        else if (tag == kOsCount)
            setCount(similar.sameOs, id);
        else if (std::find(driverCohorts.begin(), driverCohorts.end(), tag) != driverCohorts.end())
            forDrivers.push_back(id);
        else
            forModes.push_back(id);
    }

    const std::vector<int32_t> drivers = nearestOf(forDrivers, resultId), modes = nearestOf(forModes, resultId),
                               processor = nearestOf(forProcessor, resultId), os = nearestOf(forOs, resultId);
    std::vector<int32_t> wanted;
    for (const auto* list : {&drivers, &modes, &processor, &os})
        wanted.insert(wanted.end(), list->begin(), list->end());
    std::sort(wanted.begin(), wanted.end());
    wanted.erase(std::unique(wanted.begin(), wanted.end()), wanted.end());
    // What the lists show of each: one statement for every group's nearest.
    std::map<int32_t, ResultSummary> summaries;
    for (ResultSummary& r : resultSummaries::byIds(s, wanted, version))
        summaries.emplace(r.id, std::move(r));
    const auto fill = [&](SimilarGroup& g, const std::vector<int32_t>& ids) {
        for (int32_t id : ids) {
            const auto found = summaries.find(id);
            if (found != summaries.end())
                g.nearest.push_back(found->second);
        }
    };
    fill(similar.otherDrivers, drivers);
    fill(similar.otherModes, modes);
    fill(similar.sameProcessor, processor);
    fill(similar.sameOs, os);
    return similar;
}

} // namespace similarResultsQueries
