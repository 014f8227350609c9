#include "server/store/HistoryQueries.h"

#include "server/store/CohortQueries.h"

namespace historyQueries {

CardCohorts cohortsBeside(soci::session& s, const model::CohortKey& key, int version)
{
    CardCohorts found;
    for (CohortSummary& c : cohortQueries::ofCard(s, key.graphicsCardId, version)) {
        if (c.key.sameSystemAndMode(key))
            found.drivers.push_back(std::move(c));
        else if (c.key.driverKey == key.driverKey)
            found.otherModes.push_back(std::move(c));
    }
    return found;
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
