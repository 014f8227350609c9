#include "server/store/ResultSummaries.h"

#include <map>

#include "server/store/SqlDialect.h"

namespace {

// One batch of rows, column by column, as SOCI's bulk reads fill them.
struct SummaryColumns {
    explicit SummaryColumns(std::size_t rows)
        : ids(rows), imported(rows), cards(rows), standings(rows), created(rows), names(rows), drivers(rows),
          cpus(rows), oses(rows), scores(rows), have(rows)
    {
    }

    soci::statement run(soci::session& s, const std::string& sql)
    {
        return runOnce(s, sql, soci::into(ids), soci::into(created), soci::into(imported), soci::into(cards),
                       soci::into(names), soci::into(drivers), soci::into(cpus), soci::into(oses),
                       soci::into(standings), soci::into(scores, have));
    }

    // A short last batch shrinks the vectors; the next fetch reads as many as they hold.
    void resize(std::size_t rows)
    {
        for (auto* v : {&ids, &imported, &cards, &standings})
            v->resize(rows);
        created.resize(rows);
        for (auto* v : {&names, &drivers, &cpus, &oses})
            v->resize(rows);
        scores.resize(rows);
        have.resize(rows);
    }

    ResultSummary row(std::size_t i) const
    {
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
        return r;
    }

    std::vector<int> ids, imported, cards, standings;
    std::vector<long long> created;
    std::vector<std::string> names, drivers, cpus, oses;
    std::vector<double> scores;
    std::vector<soci::indicator> have;
};

std::string select(int version)
{
    return "SELECT r.id, r.created_at, r.imported, COALESCE(r.graphics_card_id, 0), r.card_name, r.driver_text, "
           "r.cpu_name, r.os_text, r.standing, s.score FROM results r LEFT JOIN scores s ON s.version = " +
           std::to_string(version) + " AND s.result_id = r.id ";
}

} // namespace

namespace resultSummaries {

std::vector<ResultSummary> byIds(soci::session& s, const std::vector<int32_t>& ids, int version)
{
    if (ids.empty())
        return {};
    std::string in;
    for (int32_t id : ids)
        in += (in.empty() ? "" : ", ") + std::to_string(id);
    SummaryColumns columns(ids.size());
    soci::statement st = columns.run(s, select(version) + "WHERE r.id IN (" + in + ")");
    std::map<int32_t, ResultSummary> found;
    if (st.fetch()) {
        for (std::size_t i = 0; i < columns.ids.size(); ++i)
            found.emplace(columns.ids[i], columns.row(i));
    }
    std::vector<ResultSummary> list;
    for (int32_t id : ids) {
        const auto it = found.find(id);
        if (it != found.end())
            list.push_back(it->second);
    }
    return list;
}

std::vector<ResultSummary> newest(soci::session& s, const std::string& where, int limit, int version)
{
    constexpr std::size_t kBatch = 200;
    SummaryColumns columns(kBatch);
    soci::statement st =
        columns.run(s, select(version) + where + " ORDER BY r.id DESC LIMIT " + std::to_string(limit));
    std::vector<ResultSummary> list;
    while (st.fetch()) {
        for (std::size_t i = 0; i < columns.ids.size(); ++i)
            list.push_back(columns.row(i));
        columns.resize(kBatch);
    }
    return list;
}

} // namespace resultSummaries
