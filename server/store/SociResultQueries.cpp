#include "server/store/SociResultQueries.h"

#include <algorithm>
#include <cmath>
#include <ctime>
#include <map>
#include <sstream>

#include <soci/soci.h>

#include "server/pages/Statistics.h"
#include "server/pages/TestGroups.h"
#include "server/protocol/MeasurementName.h"
#include "server/store/Database.h"

namespace {

constexpr std::size_t kSamplePoints = 201;
constexpr int kBatch = 2000;
const std::string kWholeCard = "*";  // driver_key of a card's row over all its drivers

int64_t now()
{
    return static_cast<int64_t>(std::time(nullptr));
}

// "graphics_card_id = :card" for a card, "IS NULL" for results that name none.
std::string cardCondition(int32_t card, const std::string& column = "graphics_card_id")
{
    return card > 0 ? column + " = " + std::to_string(card) : column + " IS NULL";
}

std::map<std::string, std::string> recordFields(soci::session& s, int32_t id)
{
    std::map<std::string, std::string> fields;
    std::vector<std::string> names(64), values(64);
    soci::statement st = (s.prepare << "SELECT name, value FROM record_fields WHERE record_id = :id "
                                       "ORDER BY position",
                          soci::into(names), soci::into(values), soci::use(id));
    st.execute();
    while (st.fetch()) {
        for (std::size_t i = 0; i < names.size(); ++i)
            fields.emplace(names[i], values[i]);
    }
    return fields;
}

std::map<std::string, int32_t> recordReferences(soci::session& s, int32_t id)
{
    std::map<std::string, int32_t> refs;
    std::vector<std::string> names(16);
    std::vector<int> targets(16);
    soci::statement st = (s.prepare << "SELECT name, target_id FROM record_references WHERE record_id = :id "
                                       "ORDER BY position",
                          soci::into(names), soci::into(targets), soci::use(id));
    st.execute();
    while (st.fetch()) {
        for (std::size_t i = 0; i < names.size(); ++i)
            refs.emplace(names[i], targets[i]);
    }
    return refs;
}

LibraryVersion libraryVersion(soci::session& s, int32_t id)
{
    LibraryVersion l;
    l.version = recordFields(s, id)["LibraryVersion"];
    const auto refs = recordReferences(s, id);
    const auto library = refs.find("Library");
    if (library != refs.end())
        l.name = recordFields(s, library->second)["Name"];
    return l;
}

std::size_t groupOrder(const std::string& test)
{
    const auto& groups = testGroups();
    for (std::size_t g = 0; g < groups.size(); ++g) {
        for (std::size_t t = 0; t < groups[g].tests.size(); ++t) {
            if (groups[g].tests[t] == test)
                return g * 10 + t;
        }
    }
    return 1000;
}

std::optional<StoredResult> loadResult(soci::session& s, int32_t id)
{
    StoredResult r;
    r.id = id;
    long long createdAt = 0;
    int imported = 0;
    soci::indicator found = soci::i_null;
    s << "SELECT created_at, client_name, imported, COALESCE(graphics_card_id, 0), card_name, driver_key, "
         "cpu_name, display_width, display_height, refresh_rate, bits_per_pixel FROM results WHERE id = :id",
        soci::into(createdAt, found), soci::into(r.clientName), soci::into(imported), soci::into(r.graphicsCardId),
        soci::into(r.cardName), soci::into(r.driverKey), soci::into(r.cpuName), soci::into(r.displayWidth),
        soci::into(r.displayHeight), soci::into(r.refreshRate), soci::into(r.bitsPerPixel), soci::use(id);
    if (!s.got_data() || found != soci::i_ok)
        return std::nullopt;
    r.createdAt = createdAt;
    r.imported = imported != 0;

    {
        std::vector<std::string> names(64), values(64);
        soci::statement st = (s.prepare << "SELECT name, value FROM result_fields WHERE result_id = :id "
                                           "ORDER BY position",
                              soci::into(names), soci::into(values), soci::use(id));
        st.execute();
        while (st.fetch()) {
            for (std::size_t i = 0; i < names.size(); ++i) {
                if (!parseMeasurement(names[i], values[i]))
                    r.machineFields.push_back({names[i], values[i]});
            }
        }
    }
    {
        std::vector<std::string> tests(64), units(64);
        std::vector<int> widths(64), heights(64);
        std::vector<double> values(64);
        soci::statement st = (s.prepare << "SELECT test, width, height, unit, value FROM measurements "
                                           "WHERE result_id = :id",
                              soci::into(tests), soci::into(widths), soci::into(heights), soci::into(units),
                              soci::into(values), soci::use(id));
        st.execute();
        while (st.fetch()) {
            for (std::size_t i = 0; i < tests.size(); ++i)
                r.measurements.push_back({tests[i], widths[i], heights[i], units[i], values[i]});
        }
        std::stable_sort(r.measurements.begin(), r.measurements.end(), [](const Measurement& a, const Measurement& b) {
            return std::make_tuple(groupOrder(a.test), a.width, a.unit) <
                   std::make_tuple(groupOrder(b.test), b.width, b.unit);
        });
    }
    std::map<std::string, int32_t> refs;
    {
        std::vector<std::string> names(16);
        std::vector<int> targets(16);
        soci::statement st = (s.prepare << "SELECT name, target_id FROM result_references WHERE result_id = :id",
                              soci::into(names), soci::into(targets), soci::use(id));
        st.execute();
        while (st.fetch()) {
            for (std::size_t i = 0; i < names.size(); ++i)
                refs.emplace(names[i], targets[i]);
        }
    }
    if (refs.count("GraphicsCard")) {
        auto card = recordFields(s, refs["GraphicsCard"]);
        r.cardManufacturer = card["Manufacturer"];
        r.productId = card["ProductID"];
        r.vendorId = card["VendorID"];
        r.subProductId = card["SubProductID"];
        r.subVendorId = card["SubVendorID"];
    }
    if (refs.count("OperatingSystem")) {
        const int32_t version = refs["OperatingSystem"];
        r.osVersion = recordFields(s, version)["OSVersion"];
        const auto osRefs = recordReferences(s, version);
        const auto os = osRefs.find("OperatingSystem");
        if (os != osRefs.end())
            r.osName = recordFields(s, os->second)["Name"];
    }
    if (refs.count("Motherboard")) {
        auto board = recordFields(s, refs["Motherboard"]);
        r.boardName = board["Name"];
        r.boardManufacturer = board["Manufacturer"];
    }
    {
        std::vector<std::string> collections(32);
        std::vector<int> members(32);
        std::vector<std::pair<std::string, int32_t>> list;
        soci::statement st = (s.prepare << "SELECT collection, record_id FROM result_members WHERE result_id = :id "
                                           "ORDER BY collection, position",
                              soci::into(collections), soci::into(members), soci::use(id));
        st.execute();
        while (st.fetch()) {
            for (std::size_t i = 0; i < collections.size(); ++i)
                list.emplace_back(collections[i], members[i]);
        }
        for (const auto& [collection, member] : list) {
            if (collection == "DriverLibraries")
                r.driverLibraries.push_back(libraryVersion(s, member));
            else if (collection == "Libraries")
                r.systemLibraries.push_back(libraryVersion(s, member));
        }
    }
    return r;
}

std::map<TestKey, double> loadReferences(soci::session& s)
{
    std::map<TestKey, double> references;
    std::vector<std::string> tests(128), units(128);
    std::vector<int> widths(128), heights(128);
    std::vector<double> medians(128);
    soci::statement st = (s.prepare << "SELECT test, width, height, unit, median FROM score_references",
                          soci::into(tests), soci::into(widths), soci::into(heights), soci::into(units),
                          soci::into(medians));
    st.execute();
    while (st.fetch()) {
        for (std::size_t i = 0; i < tests.size(); ++i)
            references[{tests[i], widths[i], heights[i], units[i]}] = medians[i];
    }
    return references;
}

// The stored score, or one worked out now against the medians in force for a result that
// arrived after the last rebuild.
ScoreFigures scoreOf(soci::session& s, const StoredResult& r, const std::map<TestKey, double>& references,
                     bool withRanks)
{
    ScoreFigures f;
    double score = 0;
    int used = 0;
    soci::indicator found = soci::i_null;
    s << "SELECT score, tests_used FROM result_scores WHERE result_id = :id", soci::into(score, found),
        soci::into(used), soci::use(r.id);
    const bool stored = s.got_data() && found == soci::i_ok;
    if (stored) {
        f.score = score;
        f.testsUsed = used;
    } else {
        std::size_t count = 0;
        f.score = stats::summaryScore(scoreTerms(r.measurements, references), &count);
        f.testsUsed = static_cast<int32_t>(count);
    }
    // The ranks count through every score: a page that does not show them does not pay for them.
    if (f.score <= 0 || !withRanks)
        return f;
    const int extra = stored ? 0 : 1;
    int above = 0, total = 0;
    s << "SELECT COUNT(*) FROM result_scores WHERE score > :s", soci::into(above), soci::use(f.score);
    s << "SELECT COUNT(*) FROM result_scores", soci::into(total);
    f.rankAmongAll = above + 1;
    f.scoredInAll = total + extra;
    s << "SELECT COUNT(*) FROM result_scores WHERE graphics_card_id = :c AND score > :s", soci::into(above),
        soci::use(r.graphicsCardId), soci::use(f.score);
    s << "SELECT COUNT(*) FROM result_scores WHERE graphics_card_id = :c", soci::into(total),
        soci::use(r.graphicsCardId);
    f.rankAmongCard = above + 1;
    f.scoredWithCard = total + extra;
    return f;
}

std::vector<double> parseSample(const std::string& text)
{
    std::vector<double> values;
    std::istringstream in(text);
    double v;
    while (in >> v)
        values.push_back(v);
    return values;
}

std::string writeSample(const std::vector<double>& sorted)
{
    std::vector<double> points = sorted;
    if (sorted.size() > kSamplePoints) {
        points.clear();
        for (std::size_t i = 0; i < kSamplePoints; ++i)
            points.push_back(stats::quantileOfSorted(sorted, double(i) / double(kSamplePoints - 1)));
    }
    std::ostringstream out;
    out.precision(17);
    for (double v : points)
        out << v << ' ';
    return out.str();
}

std::vector<ResultSummary> summaries(soci::session& s, const std::string& where, const std::string& pattern, int limit)
{
    std::vector<ResultSummary> list;
    std::vector<int> ids(kBatch), imported(kBatch), cards(kBatch);
    std::vector<long long> created(kBatch);
    std::vector<std::string> names(kBatch), drivers(kBatch), cpus(kBatch), oses(kBatch);
    std::vector<double> scores(kBatch);
    const std::string sql =
        "SELECT r.id, r.created_at, r.imported, COALESCE(r.graphics_card_id, 0), r.card_name, r.driver_text, "
        "r.cpu_name, r.os_text, COALESCE(s.score, 0.0) FROM results r LEFT JOIN result_scores s ON s.result_id = r.id " +
        where + " ORDER BY r.id DESC LIMIT " + std::to_string(limit);
    soci::statement st = pattern.empty()
        ? (s.prepare << sql, soci::into(ids), soci::into(created), soci::into(imported), soci::into(cards),
           soci::into(names), soci::into(drivers), soci::into(cpus), soci::into(oses), soci::into(scores))
        : (s.prepare << sql, soci::into(ids), soci::into(created), soci::into(imported), soci::into(cards),
           soci::into(names), soci::into(drivers), soci::into(cpus), soci::into(oses), soci::into(scores),
           soci::use(pattern, "p"));
    st.execute();
    while (st.fetch()) {
        for (std::size_t i = 0; i < ids.size(); ++i) {
            list.push_back({ids[i], created[i], imported[i] != 0, cards[i], names[i], drivers[i], cpus[i], oses[i],
                            scores[i]});
        }
    }
    return list;
}

std::vector<RankingRow> rankingRows(soci::session& s, const std::string& where)
{
    std::vector<RankingRow> rows;
    std::vector<int> cards(kBatch), counts(kBatch);
    std::vector<std::string> keys(kBatch), names(kBatch), texts(kBatch);
    std::vector<double> medians(kBatch);
    soci::statement st = (s.prepare << "SELECT graphics_card_id, driver_key, card_name, driver_text, median_score, "
                                       "result_count FROM ranking_rows " + where +
                                       " ORDER BY median_score DESC, result_count DESC",
                          soci::into(cards), soci::into(keys), soci::into(names), soci::into(texts),
                          soci::into(medians), soci::into(counts));
    st.execute();
    while (st.fetch()) {
        for (std::size_t i = 0; i < cards.size(); ++i) {
            rows.push_back({cards[i], names[i], keys[i] == kWholeCard ? "" : keys[i], texts[i], medians[i],
                            counts[i]});
        }
    }
    return rows;
}

} // namespace

SociResultQueries::SociResultQueries(Database& database, int64_t refreshSeconds)
    : database_(database), refreshSeconds_(refreshSeconds)
{
}

void SociResultQueries::refreshStatistics()
{
    return database_.withSession([&](soci::session& s) -> void {
        refreshIfStale(s, true);
    });
}

bool SociResultQueries::statisticsAreCurrent(soci::session& s, int32_t& newest, bool fromRefresher)
{
    int known = -1;
    long long computedAt = 0;
    s << "SELECT COALESCE(MAX(id), 0) FROM results", soci::into(newest);
    soci::indicator found = soci::i_null;
    s << "SELECT newest_result_id, computed_at FROM statistics_state WHERE id = 1", soci::into(known, found),
        soci::into(computedAt);
    if (!s.got_data() || found != soci::i_ok)
        known = -1;
    if (known == newest)
        return true;
    if (known < 0 || newest < kSmallDatabase)
        return false;
    if (refreshedInBackground_ && !fromRefresher)
        return true;
    return now() - computedAt < refreshSeconds_;
}

void SociResultQueries::refreshIfDue()
{
    return database_.withSession([&](soci::session& s) -> void {
        refreshIfStale(s, false, true);
    });
}

void SociResultQueries::refreshIfStale(soci::session& s, bool force, bool fromRefresher)
{
    int32_t newest = 0;
    if (!force && statisticsAreCurrent(s, newest, fromRefresher))
        return;

    const bool postgres = database_.dialect() == Dialect::PostgreSQL;
    Database::Transaction transaction(database_.dialect(), s);
    if (postgres)
        s << "SELECT pg_advisory_xact_lock(71530)";  // one rebuild at a time across processes
    // Viewers that found the figures stale together queue up here; all but the first find
    // them rebuilt once they get their turn, and a rebuild over every result is not cheap.
    if (!force && statisticsAreCurrent(s, newest, fromRefresher)) {
        transaction.commit();
        return;
    }
    s << "DELETE FROM score_references";
    if (postgres) {
        s << "INSERT INTO score_references (test, width, height, unit, median, result_count) "
             "SELECT test, width, height, unit, percentile_cont(0.5) WITHIN GROUP (ORDER BY value), COUNT(*) "
             "FROM measurements GROUP BY test, width, height, unit";
    } else {
        // Each median read off the index on (test, size, unit, value), one or two values after
        // skipping half of that test's entries: a window function over every measurement
        // sorted them all, 37 s of a 43 s rebuild with 100 000 results; this takes well under
        // a second.
        std::vector<std::string> tests, units;
        std::vector<int> widths, heights, counts;
        {
            std::vector<std::string> t(kBatch), u(kBatch);
            std::vector<int> w(kBatch), h(kBatch), n(kBatch);
            soci::statement st = (s.prepare << "SELECT test, width, height, unit, COUNT(*) FROM measurements "
                                               "GROUP BY test, width, height, unit",
                                  soci::into(t), soci::into(w), soci::into(h), soci::into(u), soci::into(n));
            st.execute();
            while (st.fetch()) {
                tests.insert(tests.end(), t.begin(), t.end());
                widths.insert(widths.end(), w.begin(), w.end());
                heights.insert(heights.end(), h.begin(), h.end());
                units.insert(units.end(), u.begin(), u.end());
                counts.insert(counts.end(), n.begin(), n.end());
            }
        }
        std::vector<double> medians;
        for (std::size_t i = 0; i < tests.size(); ++i) {
            double median = 0;
            const int take = 2 - counts[i] % 2, skip = (counts[i] - 1) / 2;
            s << "SELECT AVG(value) FROM (SELECT value FROM measurements WHERE test = :t AND width = :w "
                 "AND height = :h AND unit = :u ORDER BY value LIMIT :k OFFSET :o)",
                soci::into(median), soci::use(tests[i]), soci::use(widths[i]), soci::use(heights[i]),
                soci::use(units[i]), soci::use(take), soci::use(skip);
            medians.push_back(median);
        }
        if (!tests.empty()) {
            s << "INSERT INTO score_references (test, width, height, unit, median, result_count) "
                 "VALUES (:t, :w, :h, :u, :m, :n)",
                soci::use(tests), soci::use(widths), soci::use(heights), soci::use(units), soci::use(medians),
                soci::use(counts);
        }
    }
    // The same definition as stats::summaryScore: 1000 x exp(mean of ln(value / median)).
    s << "DELETE FROM result_scores";
    // SQLite groups by the result alone as the rows come in key order (6.6 s with 100 000
    // results, against 8.1 s sorting by result, card and driver); PostgreSQL took twice as long
    // for the whole rebuild with that form, so it keeps grouping by all three.
    s << "INSERT INTO result_scores (result_id, graphics_card_id, driver_key, score, tests_used) "
         "SELECT m.result_id, MAX(COALESCE(r.graphics_card_id, 0)), MAX(r.driver_key), "
         "1000.0 * EXP(AVG(LN(m.value) - LN(q.median))), COUNT(*) "
         "FROM measurements m JOIN score_references q ON q.test = m.test AND q.width = m.width "
         "AND q.height = m.height AND q.unit = m.unit JOIN results r ON r.id = m.result_id "
         "WHERE m.unit IN ('Ops_s', 'MiB_s') AND m.value > 0 AND q.median > 0 " +
             std::string(postgres ? "GROUP BY m.result_id, COALESCE(r.graphics_card_id, 0), r.driver_key"
                                  : "GROUP BY m.result_id");

    // The ranking: median score per card and driver and per card.
    std::map<std::pair<int, std::string>, std::vector<double>> groups;
    {
        std::vector<int> cards(kBatch);
        std::vector<std::string> keys(kBatch);
        std::vector<double> scores(kBatch);
        soci::statement st = (s.prepare << "SELECT graphics_card_id, driver_key, score FROM result_scores "
                                           "WHERE graphics_card_id > 0",
                              soci::into(cards), soci::into(keys), soci::into(scores));
        st.execute();
        while (st.fetch()) {
            for (std::size_t i = 0; i < cards.size(); ++i) {
                groups[{cards[i], keys[i]}].push_back(scores[i]);
                groups[{cards[i], kWholeCard}].push_back(scores[i]);
            }
        }
    }
    std::map<std::pair<int, std::string>, std::pair<std::string, std::string>> names;
    {
        std::vector<int> cards(kBatch);
        std::vector<std::string> keys(kBatch), cardNames(kBatch), texts(kBatch);
        soci::statement st = (s.prepare << "SELECT graphics_card_id, driver_key, MAX(card_name), MAX(driver_text) "
                                           "FROM results WHERE graphics_card_id IS NOT NULL "
                                           "GROUP BY graphics_card_id, driver_key",
                              soci::into(cards), soci::into(keys), soci::into(cardNames), soci::into(texts));
        st.execute();
        while (st.fetch()) {
            for (std::size_t i = 0; i < cards.size(); ++i) {
                names[{cards[i], keys[i]}] = {cardNames[i], texts[i]};
                names[{cards[i], kWholeCard}] = {cardNames[i], ""};
            }
        }
    }
    s << "DELETE FROM ranking_rows";
    std::vector<int> cards, counts;
    std::vector<std::string> keys, cardNames, texts;
    std::vector<double> medians;
    for (const auto& [key, scores] : groups) {
        cards.push_back(key.first);
        keys.push_back(key.second);
        cardNames.push_back(names[key].first);
        texts.push_back(names[key].second);
        medians.push_back(stats::median(scores));
        counts.push_back(static_cast<int>(scores.size()));
    }
    if (!cards.empty()) {
        s << "INSERT INTO ranking_rows (graphics_card_id, driver_key, card_name, driver_text, median_score, "
             "result_count) VALUES (:c, :k, :n, :t, :m, :r)",
            soci::use(cards), soci::use(keys), soci::use(cardNames), soci::use(texts), soci::use(medians),
            soci::use(counts);
    }
    s << "DELETE FROM statistics_state";
    const long long time = now();
    s << "INSERT INTO statistics_state (id, newest_result_id, computed_at) VALUES (1, :n, :t)", soci::use(newest),
        soci::use(time);
    transaction.commit();
}

std::vector<CohortFigure> SociResultQueries::cohortFigures(soci::session& s, int32_t card, const std::string& driverKey)
{
    int count = 0, newest = 0, knownNewest = -1, knownCount = 0;
    s << "SELECT COUNT(*), COALESCE(MAX(id), 0) FROM results WHERE " + cardCondition(card) + " AND driver_key = :d",
        soci::into(count), soci::into(newest), soci::use(driverKey);
    soci::indicator found = soci::i_null;
    s << "SELECT newest_result_id, result_count FROM cohort_state WHERE graphics_card_id = :c AND driver_key = :d",
        soci::into(knownNewest, found), soci::into(knownCount), soci::use(card), soci::use(driverKey);
    const bool fresh = s.got_data() && found == soci::i_ok && knownNewest == newest && knownCount == count;

    std::vector<CohortFigure> figures;
    if (fresh) {
        std::vector<std::string> tests(128), units(128), samples(128);
        std::vector<int> widths(128), heights(128), counts(128);
        std::vector<double> lowers(128), medians(128), uppers(128);
        soci::statement st = (s.prepare << "SELECT test, width, height, unit, result_count, lower_quartile, median, "
                                           "upper_quartile, sample FROM cohort_figures "
                                           "WHERE graphics_card_id = :c AND driver_key = :d",
                              soci::into(tests), soci::into(widths), soci::into(heights), soci::into(units),
                              soci::into(counts), soci::into(lowers), soci::into(medians), soci::into(uppers),
                              soci::into(samples), soci::use(card), soci::use(driverKey));
        st.execute();
        while (st.fetch()) {
            for (std::size_t i = 0; i < tests.size(); ++i) {
                figures.push_back({{tests[i], widths[i], heights[i], units[i]}, counts[i], lowers[i], medians[i],
                                   uppers[i], parseSample(samples[i])});
            }
        }
        return figures;
    }

    std::map<TestKey, std::vector<double>> values;
    {
        std::vector<std::string> tests(kBatch), units(kBatch);
        std::vector<int> widths(kBatch), heights(kBatch);
        std::vector<double> rates(kBatch);
        soci::statement st = (s.prepare << "SELECT m.test, m.width, m.height, m.unit, m.value FROM measurements m "
                                           "JOIN (SELECT id FROM results WHERE " + cardCondition(card) +
                                           " AND driver_key = :d ORDER BY id DESC LIMIT " +
                                           std::to_string(kCohortSample) + ") AS c ON c.id = m.result_id",
                              soci::into(tests), soci::into(widths), soci::into(heights), soci::into(units),
                              soci::into(rates), soci::use(driverKey));
        st.execute();
        while (st.fetch()) {
            for (std::size_t i = 0; i < tests.size(); ++i)
                values[{tests[i], widths[i], heights[i], units[i]}].push_back(rates[i]);
        }
    }
    std::vector<std::string> tests, units, samples;
    std::vector<int> widths, heights, counts;
    std::vector<double> lowers, medians, uppers;
    for (auto& [key, list] : values) {
        std::sort(list.begin(), list.end());
        const stats::Spread spread = stats::spreadOf(list);
        figures.push_back({key, static_cast<int32_t>(list.size()), spread.lower, spread.median, spread.upper,
                           parseSample(writeSample(list))});
        tests.push_back(key.test);
        widths.push_back(key.width);
        heights.push_back(key.height);
        units.push_back(key.unit);
        counts.push_back(static_cast<int>(list.size()));
        lowers.push_back(spread.lower);
        medians.push_back(spread.median);
        uppers.push_back(spread.upper);
        samples.push_back(writeSample(list));
    }
    Database::Transaction transaction(database_.dialect(), s);
    if (database_.dialect() == Dialect::PostgreSQL)
        s << "SELECT pg_advisory_xact_lock(71530)";
    s << "DELETE FROM cohort_figures WHERE graphics_card_id = :c AND driver_key = :d", soci::use(card),
        soci::use(driverKey);
    s << "DELETE FROM cohort_state WHERE graphics_card_id = :c AND driver_key = :d", soci::use(card),
        soci::use(driverKey);
    if (!tests.empty()) {
        std::vector<int> cardColumn(tests.size(), card);
        std::vector<std::string> driverColumn(tests.size(), driverKey);
        s << "INSERT INTO cohort_figures (graphics_card_id, driver_key, test, width, height, unit, result_count, "
             "lower_quartile, median, upper_quartile, sample) VALUES (:c, :d, :t, :w, :h, :u, :n, :l, :m, :p, :s)",
            soci::use(cardColumn), soci::use(driverColumn), soci::use(tests), soci::use(widths), soci::use(heights),
            soci::use(units), soci::use(counts), soci::use(lowers), soci::use(medians), soci::use(uppers),
            soci::use(samples);
    }
    const long long time = now();
    s << "INSERT INTO cohort_state (graphics_card_id, driver_key, newest_result_id, result_count, computed_at) "
         "VALUES (:c, :d, :n, :r, :t)",
        soci::use(card), soci::use(driverKey), soci::use(newest), soci::use(count), soci::use(time);
    transaction.commit();
    return figures;
}

std::optional<ResultPageData> SociResultQueries::resultPage(int32_t id)
{
    return database_.withSession([&](soci::session& s) -> std::optional<ResultPageData> {
        refreshIfStale(s, false);
        auto result = loadResult(s, id);
        if (!result)
            return std::nullopt;
        ResultPageData data;
        data.result = std::move(*result);
        const StoredResult& r = data.result;
        data.references = loadReferences(s);
        data.score = scoreOf(s, r, data.references, true);
        if (r.graphicsCardId <= 0)
            return data;

        std::vector<std::string> keys(16), texts(16);
        std::vector<int> counts(16), newestIds(16);
        std::vector<long long> latest(16);
        std::vector<std::tuple<std::string, std::string, int, int, long long>> drivers;
        {
            soci::statement st = (s.prepare << "SELECT driver_key, MAX(driver_text), COUNT(*), MAX(id), MAX(created_at) "
                                               "FROM results WHERE graphics_card_id = :c GROUP BY driver_key "
                                               "ORDER BY MAX(id) DESC",
                                  soci::into(keys), soci::into(texts), soci::into(counts), soci::into(newestIds),
                                  soci::into(latest), soci::use(r.graphicsCardId));
            st.execute();
            while (st.fetch()) {
                for (std::size_t i = 0; i < keys.size(); ++i)
                    drivers.emplace_back(keys[i], texts[i], counts[i], newestIds[i], latest[i]);
            }
        }
        // The newest drivers, and the result's own whatever its age.
        constexpr std::size_t kShownDrivers = 6;
        std::optional<ResultLink> previous;
        for (std::size_t i = 0; i < drivers.size(); ++i) {
            const auto& [key, text, count, newestId, latestAt] = drivers[i];
            if (i >= kShownDrivers && key != r.driverKey)
                continue;
            DriverCohort cohort;
            cohort.driverKey = key;
            cohort.driverText = text;
            cohort.resultCount = count;
            cohort.latestAt = latestAt;
            cohort.figures = cohortFigures(s, r.graphicsCardId, key);
            double median = 0;
            soci::indicator have = soci::i_null;
            s << "SELECT median_score FROM ranking_rows WHERE graphics_card_id = :c AND driver_key = :d",
                soci::into(median, have), soci::use(r.graphicsCardId), soci::use(key);
            cohort.medianScore = s.got_data() && have == soci::i_ok ? median : 0.0;
            if (!previous && key != r.driverKey && newestId < r.id)
                previous = ResultLink{newestId, "the newest result with the earlier driver " + text};
            data.driverCohorts.push_back(std::move(cohort));
        }
        data.previousDriver = previous;

        const DriverCohort* own = data.ownCohort();
        const double target = own && own->medianScore > 0 ? own->medianScore : data.score.score;
        int nearest = 0;
        soci::indicator have = soci::i_null;
        s << "SELECT result_id FROM result_scores WHERE graphics_card_id = :c AND driver_key = :d AND result_id <> :id "
             "ORDER BY ABS(score - :m), result_id LIMIT 1",
            soci::into(nearest, have), soci::use(r.graphicsCardId), soci::use(r.driverKey), soci::use(r.id),
            soci::use(target);
        if (s.got_data() && have == soci::i_ok && nearest > 0)
            data.cohortMedian = ResultLink{nearest, "the median result of the same card and driver (result " +
                                                        std::to_string(nearest) + ")"};
        return data;
    });
}

std::optional<ComparePageData> SociResultQueries::comparePage(const std::vector<int32_t>& ids)
{
    return database_.withSession([&](soci::session& s) -> std::optional<ComparePageData> {
        refreshIfStale(s, false);
        const auto references = loadReferences(s);
        ComparePageData data;
        for (int32_t id : ids) {
            auto result = loadResult(s, id);
            if (!result)
                return std::nullopt;
            CompareEntry entry;
            entry.result = std::move(*result);
            entry.score = scoreOf(s, entry.result, references, false).score;
            if (entry.result.graphicsCardId > 0)
                entry.cohort = cohortFigures(s, entry.result.graphicsCardId, entry.result.driverKey);
            data.entries.push_back(std::move(entry));
        }
        return data;
    });
}

IndexPageData SociResultQueries::latestResults(const std::string& search, int limit)
{
    return database_.withSession([&](soci::session& s) -> IndexPageData {
        refreshIfStale(s, false);
        IndexPageData data;
        data.search = search;
        s << "SELECT COUNT(*) FROM results", soci::into(data.totalResults);
        if (search.empty()) {
            data.results = summaries(s, "", "", limit);
        } else {
            std::string pattern = "%";
            for (char c : search) {
                if (c == '%' || c == '_' || c == '\\')
                    pattern += '\\';
                pattern += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            }
            pattern += "%";
            data.results = summaries(s,
                                     "WHERE LOWER(r.card_name) LIKE :p ESCAPE '\\' OR LOWER(r.cpu_name) LIKE :p "
                                     "ESCAPE '\\' OR LOWER(r.driver_text) LIKE :p ESCAPE '\\'",
                                     pattern, limit);
        }
        return data;
    });
}

RankingPageData SociResultQueries::ranking()
{
    return database_.withSession([&](soci::session& s) -> RankingPageData {
        refreshIfStale(s, false);
        RankingPageData data;
        data.cards = rankingRows(s, "WHERE driver_key = '" + kWholeCard + "'");
        data.cardDrivers = rankingRows(s, "WHERE driver_key <> '" + kWholeCard + "'");
        long long computedAt = 0;
        s << "SELECT COALESCE(MAX(computed_at), 0) FROM statistics_state", soci::into(computedAt);
        data.computedAt = computedAt;
        return data;
    });
}

std::optional<CardPageData> SociResultQueries::cardPage(int32_t graphicsCardId, int limit)
{
    return database_.withSession([&](soci::session& s) -> std::optional<CardPageData> {
        refreshIfStale(s, false);
        std::string type;
        soci::indicator found = soci::i_null;
        s << "SELECT type FROM records WHERE id = :id", soci::into(type, found), soci::use(graphicsCardId);
        if (!s.got_data() || found != soci::i_ok || type != "BenchmarkGraphicsCard")
            return std::nullopt;
        CardPageData data;
        data.graphicsCardId = graphicsCardId;
        auto fields = recordFields(s, graphicsCardId);
        data.cardName = fields["Name"];
        data.productId = fields["ProductID"];
        data.vendorId = fields["VendorID"];
        data.subProductId = fields["SubProductID"];
        data.subVendorId = fields["SubVendorID"];
        s << "SELECT COUNT(*) FROM results WHERE graphics_card_id = :c", soci::into(data.totalResults),
            soci::use(graphicsCardId);
        data.results = summaries(s, "WHERE r.graphics_card_id = " + std::to_string(graphicsCardId), "", limit);
        if (!data.results.empty())
            data.cardName = data.results.front().cardName;  // as the newest result names it
        data.drivers = rankingRows(s, "WHERE graphics_card_id = " + std::to_string(graphicsCardId) +
                                          " AND driver_key <> '" + kWholeCard + "'");
        return data;
    });
}
