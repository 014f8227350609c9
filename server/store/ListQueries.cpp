#include "server/store/ListQueries.h"

#include "server/store/ResultListQueries.h"

namespace {

std::vector<ResultSummary> summaries(soci::session& s, const std::string& where, const std::string& pattern,
                                     int limit, int version)
{
    std::vector<ResultSummary> list;
    constexpr int kBatch = 200;
    std::vector<int> ids(kBatch), imported(kBatch), cards(kBatch), standings(kBatch);
    std::vector<long long> created(kBatch);
    std::vector<std::string> names(kBatch), drivers(kBatch), cpus(kBatch), oses(kBatch);
    std::vector<double> scores(kBatch);
    std::vector<soci::indicator> have(kBatch);
    const std::string sql =
        "SELECT r.id, r.created_at, r.imported, COALESCE(r.graphics_card_id, 0), r.card_name, r.driver_text, "
        "r.cpu_name, r.os_text, r.standing, s.score FROM results r LEFT JOIN scores s ON s.version = " +
        std::to_string(version) + " AND s.result_id = r.id " + where + " ORDER BY r.id DESC LIMIT " +
        std::to_string(limit);
    soci::statement st = pattern.empty()
        ? (s.prepare << sql, soci::into(ids), soci::into(created), soci::into(imported), soci::into(cards),
           soci::into(names), soci::into(drivers), soci::into(cpus), soci::into(oses), soci::into(standings),
           soci::into(scores, have))
        : (s.prepare << sql, soci::into(ids), soci::into(created), soci::into(imported), soci::into(cards),
           soci::into(names), soci::into(drivers), soci::into(cpus), soci::into(oses), soci::into(standings),
           soci::into(scores, have), soci::use(pattern, "p"));
    st.execute();
    while (st.fetch()) {
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
            list.push_back(std::move(r));
        }
        ids.resize(kBatch);
        created.resize(kBatch);
        imported.resize(kBatch);
        cards.resize(kBatch);
        names.resize(kBatch);
        drivers.resize(kBatch);
        cpus.resize(kBatch);
        oses.resize(kBatch);
        standings.resize(kBatch);
        scores.resize(kBatch);
        have.resize(kBatch);
    }
    return list;
}

} // namespace

namespace listQueries {

std::vector<ResultSummary> latest(soci::session& s, const std::string& search, int limit, int version)
{
    if (search.empty())
        return summaries(s, "", "", limit, version);
    ResultListRequest request;
    request.search = search;
    request.pageSize = limit;
    return resultListQueries::list(s, request, version).results;
}

std::vector<ResultSummary> ofCard(soci::session& s, int32_t card, int limit, int version)
{
    return summaries(s, "WHERE r.graphics_card_id = " + std::to_string(card), "", limit, version);
}

long long totalResults(soci::session& s)
{
    long long total = 0, pending = 0;
    s << "SELECT COALESCE(SUM(result_count), 0) FROM cohorts", soci::into(total);
    // Results of an upgraded database that wait for their cohort are counted through the
    // partial index of those waiting.
    s << "SELECT COUNT(*) FROM results WHERE standing = 0", soci::into(pending);
    return total + pending;
}

long long totalOfCard(soci::session& s, int32_t card)
{
    long long total = 0;
    s << "SELECT COALESCE(SUM(result_count), 0) FROM cohorts WHERE graphics_card_id = :c", soci::into(total),
        soci::use(card);
    return total;
}

} // namespace listQueries
