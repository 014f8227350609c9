#include "server/store/ScoreVersions.h"

#include "server/store/SqlDialect.h"

#include <stdexcept>

#include "server/store/Database.h"
#include "server/store/RateText.h"
#include "server/store/ResultRecords.h"

namespace scoreVersions {

std::vector<ScoreVersion> active(soci::session& session)
{
    std::vector<ScoreVersion> versions;
    std::vector<int> numbers(4), referenceIds(4);
    std::vector<std::string> states(4), labels(4), references(4);
    std::vector<long long> created(4);
    soci::statement st = runOnce(session, "SELECT version, state, label, reference, COALESCE(reference_result_id, 0), "
                                          "created_at FROM score_versions WHERE state IN ('current', 'building') "
                                          "ORDER BY CASE WHEN state = 'current' THEN 0 ELSE 1 END",
                                 soci::into(numbers), soci::into(states), soci::into(labels), soci::into(references),
                                 soci::into(referenceIds), soci::into(created));
    while (st.fetch()) {
        for (std::size_t i = 0; i < numbers.size(); ++i) {
            ScoreVersion v;
            v.reference.version = numbers[i];
            v.state = states[i];
            v.reference.label = labels[i];
            v.reference.rates = ratesFromText(references[i]);
            v.referenceResultId = referenceIds[i];
            v.createdAt = created[i];
            versions.push_back(std::move(v));
        }
    }
    return versions;
}

int currentVersion(soci::session& session)
{
    int version = 0;
    soci::indicator found = soci::i_null;
    session << "SELECT MAX(version) FROM score_versions WHERE state = 'current'", soci::into(version, found);
    return found == soci::i_ok ? version : 0;
}

int start(soci::session& session, int32_t referenceResultId)
{
    int building = 0;
    session << "SELECT COUNT(*) FROM score_versions WHERE state = 'building'", soci::into(building);
    if (building > 0)
        throw std::runtime_error("a score version is being built already; wait until it is current");
    std::string cardName, driverText;
    soci::indicator found = soci::i_null;
    session << "SELECT card_name, driver_text FROM results WHERE id = :id",
        soci::into(cardName, found), soci::into(driverText), soci::use(referenceResultId);
    if (!session.got_data() || found != soci::i_ok)
        throw std::runtime_error("there is no result " + std::to_string(referenceResultId));
    int version = 0;
    session << "SELECT COALESCE(MAX(version), 0) + 1 FROM score_versions", soci::into(version);
    const auto reference = model::referenceFrom(loadRates(session, referenceResultId), version,
                                                "result " + std::to_string(referenceResultId) + ": " +
                                                    cardName + ", " + driverText);
    if (!reference)
        throw std::runtime_error("result " + std::to_string(referenceResultId) +
                                 " lacks a core test and cannot be the reference");
    const std::string text = rateText(reference->rates);
    const long long now = unixNow();
    session << "INSERT INTO score_versions (version, state, label, reference, reference_result_id, "
               "created_at, progress) VALUES (:v, 'building', :l, :r, :id, :t, 0)",
        soci::use(version), soci::use(reference->label), soci::use(text), soci::use(referenceResultId),
        soci::use(now);
    return version;
}

} // namespace scoreVersions
