#include "server/store/DriverHistoryQueries.h"

#include <algorithm>
#include <map>
#include <tuple>

#include "server/store/CohortQueries.h"

namespace {

int64_t uploadTime(soci::session& s, const char* query, int32_t arg)
{
    long long at = 0;
    soci::indicator have = soci::i_null;
    s << query, soci::into(at, have), soci::use(arg);
    return s.got_data() && have == soci::i_ok ? at : 0;
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

    std::map<int32_t, std::string> orders;
    {
        std::vector<int> ids(256);
        std::vector<std::string> keys(256);
        soci::statement st = (s.prepare << "SELECT id, driver_order FROM cohorts WHERE graphics_card_id = :c",
                              soci::into(ids), soci::into(keys), soci::use(card));
        st.execute();
        while (st.fetch()) {
            for (std::size_t i = 0; i < ids.size(); ++i)
                orders[ids[i]] = keys[i];
        }
    }
    for (const CohortSummary& c : cohorts) {
        if (!c.key.sameSystemAndMode(data.mode))
            continue;
        auto figures = cohortQueries::figures(s, c.cohortId);
        if (!figures)
            continue;
        DriverHistoryVersion v;
        v.figures = std::move(*figures);
        v.firstUploadAt = uploadTime(s, "SELECT created_at FROM results WHERE cohort_id = :c ORDER BY id LIMIT 1",
                                     c.cohortId);
        v.lastUploadAt = uploadTime(s, "SELECT created_at FROM results WHERE id = :i", c.newestResultId);
        if (data.cardName.empty())
            data.cardName = v.figures.cardName;
        data.versions.push_back(std::move(v));
    }
    std::stable_sort(data.versions.begin(), data.versions.end(),
                     [&](const DriverHistoryVersion& a, const DriverHistoryVersion& b) {
                         return std::make_tuple(orders[a.figures.cohortId], a.firstUploadAt, a.figures.cohortId) <
                                std::make_tuple(orders[b.figures.cohortId], b.firstUploadAt, b.figures.cohortId);
                     });
    return data;
}

} // namespace driverHistoryQueries
