#include "server/store/DriverHistoryQueries.h"

#include <algorithm>
#include <map>
#include <tuple>

#include "server/model/DriverVersion.h"
#include "server/store/CohortQueries.h"
#include "server/store/SqlDialect.h"

namespace {

// Each version's first upload (its lowest result ID's) and newest upload times, in one
// statement: an index probe of (cohort_id, id) per version and the newest results by ID.
std::map<int32_t, std::pair<int64_t, int64_t>> uploadTimes(soci::session& s,
                                                          const std::vector<DriverHistoryVersion>& versions)
{
    std::map<int32_t, std::pair<int64_t, int64_t>> times;
    std::map<int32_t, std::vector<int32_t>> newestOf;
    std::string sql, newest;
    for (const DriverHistoryVersion& v : versions) {
        const std::string cohort = std::to_string(v.figures.cohortId);
        sql += (sql.empty() ? "" : " UNION ALL ") + std::string("SELECT 0, ") + cohort +
               ", created_at FROM (SELECT created_at FROM results WHERE cohort_id = " + cohort +
               " ORDER BY id LIMIT 1) f" + cohort;
        times[v.figures.cohortId] = {0, 0};
        if (v.figures.newestResultId > 0) {
            newest += (newest.empty() ? "" : ", ") + std::to_string(v.figures.newestResultId);
            newestOf[v.figures.newestResultId].push_back(v.figures.cohortId);
        }
    }
    if (sql.empty())
        return times;
    if (!newest.empty())
        sql += " UNION ALL SELECT 1, id, created_at FROM results WHERE id IN (" + newest + ")";
    std::vector<int> kinds(256), ids(256);
    std::vector<long long> at(256);
    std::vector<soci::indicator> have(256);
    soci::statement st = runOnce(s, sql, soci::into(kinds), soci::into(ids), soci::into(at, have));
    while (st.fetch()) {
        for (std::size_t i = 0; i < kinds.size(); ++i) {
            const int64_t when = have[i] == soci::i_ok ? at[i] : 0;
            if (kinds[i] == 0)
                times[ids[i]].first = when;
            else
                for (int32_t cohort : newestOf[ids[i]])
                    times[cohort].second = when;
        }
    }
    return times;
}

std::tuple<int, int, int, int> modeOf(const model::CohortKey& k)
{
    return {static_cast<int>(k.system), k.width, k.height, k.bitsPerPixel};
}

} // namespace

namespace driverHistoryQueries {

std::optional<DriverHistoryData> ofCard(soci::session& s, int32_t card, const model::CohortKey& wanted, int version)
{
    const std::vector<CohortSummary> cohorts = cohortQueries::ofCard(s, card, version);
    if (cohorts.empty())
        return std::nullopt;
    DriverHistoryData data;
    data.graphicsCardId = card;
    data.scoreVersion = version;

    std::map<std::tuple<int, int, int, int>, DriverHistoryMode> modes;
    for (const CohortSummary& c : cohorts) {
        DriverHistoryMode& m = modes[modeOf(c.key)];
        m.key = model::CohortKey{0, "", c.key.system, c.key.width, c.key.height, c.key.bitsPerPixel};
        m.resultCount += c.resultCount;
        ++m.drivers;
    }
    for (auto& [k, m] : modes)
        data.modes.push_back(m);
    std::stable_sort(data.modes.begin(), data.modes.end(),
                     [](const DriverHistoryMode& a, const DriverHistoryMode& b) { return a.resultCount > b.resultCount; });
    data.mode = data.modes.front().key;
    for (const DriverHistoryMode& m : data.modes) {
        if (wanted.system != model::GraphicsSystem::Unknown && m.key.sameSystemAndMode(wanted))
            data.mode = m.key;
    }

    std::vector<int32_t> inMode;
    for (const CohortSummary& c : cohorts) {
        if (c.key.sameSystemAndMode(data.mode))
            inMode.push_back(c.cohortId);
    }
    std::map<int32_t, std::string> orders;
    for (auto& [figures, order] : cohortQueries::figuresOfCard(s, card, inMode)) {
        DriverHistoryVersion v;
        orders[figures.cohortId] = model::driverVersionOf(figures.driverText).key;
        v.figures = std::move(figures);
        data.versions.push_back(std::move(v));
    }
    const std::map<int32_t, std::pair<int64_t, int64_t>> times = uploadTimes(s, data.versions);
    for (DriverHistoryVersion& v : data.versions) {
        const auto found = times.find(v.figures.cohortId);
        if (found != times.end())
            std::tie(v.firstUploadAt, v.lastUploadAt) = found->second;
    }
    // The card's name as the first of its cohorts in the card's own order names it.
    for (const CohortSummary& c : cohorts) {
        for (const DriverHistoryVersion& v : data.versions) {
            if (data.cardName.empty() && v.figures.cohortId == c.cohortId)
                data.cardName = v.figures.cardName;
        }
    }
    std::stable_sort(data.versions.begin(), data.versions.end(),
                     [&](const DriverHistoryVersion& a, const DriverHistoryVersion& b) {
                         return std::make_tuple(orders[a.figures.cohortId], a.firstUploadAt, a.figures.cohortId) <
                                std::make_tuple(orders[b.figures.cohortId], b.firstUploadAt, b.figures.cohortId);
                     });
    return data;
}

} // namespace driverHistoryQueries
