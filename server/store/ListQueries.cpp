#include "server/store/ListQueries.h"

#include "server/store/ResultListQueries.h"
#include "server/store/ResultSummaries.h"

namespace listQueries {

std::vector<ResultSummary> latest(soci::session& s, const std::string& search, int limit, int version)
{
    if (search.empty())
        return resultSummaries::newest(s, "", limit, version);
    ResultListRequest request;
    request.search = search;
    request.pageSize = limit;
    return resultListQueries::list(s, request, version).results;
}

std::vector<ResultSummary> ofCard(soci::session& s, int32_t card, int limit, int version)
{
    return resultSummaries::newest(s, "WHERE r.graphics_card_id = " + std::to_string(card), limit, version);
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
