#include "server/store/CohortQueries.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "server/model/DriverVersion.h"
#include "server/store/SqlDialect.h"

namespace {

const char* const kCohortColumns =
    "id, graphics_card_id, driver_key, graphics_system, display_width, display_height, bits_per_pixel, "
    "card_name, driver_text, result_count, counted, newest_result_id, driver_order";

// The cohorts a condition selects, with the sortable driver version of each.
std::vector<std::pair<CohortSummary, std::string>> readCohorts(soci::session& s, const std::string& where, int32_t arg,
                                                               std::vector<std::string>* cardNames = nullptr)
{
    std::vector<std::pair<CohortSummary, std::string>> list;
    std::vector<int> ids(64), cards(64), systems(64), widths(64), heights(64), bits(64), newest(64);
    std::vector<long long> counts(64), counted(64);
    std::vector<std::string> keys(64), names(64), texts(64), orders(64);
    soci::statement st = runOnce(s, std::string("SELECT ") + kCohortColumns + " FROM cohorts WHERE " + where,
                          soci::into(ids), soci::into(cards), soci::into(keys), soci::into(systems), soci::into(widths),
                          soci::into(heights), soci::into(bits), soci::into(names), soci::into(texts),
                          soci::into(counts), soci::into(counted), soci::into(newest), soci::into(orders),
                          soci::use(arg));
    while (st.fetch()) {
        for (std::size_t i = 0; i < ids.size(); ++i) {
            CohortSummary c;
            c.cohortId = ids[i];
            c.key = {cards[i], keys[i], static_cast<model::GraphicsSystem>(systems[i]), widths[i], heights[i], bits[i]};
            c.driverText = texts[i];
            c.resultCount = counts[i];
            c.counted = counted[i];
            c.newestResultId = newest[i];
            if (cardNames)
                cardNames->push_back(names[i]);
            list.emplace_back(std::move(c), orders[i]);
        }
    }
    return list;
}

} // namespace

namespace cohortQueries {

std::optional<CohortFigures> figures(soci::session& s, int32_t cohortId)
{
    CohortFigures c;
    std::vector<std::string> names;
    const auto found = readCohorts(s, "id = :id", cohortId, &names);
    if (found.empty())
        return std::nullopt;
    const CohortSummary& summary = found.front().first;
    c.cohortId = summary.cohortId;
    c.key = summary.key;
    c.cardName = names.front();
    c.driverText = summary.driverText;
    c.resultCount = summary.resultCount;
    c.counted = summary.counted;
    c.newestResultId = summary.newestResultId;
    std::vector<int> tests(1024), bins(1024);
    std::vector<long long> counts(1024);
    soci::statement st = runOnce(s, "SELECT test, bin, count FROM cohort_bins WHERE cohort_id = :c",
                          soci::into(tests), soci::into(bins), soci::into(counts), soci::use(cohortId));
    while (st.fetch()) {
        for (std::size_t i = 0; i < tests.size(); ++i)
            c.tests.try_emplace(tests[i]).first->second.addBin(bins[i], counts[i]);
    }
    return c;
}

std::vector<std::pair<CohortFigures, std::string>> figuresOfCard(soci::session& s, int32_t card,
                                                                  const std::vector<int32_t>& cohortIds)
{
    std::vector<std::pair<CohortFigures, std::string>> list;
    if (cohortIds.empty())
        return list;
    std::string in;
    for (int32_t id : cohortIds)
        in += (in.empty() ? "" : ", ") + std::to_string(id);
    std::vector<std::string> names;
    std::map<int32_t, std::size_t> at;
    for (auto& [summary, order] : readCohorts(s, "graphics_card_id = :c AND id IN (" + in + ")", card, &names)) {
        CohortFigures c;
        c.cohortId = summary.cohortId;
        c.key = summary.key;
        c.cardName = names[list.size()];
        c.driverText = summary.driverText;
        c.resultCount = summary.resultCount;
        c.counted = summary.counted;
        c.newestResultId = summary.newestResultId;
        at[c.cohortId] = list.size();
        list.emplace_back(std::move(c), std::move(order));
    }
    if (list.empty())
        return list;
    std::vector<int> cohorts(1024), tests(1024), bins(1024);
    std::vector<long long> counts(1024);
    soci::statement st = runOnce(s, "SELECT cohort_id, test, bin, count FROM cohort_bins WHERE cohort_id IN (" + in + ")",
                                 soci::into(cohorts), soci::into(tests), soci::into(bins), soci::into(counts));
    while (st.fetch()) {
        for (std::size_t i = 0; i < tests.size(); ++i) {
            const auto found = at.find(cohorts[i]);
            if (found != at.end())
                list[found->second].first.tests.try_emplace(tests[i]).first->second.addBin(bins[i], counts[i]);
        }
    }
    return list;
}

std::vector<CohortSummary> ofCard(soci::session& s, int32_t card, int version)
{
    std::vector<CohortSummary> list;
    std::vector<std::string> orders;
    for (auto& [summary, order] : readCohorts(s, "graphics_card_id = :c", card)) {
        orders.push_back(model::driverVersionOf(summary.driverText).key);
        list.push_back(std::move(summary));
    }
    // Every cohort's score bins in one statement (one round trip, not one a cohort).
    int test = -version;
    std::string counted;
    for (const CohortSummary& c : list) {
        if (c.counted > 0)
            counted += (counted.empty() ? "" : ", ") + std::to_string(c.cohortId);
    }
    if (!counted.empty()) {
        std::map<int32_t, model::LogHistogram> scores;
        std::vector<int> cohorts(512), bins(512);
        std::vector<long long> counts(512);
        soci::statement st = runOnce(s, "SELECT cohort_id, bin, count FROM cohort_bins WHERE test = :t AND "
                                           "cohort_id IN (" + counted + ")",
                              soci::into(cohorts), soci::into(bins), soci::into(counts), soci::use(test));
        while (st.fetch()) {
            for (std::size_t i = 0; i < bins.size(); ++i)
                scores[cohorts[i]].addBin(bins[i], counts[i]);
        }
        for (CohortSummary& c : list) {
            const auto found = scores.find(c.cohortId);
            c.medianScore = found == scores.end() || found->second.empty() ? 0.0 : found->second.quantile(0.5);
        }
    }
    // By system and mode, then the newest driver version first.
    std::vector<std::size_t> order(list.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        const model::CohortKey& x = list[a].key;
        const model::CohortKey& y = list[b].key;
        if (x.system != y.system)
            return x.system < y.system;
        if (x.width != y.width)
            return x.width > y.width;
        if (x.height != y.height)
            return x.height > y.height;
        if (x.bitsPerPixel != y.bitsPerPixel)
            return x.bitsPerPixel > y.bitsPerPixel;
        return orders[a] > orders[b];
    });
    std::vector<CohortSummary> sorted;
    for (std::size_t i : order)
        sorted.push_back(list[i]);
    return sorted;
}

std::optional<int32_t> nearestToScore(soci::session& s, int version, int32_t cohortId, double score, int32_t except)
{
    // Two probes of the (version, cohort, score, result) index: the nearest above and below.
    std::optional<std::pair<double, int32_t>> best;
    for (const char* probe : {"score >= :s ORDER BY s.score ASC, s.result_id", "score < :s ORDER BY s.score DESC, s.result_id"}) {
        int id = 0;
        double found = 0;
        soci::indicator have = soci::i_null;
        s << std::string("SELECT s.result_id, s.score FROM scores s JOIN results r ON r.id = s.result_id "
                         "WHERE s.version = :v AND s.cohort_id = :c AND s.result_id <> :x AND r.standing = 1 AND s.") +
                 probe + " LIMIT 1",
            soci::into(id, have), soci::into(found), soci::use(version), soci::use(cohortId), soci::use(except),
            soci::use(score);
        if (s.got_data() && have == soci::i_ok) {
            const double distance = std::abs(found - score);
            if (!best || distance < best->first)
                best = std::make_pair(distance, id);
        }
    }
    if (!best)
        return std::nullopt;
    return best->second;
}

} // namespace cohortQueries
