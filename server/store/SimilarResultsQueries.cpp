#include "server/store/SimilarResultsQueries.h"

#include <algorithm>
#include <cstdlib>
#include <map>
#include <tuple>

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
    soci::statement st = (s.prepare << "SELECT id, driver_key, graphics_system, display_width, display_height, "
                                       "bits_per_pixel, result_count FROM cohorts WHERE graphics_card_id = :c",
                          soci::into(ids), soci::into(keys), soci::into(systems), soci::into(widths),
                          soci::into(heights), soci::into(bits), soci::into(counts), soci::use(card));
    st.execute();
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

// Up to kSimilarNearest results on each side of `id` along an index of (column, ID) whose column
// equals value: two probes of at most kSimilarNearest rows each.
template <typename Value>
void probe(soci::session& s, const char* column, Value value, int32_t id, int version,
           std::vector<ResultSummary>& found)
{
    for (const char* side : {"r.id < :id ORDER BY r.id DESC", "r.id > :id ORDER BY r.id ASC"}) {
        constexpr std::size_t kRows = kSimilarNearest;
        std::vector<int> ids(kRows), imported(kRows), cards(kRows), standings(kRows);
        std::vector<long long> created(kRows);
        std::vector<std::string> names(kRows), drivers(kRows), cpus(kRows), oses(kRows);
        std::vector<double> scores(kRows);
        std::vector<soci::indicator> have(kRows);
        s << "SELECT r.id, r.created_at, r.imported, COALESCE(r.graphics_card_id, 0), r.card_name, r.driver_text, "
             "r.cpu_name, r.os_text, r.standing, s.score FROM results r LEFT JOIN scores s ON s.version = " +
                 std::to_string(version) + " AND s.result_id = r.id WHERE r." + column + " = :value AND " + side +
                 " LIMIT " + std::to_string(kRows),
            soci::into(ids), soci::into(created), soci::into(imported), soci::into(cards), soci::into(names),
            soci::into(drivers), soci::into(cpus), soci::into(oses), soci::into(standings), soci::into(scores, have),
            soci::use(value, "value"), soci::use(id, "id");
        if (!s.got_data())
            continue;
        for (std::size_t i = 0; i < ids.size(); ++i) {
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
            found.push_back(std::move(r));
        }
    }
}

// The kSimilarNearest candidates nearest to id (the lower ID first on a tie), in ID order.
std::vector<ResultSummary> nearestOf(std::vector<ResultSummary> found, int32_t id)
{
    std::sort(found.begin(), found.end(), [id](const ResultSummary& a, const ResultSummary& b) {
        const int64_t da = std::llabs(int64_t(a.id) - id), db = std::llabs(int64_t(b.id) - id);
        return da != db ? da < db : a.id < b.id;
    });
    if (found.size() > static_cast<std::size_t>(kSimilarNearest))
        found.resize(kSimilarNearest);
    std::sort(found.begin(), found.end(), [](const ResultSummary& a, const ResultSummary& b) { return a.id < b.id; });
    return found;
}

// The group of some of a card's cohorts: their results, and the nearest along each of the
// largest kProbedCohorts.
SimilarGroup cohortGroup(soci::session& s, std::vector<CardCohort> cohorts, int32_t id, int version)
{
    SimilarGroup group;
    for (const CardCohort& c : cohorts)
        group.count += c.results;
    std::stable_sort(cohorts.begin(), cohorts.end(),
                     [](const CardCohort& a, const CardCohort& b) { return a.results > b.results; });
    if (cohorts.size() > similarResultsQueries::kProbedCohorts)
        cohorts.resize(similarResultsQueries::kProbedCohorts);
    std::vector<ResultSummary> found;
    for (const CardCohort& c : cohorts)
        probe(s, "cohort_id", c.id, id, version, found);
    group.nearest = nearestOf(std::move(found), id);
    return group;
}

// The results whose column equals value, other than the result itself: counted up to the cap.
SimilarGroup columnGroup(soci::session& s, const char* column, const std::string& value, int32_t id, int version)
{
    SimilarGroup group;
    long long rows = 0;
    s << std::string("SELECT COUNT(*) FROM (SELECT 1 FROM results WHERE ") + column + " = :value LIMIT " +
             std::to_string(kSimilarCountCap + 2) + ") t",
        soci::into(rows), soci::use(value, "value");
    group.count = std::max<long long>(0, rows - 1);  // the result itself is among them
    if (group.count > kSimilarCountCap) {
        group.count = kSimilarCountCap;
        group.countCapped = true;
    }
    std::vector<ResultSummary> found;
    probe(s, column, value, id, version, found);
    group.nearest = nearestOf(std::move(found), id);
    return group;
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

    if (key.graphicsCardId > 0) {
        std::vector<CardCohort> drivers, modes;
        std::map<std::string, int> driverKeys;
        std::map<std::tuple<int, int32_t, int32_t, int32_t>, int64_t> byMode;
        for (CardCohort& c : cohortsOfCard(s, key.graphicsCardId)) {
            if (c.key.sameSystemAndMode(key)) {
                if (c.key.driverKey == key.driverKey)
                    continue;  // its own cohort
                ++driverKeys[c.key.driverKey];
                drivers.push_back(std::move(c));
            } else {
                byMode[{static_cast<int>(c.key.system), c.key.width, c.key.height, c.key.bitsPerPixel}] += c.results;
                modes.push_back(std::move(c));
            }
        }
        similar.otherDriverCount = static_cast<int64_t>(driverKeys.size());
        similar.otherDrivers = cohortGroup(s, std::move(drivers), resultId, version);
        similar.otherModes = cohortGroup(s, std::move(modes), resultId, version);
        for (const auto& [mode, count] : byMode) {
            similar.modes.push_back(ModeCount{static_cast<model::GraphicsSystem>(std::get<0>(mode)), std::get<1>(mode),
                                              std::get<2>(mode), std::get<3>(mode), count});
        }
        std::stable_sort(similar.modes.begin(), similar.modes.end(),
                         [](const ModeCount& a, const ModeCount& b) { return a.count > b.count; });
    }
    if (!similar.cpuName.empty())
        similar.sameProcessor = columnGroup(s, "cpu_name", similar.cpuName, resultId, version);
    if (!similar.osText.empty())
        similar.sameOs = columnGroup(s, "os_text", similar.osText, resultId, version);
    return similar;
}

} // namespace similarResultsQueries
