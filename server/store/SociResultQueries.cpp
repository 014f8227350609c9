#include "server/store/SociResultQueries.h"

#include <chrono>
#include <iostream>

#include <soci/soci.h>

#include "server/store/CohortQueries.h"
#include "server/store/Database.h"
#include "server/store/DriverHistoryQueries.h"
#include "server/store/FigureWork.h"
#include "server/store/HistoryQueries.h"
#include "server/store/ListQueries.h"
#include "server/store/RankingQueries.h"
#include "server/store/ResultListQueries.h"
#include "server/store/ResultRecords.h"
#include "server/store/ScoreQueries.h"
#include "server/store/SimilarResultsQueries.h"
#include "server/protocol/RecordTypes.h"

namespace {

constexpr std::size_t kShownDrivers = 6;

} // namespace

SociResultQueries::SociResultQueries(Database& database, int64_t) : database_(database)
{
}

void SociResultQueries::refreshStatistics()
{
    FigureWork work(database_, countImported_);
    while (work.run(std::chrono::seconds(60))) {
    }
}

bool SociResultQueries::refreshIfDue()
{
    FigureWork work(database_, countImported_);
    const bool more = work.run(std::chrono::seconds(5));
    if (work.transactions() > 0) {
        using Millis = std::chrono::duration<double, std::milli>;
        std::cerr << "korvid-server: figures worked out in the background: " << work.resultsDone()
                  << " results in " << work.transactions() << " transactions, the longest "
                  << Millis(work.longest()).count() << " ms (" << Millis(work.longestWork()).count()
                  << " ms before its commit), " << work.overLimit() << " over "
                  << FigureWork::kHoldLimitMillis << " ms" << std::endl;
    }
    return more;
}

std::optional<ResultPageData> SociResultQueries::resultPage(int32_t id)
{
    return database_.withSession([&](soci::session& s) -> std::optional<ResultPageData> {
        auto result = loadResult(s, id);
        if (!result)
            return std::nullopt;
        ResultPageData data;
        data.result = std::move(*result);
        const StoredResult& r = data.result;
        data.score = scoreQueries::ofResult(s, r);
        data.similar = similarResultsQueries::of(
            s, r.id, {r.graphicsCardId, r.driverKey, r.graphicsSystem, r.displayWidth, r.displayHeight, r.bitsPerPixel},
            data.score.version);
        if (r.cohortId == 0)
            return data;
        data.own = cohortQueries::figures(s, r.cohortId);
        if (!data.own)
            return data;
        const model::CohortKey& key = data.own->key;
        if (key.graphicsCardId > 0) {
            historyQueries::CardCohorts beside = historyQueries::cohortsBeside(s, key, data.score.version);
            data.drivers = std::move(beside.drivers);
            data.otherModes = std::move(beside.otherModes);
            const int32_t previous = historyQueries::previousDriverOf(data.drivers, key);
            if (previous > 0)
                data.previousDriver = cohortQueries::figures(s, previous);
            // The newest drivers, and the result's own and the previous one whatever their age.
            std::vector<CohortSummary> shown;
            for (std::size_t i = 0; i < data.drivers.size(); ++i) {
                if (i < kShownDrivers || data.drivers[i].cohortId == r.cohortId || data.drivers[i].cohortId == previous)
                    shown.push_back(data.drivers[i]);
            }
            data.drivers = std::move(shown);
        }
        const double median = data.own->medianScore(data.score.version);
        if (median > 0) {
            const auto nearest = cohortQueries::nearestToScore(s, data.score.version, r.cohortId, median, r.id);
            if (nearest)
                data.cohortMedian = ResultLink{*nearest, "the median result of its cohort (result " +
                                                             std::to_string(*nearest) + ")"};
        }
        return data;
    });
}

std::optional<ResultPageData> SociResultQueries::resultMeasurements(int32_t id)
{
    return database_.withSession([&](soci::session& s) -> std::optional<ResultPageData> {
        auto result = loadResult(s, id);
        if (!result)
            return std::nullopt;
        ResultPageData data;
        data.result = std::move(*result);
        if (data.result.cohortId > 0)
            data.own = cohortQueries::figures(s, data.result.cohortId);
        return data;
    });
}

std::optional<ComparePageData> SociResultQueries::comparePage(const std::vector<int32_t>& ids)
{
    return database_.withSession([&](soci::session& s) -> std::optional<ComparePageData> {
        ComparePageData data;
        for (int32_t id : ids) {
            auto result = loadResult(s, id, false);
            if (!result)
                return std::nullopt;
            CompareEntry entry;
            entry.result = std::move(*result);
            entry.score = scoreQueries::scoreOf(s, id);
            if (entry.result.cohortId > 0 && data.entries.empty())
                entry.cohort = cohortQueries::figures(s, entry.result.cohortId);
            data.entries.push_back(std::move(entry));
        }
        return data;
    });
}

IndexPageData SociResultQueries::latestResults(const std::string& search, int limit)
{
    return database_.withSession([&](soci::session& s) -> IndexPageData {
        IndexPageData data;
        data.search = search;
        data.totalResults = listQueries::totalResults(s);
        data.results = listQueries::latest(s, search, limit, scoreVersions::currentVersion(s));
        return data;
    });
}

RankingListData SociResultQueries::ranking(const RankingRequest& request)
{
    return database_.withSession([&](soci::session& s) { return rankingQueries::ranking(s, request); });
}

std::optional<CardPageData> SociResultQueries::cardPage(int32_t graphicsCardId, int limit)
{
    return database_.withSession([&](soci::session& s) -> std::optional<CardPageData> {
        std::string type;
        soci::indicator found = soci::i_null;
        s << "SELECT type FROM records WHERE id = :id", soci::into(type, found), soci::use(graphicsCardId);
        if (!s.got_data() || found != soci::i_ok || type != RecordTypes::kGraphicsCard)
            return std::nullopt;
        CardPageData data;
        data.graphicsCardId = graphicsCardId;
        std::vector<std::string> names(16), values(16);
        soci::statement st = (s.prepare << "SELECT name, value FROM record_fields WHERE record_id = :id",
                              soci::into(names), soci::into(values), soci::use(graphicsCardId));
        st.execute();
        while (st.fetch()) {
            for (std::size_t i = 0; i < names.size(); ++i) {
                if (names[i] == "Name") data.cardName = values[i];
                else if (names[i] == "ProductID") data.productId = values[i];
                else if (names[i] == "VendorID") data.vendorId = values[i];
                else if (names[i] == "SubProductID") data.subProductId = values[i];
                else if (names[i] == "SubVendorID") data.subVendorId = values[i];
            }
        }
        data.scoreVersion = scoreVersions::currentVersion(s);
        data.totalResults = listQueries::totalOfCard(s, graphicsCardId);
        data.results = listQueries::ofCard(s, graphicsCardId, limit, data.scoreVersion);
        if (!data.results.empty())
            data.cardName = data.results.front().cardName;  // as the newest result names it
        data.cohorts = cohortQueries::ofCard(s, graphicsCardId, data.scoreVersion);
        return data;
    });
}

std::optional<DriverHistoryData> SociResultQueries::driverHistory(int32_t graphicsCardId, const model::CohortKey& wanted)
{
    return database_.withSession([&](soci::session& s) {
        return driverHistoryQueries::ofCard(s, graphicsCardId, wanted, scoreVersions::currentVersion(s));
    });
}

ResultListData SociResultQueries::resultList(const ResultListRequest& request)
{
    return database_.withSession([&](soci::session& s) {
        return resultListQueries::list(s, request, scoreVersions::currentVersion(s));
    });
}

std::optional<CohortComparisonData> SociResultQueries::cohortComparison(int32_t first, int32_t second)
{
    return database_.withSession([&](soci::session& s) -> std::optional<CohortComparisonData> {
        auto a = cohortQueries::figures(s, first);
        auto b = a ? cohortQueries::figures(s, second) : std::nullopt;
        if (!b)
            return std::nullopt;
        return CohortComparisonData{scoreVersions::currentVersion(s), std::move(*a), std::move(*b)};
    });
}
