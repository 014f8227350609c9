#include "server/store/RankingQueries.h"

#include <algorithm>
#include <map>
#include <set>

#include "server/model/Cohort.h"
#include "server/model/LogHistogram.h"
#include "server/model/Ranking.h"
#include "server/store/NameMatches.h"
#include "server/store/ScoreVersions.h"
#include "server/store/SqlDialect.h"

namespace {

// The cohort conditions of a system and mode ("" when the request names neither).
std::string scopeConditions(const RankingRequest& q)
{
    std::string where;
    if (q.system != model::GraphicsSystem::Unknown)
        where += " AND c.graphics_system = " + std::to_string(static_cast<int>(q.system));
    if (q.width > 0)
        where += " AND c.display_width = " + std::to_string(q.width) + " AND c.display_height = " +
                 std::to_string(q.height) + " AND c.bits_per_pixel = " + std::to_string(q.bitsPerPixel);
    return where;
}

struct CohortRow {
    int32_t id = 0;
    int32_t card = 0;
    std::string cardName;
    std::string driverText;
    model::CohortKey key;
    int64_t counted = 0;
    int64_t newest = 0;
};

// The cohorts of the scope, of the given cards only when there are any.
std::vector<CohortRow> cohortsOf(soci::session& s, const RankingRequest& q, const std::vector<int32_t>& cards)
{
    std::string where = " WHERE c.graphics_card_id > 0" + scopeConditions(q);
    if (!cards.empty()) {
        std::string list;
        for (int32_t card : cards)
            list += (list.empty() ? "" : ",") + std::to_string(card);
        where += " AND c.graphics_card_id IN (" + list + ")";
    }
    std::vector<CohortRow> rows;
    std::vector<int> ids(256), cardIds(256), systems(256), widths(256), heights(256), bits(256);
    std::vector<std::string> names(256), drivers(256);
    std::vector<long long> counted(256), newest(256);
    soci::statement st = runOnce(s, "SELECT c.id, c.graphics_card_id, c.card_name, c.driver_text, c.graphics_system, "
                                    "c.display_width, c.display_height, c.bits_per_pixel, c.counted, "
                                    "c.newest_result_id FROM cohorts c" + where,
                                 soci::into(ids), soci::into(cardIds), soci::into(names), soci::into(drivers),
                                 soci::into(systems), soci::into(widths), soci::into(heights), soci::into(bits),
                                 soci::into(counted), soci::into(newest));
    while (st.fetch()) {
        for (std::size_t i = 0; i < ids.size(); ++i) {
            CohortRow row;
            row.id = ids[i];
            row.card = cardIds[i];
            row.cardName = names[i];
            row.driverText = drivers[i];
            row.key.system = static_cast<model::GraphicsSystem>(systems[i]);
            row.key.width = widths[i];
            row.key.height = heights[i];
            row.key.bitsPerPixel = bits[i];
            row.counted = counted[i];
            row.newest = newest[i];
            rows.push_back(std::move(row));
        }
    }
    return rows;
}

// Each card's figures in a system or mode: its cohorts' counted scores, bin by bin.
std::vector<RankedCard> fromCohortBins(soci::session& s, const RankingRequest& q, int version)
{
    std::map<int32_t, model::LogHistogram> histograms;
    std::vector<int> cards(512), bins(512);
    std::vector<long long> counts(512);
    const int test = -version;  // a cohort's scores are kept as the test -version
    soci::statement st = runOnce(s, "SELECT c.graphics_card_id, b.bin, SUM(b.count) FROM cohorts c JOIN "
                                    "cohort_bins b ON b.cohort_id = c.id AND b.test = :t WHERE "
                                    "c.graphics_card_id > 0" + scopeConditions(q) +
                                    " GROUP BY c.graphics_card_id, b.bin",
                                 soci::into(cards), soci::into(bins), soci::into(counts), soci::use(test));
    while (st.fetch()) {
        for (std::size_t i = 0; i < cards.size(); ++i)
            histograms.try_emplace(cards[i], model::LogHistogram::kRateWidth).first->second.addBin(bins[i], counts[i]);
    }
    std::map<int32_t, std::pair<int64_t, std::string>> names;  // the newest cohort's name
    for (const CohortRow& c : cohortsOf(s, q, {})) {
        auto& name = names[c.card];
        if (c.newest >= name.first)
            name = {c.newest, c.cardName};
    }
    std::vector<RankedCard> rows;
    for (const auto& [card, histogram] : histograms) {
        if (histogram.empty())
            continue;
        const model::Spread spread = histogram.spread();
        RankedCard row;
        row.graphicsCardId = card;
        row.cardName = names[card].second;
        row.counted = histogram.count();
        row.lowerScore = spread.lower;
        row.medianScore = spread.median;
        row.upperScore = spread.upper;
        rows.push_back(std::move(row));
    }
    return rows;
}

std::vector<RankedCard> fromCardFigures(soci::session& s, int version)
{
    std::vector<RankedCard> rows;
    std::vector<int> cards(512);
    std::vector<std::string> names(512);
    std::vector<long long> counted(512);
    std::vector<double> lower(512), median(512), upper(512);
    soci::statement st = runOnce(s, "SELECT graphics_card_id, card_name, counted, lower_score, median_score, "
                                    "upper_score FROM card_figures WHERE version = :v",
                                 soci::into(cards), soci::into(names), soci::into(counted), soci::into(lower),
                                 soci::into(median), soci::into(upper), soci::use(version));
    while (st.fetch()) {
        for (std::size_t i = 0; i < cards.size(); ++i) {
            RankedCard row;
            row.graphicsCardId = cards[i];
            row.cardName = names[i];
            row.counted = counted[i];
            row.lowerScore = lower[i];
            row.medianScore = median[i];
            row.upperScore = upper[i];
            rows.push_back(std::move(row));
        }
    }
    return rows;
}

bool before(const RankedCard& a, const RankedCard& b, RankingSort sort, bool ascending)
{
    const auto byPlace = [&] {
        if (a.place != b.place)
            return a.place < b.place;
        return a.graphicsCardId < b.graphicsCardId;
    };
    const auto order = [&](auto x, auto y) {
        if (x == y)
            return byPlace();
        return ascending ? x < y : y < x;
    };
    switch (sort) {
    case RankingSort::Card: return order(a.cardName, b.cardName);
    case RankingSort::Lower: return order(a.lowerScore, b.lowerScore);
    case RankingSort::Upper: return order(a.upperScore, b.upperScore);
    case RankingSort::Counted: return order(a.counted, b.counted);
    default: break;
    }
    if (a.medianScore == b.medianScore && a.counted != b.counted)
        return ascending ? a.counted < b.counted : b.counted < a.counted;
    return order(a.medianScore, b.medianScore);
}

std::vector<RankedCard> pageOf(std::vector<RankedCard>& part, int64_t page, int size)
{
    const std::size_t from = static_cast<std::size_t>(std::min<int64_t>((page - 1) * size, part.size()));
    const std::size_t to = std::min(part.size(), from + static_cast<std::size_t>(size));
    return std::vector<RankedCard>(std::make_move_iterator(part.begin() + from), std::make_move_iterator(part.begin() + to));
}

} // namespace

namespace rankingQueries {

void arrange(std::vector<RankedCard> cards, RankingListData& data)
{
    const RankingRequest& q = data.request;
    std::sort(cards.begin(), cards.end(), [](const RankedCard& a, const RankedCard& b) {
        if (a.medianScore != b.medianScore)
            return a.medianScore > b.medianScore;
        if (a.counted != b.counted)
            return a.counted > b.counted;
        return a.graphicsCardId < b.graphicsCardId;
    });
    std::vector<RankedCard> ranked, unranked;
    for (RankedCard& card : cards) {
        if (model::isRanked(card.counted)) {
            card.place = static_cast<int64_t>(ranked.size()) + 1;
            ranked.push_back(std::move(card));
        } else {
            card.place = 0;
            unranked.push_back(std::move(card));
        }
    }
    const auto order = [&](const RankedCard& a, const RankedCard& b) { return before(a, b, q.sort, q.ascending); };
    std::stable_sort(ranked.begin(), ranked.end(), order);
    std::stable_sort(unranked.begin(), unranked.end(), order);
    data.rankedCount = static_cast<int64_t>(ranked.size());
    data.unrankedCount = static_cast<int64_t>(unranked.size());
    data.ranked = pageOf(ranked, q.page, q.pageSize);
    data.unranked = pageOf(unranked, q.unrankedPage, q.pageSize);
}

RankingListData ranking(soci::session& s, const RankingRequest& q)
{
    RankingListData data;
    data.request = q;
    const std::vector<ScoreVersion> versions = scoreVersions::active(s);
    if (versions.empty())
        return data;
    const ScoreVersion* shown = &versions.front();
    for (const ScoreVersion& v : versions) {
        data.versions.push_back({v.reference.version, v.state});
        if (v.reference.version == q.version)
            shown = &v;
    }
    data.version = shown->reference.version;
    data.referenceLabel = shown->reference.label;
    data.building = shown->state == "building";
    data.fromCohortBins = q.scoped();

    std::vector<RankedCard> cards = q.scoped() ? fromCohortBins(s, q, data.version) : fromCardFigures(s, data.version);
    if (!q.card.empty()) {
        const std::vector<int32_t> wanted = nameMatches::cards(s, q.card, true);
        const std::set<int32_t> keep(wanted.begin(), wanted.end());
        cards.erase(std::remove_if(cards.begin(), cards.end(),
                                   [&](const RankedCard& c) { return keep.count(c.graphicsCardId) == 0; }),
                    cards.end());
    }
    arrange(std::move(cards), data);

    // Each shown card's cohort with the most counted results in the scope (the newest on a tie):
    // what its check box compares.
    std::vector<int32_t> shownCards;
    for (const auto* part : {&data.ranked, &data.unranked}) {
        for (const RankedCard& c : *part)
            shownCards.push_back(c.graphicsCardId);
    }
    if (shownCards.empty())
        return data;
    std::map<int32_t, CohortRow> largest;
    for (CohortRow& c : cohortsOf(s, q, shownCards)) {
        auto found = largest.find(c.card);
        if (found == largest.end() || c.counted > found->second.counted ||
            (c.counted == found->second.counted && c.newest > found->second.newest))
            largest[c.card] = std::move(c);
    }
    for (auto* part : {&data.ranked, &data.unranked}) {
        for (RankedCard& card : *part) {
            const auto found = largest.find(card.graphicsCardId);
            if (found == largest.end())
                continue;
            card.cohortId = found->second.id;
            card.cohortText = found->second.driverText + " (" + found->second.key.modeText() + ")";
        }
    }
    return data;
}

} // namespace rankingQueries
