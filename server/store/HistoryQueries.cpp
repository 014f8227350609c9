#include "server/store/HistoryQueries.h"

#include "server/store/CohortQueries.h"

namespace historyQueries {

std::vector<CohortSummary> driversOf(soci::session& s, const model::CohortKey& key, int version)
{
    std::vector<CohortSummary> drivers;
    for (CohortSummary& c : cohortQueries::ofCard(s, key.graphicsCardId, version)) {
        if (c.key.sameSystemAndMode(key))
            drivers.push_back(std::move(c));
    }
    return drivers;
}

std::vector<CohortSummary> otherModesOf(soci::session& s, const model::CohortKey& key, int version)
{
    std::vector<CohortSummary> modes;
    for (CohortSummary& c : cohortQueries::ofCard(s, key.graphicsCardId, version)) {
        if (c.key.driverKey == key.driverKey && !c.key.sameSystemAndMode(key))
            modes.push_back(std::move(c));
    }
    return modes;
}

int32_t previousDriverOf(const std::vector<CohortSummary>& drivers, const model::CohortKey& key)
{
    // drivers are newest version first: the one after key's own.
    for (std::size_t i = 0; i + 1 < drivers.size(); ++i) {
        if (drivers[i].key.driverKey == key.driverKey)
            return drivers[i + 1].cohortId;
    }
    return 0;
}

} // namespace historyQueries
