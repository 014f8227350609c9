#include "server/store/HistoryQueries.h"

#include "server/model/DriverVersion.h"
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
    std::vector<model::DriverCohort> versions;
    std::optional<std::size_t> own;
    for (const CohortSummary& c : drivers) {
        if (c.key.driverKey == key.driverKey)
            own = versions.size();
        versions.push_back({model::driverVersionOf(c.driverText), c.cohortId, c.counted});
    }
    const auto previous = own ? model::predecessorOf(versions, *own) : std::nullopt;
    return previous ? versions[*previous].cohortId : 0;
}

} // namespace historyQueries
