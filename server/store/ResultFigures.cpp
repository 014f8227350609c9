#include "server/store/ResultFigures.h"

#include <algorithm>
#include <tuple>
#include <vector>

#include "server/model/DriverVersion.h"
#include "server/model/LogHistogram.h"
#include "server/model/Outliers.h"
#include "server/store/ResultRecords.h"

namespace {

const char* const kAddCount = "ON CONFLICT (cohort_id, test, bin) DO UPDATE SET count = cohort_bins.count + excluded.count";

model::LogHistogram cohortScores(soci::session& session, int32_t cohort, int version)
{
    model::LogHistogram histogram;
    const int test = -version;
    std::vector<int> bins(512);
    std::vector<long long> counts(512);
    soci::statement st = runOnce(session, "SELECT bin, count FROM cohort_bins WHERE cohort_id = :c AND test = :t",
                                 soci::into(bins), soci::into(counts), soci::use(cohort), soci::use(test));
    while (st.fetch()) {
        for (std::size_t i = 0; i < bins.size(); ++i)
            histogram.addBin(bins[i], counts[i]);
    }
    return histogram;
}

} // namespace

// The (test, bin) counts of a cohort a counted result adds one to: each rate with figures and
// each score version (as -version). Sorted, so that concurrent uploads lock rows in one order.
std::vector<std::tuple<int32_t, int32_t>> binKeys(const model::Rates& rates,
                                                  const std::vector<std::pair<int, double>>& scores)
{
    std::vector<std::tuple<int32_t, int32_t>> keys;
    for (const model::Rate& rate : rates) {
        int32_t bin = 0;
        if (rate.id.hasFigures() && model::LogHistogram::binOf(rate.value, model::LogHistogram::kRateWidth, bin))
            keys.emplace_back(rate.id.code(), bin);
    }
    for (const auto& [version, score] : scores) {
        int32_t bin = 0;
        if (model::LogHistogram::binOf(score, model::LogHistogram::kRateWidth, bin))
            keys.emplace_back(-version, bin);
    }
    std::sort(keys.begin(), keys.end());
    keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
    return keys;
}

std::string driverOrderOf(const std::string& driverText)
{
    std::vector<std::string> versions;
    std::size_t start = 0;
    while (start <= driverText.size()) {
        std::size_t end = driverText.find("; ", start);
        if (end == std::string::npos)
            end = driverText.size();
        const std::string part = driverText.substr(start, end - start);
        const std::size_t blank = part.rfind(' ');
        versions.push_back(blank == std::string::npos ? part : part.substr(blank + 1));
        start = end + 2;
    }
    return model::versionOrderKey(versions);
}

void ResultFigures::record(soci::session& session, int32_t id, const model::ArrivingResult& r,
                           bool imported) const
{
    const std::vector<ScoreVersion> versions = scoreVersions::active(session);
    const model::CohortKey& key = r.cohort;
    const int system = static_cast<int>(key.system);
    const std::string order = driverOrderOf(r.driverText);
    int32_t cohort = 0;
    session << "INSERT INTO cohorts (graphics_card_id, driver_key, graphics_system, display_width, "
               "display_height, bits_per_pixel, card_name, driver_text, driver_order, result_count, counted, "
               "newest_result_id) VALUES (:card, :driver, :system, :w, :h, :b, :name, :text, :order, 1, 0, :id) "
               "ON CONFLICT (graphics_card_id, driver_key, graphics_system, display_width, display_height, "
               "bits_per_pixel) DO UPDATE SET result_count = cohorts.result_count + 1, newest_result_id = "
               "CASE WHEN excluded.newest_result_id > cohorts.newest_result_id THEN excluded.newest_result_id "
               "ELSE cohorts.newest_result_id END RETURNING id",
        soci::use(key.graphicsCardId), soci::use(key.driverKey), soci::use(system), soci::use(key.width),
        soci::use(key.height), soci::use(key.bitsPerPixel), soci::use(r.cardName), soci::use(r.driverText),
        soci::use(order), soci::use(id), soci::into(cohort);

    // The score under each active version; the current one decides the standing.
    std::vector<std::pair<int, double>> scores;
    std::string note;
    model::Standing standing = model::Standing::Counted;
    long long countedScoresBefore = -1;  // the cohort's counted scores of the current version
    for (std::size_t i = 0; i < versions.size(); ++i) {
        const model::ScoreOutcome outcome = model::scoreOf(r.rates, versions[i].reference);
        if (outcome.score)
            scores.emplace_back(versions[i].reference.version, *outcome.score);
        if (i == 0) {
            note = outcome.reason();
            if (imported && !countImported_) {
                standing = model::Standing::Imported;
            } else if (outcome.score) {
                const model::LogHistogram before = cohortScores(session, cohort, versions[i].reference.version);
                countedScoresBefore = before.count();
                if (model::isFarOut(*outcome.score, model::farOutFences(before)))
                    standing = model::Standing::Outlier;
            }
        }
    }
    const int standingNumber = static_cast<int>(standing);
    session << "UPDATE results SET cohort_id = :c, graphics_system = :g, standing = :s, score_note = :n "
               "WHERE id = :id",
        soci::use(cohort), soci::use(system), soci::use(standingNumber), soci::use(note), soci::use(id);
    for (const auto& [version, score] : scores) {
        int v = version;
        double value = score;
        session << "INSERT INTO scores (version, result_id, cohort_id, score) VALUES (:v, :id, :c, :s) "
                   "ON CONFLICT (version, result_id) DO UPDATE SET score = excluded.score",
            soci::use(v), soci::use(id), soci::use(cohort), soci::use(value);
    }
    if (standing != model::Standing::Counted)
        return;

    const std::vector<std::tuple<int32_t, int32_t>> keys = binKeys(r.rates, scores);
    std::vector<int32_t> cohorts(keys.size(), cohort), tests, bins, counts(keys.size(), 1);
    for (const auto& [test, bin] : keys) {
        tests.push_back(test);
        bins.push_back(bin);
    }
    dialect_.insertRows(session, "cohort_bins", "cohort_id, test, bin, count", kAddCount, cohorts, tests, bins,
                        counts);
    session << "UPDATE cohorts SET counted = counted + 1 WHERE id = :c", soci::use(cohort);
    for (const auto& [version, score] : scores) {
        countScore(session, version, cohort, key.graphicsCardId, score);
        if (key.graphicsCardId > 0)
            refreshCard(session, version, key.graphicsCardId);
    }
    // This score makes the cohort judgeable: the results counted before it, which nothing
    // could judge when they arrived, are judged now with it.
    if (countedScoresBefore + 1 == model::kOutlierMinimum)
        judgeCohort(session, cohort, versions[0].reference.version);
}

void ResultFigures::judgeCohort(soci::session& session, int32_t cohort, int version) const
{
    const model::Fences fences = model::farOutFences(cohortScores(session, cohort, version));
    if (!fences.known)
        return;
    // The cohort's counted scores are kOutlierMinimum rows; its other results (uncounted, or
    // without a score) are passed over along the cohort's index.
    std::vector<int32_t> farOut;
    const int counted = static_cast<int>(model::Standing::Counted);
    {
        std::vector<int> ids(64);
        std::vector<double> scores(64);
        soci::statement st = runOnce(session, "SELECT r.id, s.score FROM results r JOIN scores s ON "
                                              "s.result_id = r.id AND s.version = :v WHERE r.cohort_id = :c "
                                              "AND r.standing = :counted",
                                     soci::into(ids), soci::into(scores), soci::use(version), soci::use(cohort),
                                     soci::use(counted));
        while (st.fetch()) {
            for (std::size_t i = 0; i < ids.size(); ++i) {
                if (model::isFarOut(scores[i], fences))
                    farOut.push_back(ids[i]);
            }
        }
    }
    for (int32_t id : farOut)
        uncount(session, id, cohort);
}

void ResultFigures::uncount(soci::session& session, int32_t id, int32_t cohort) const
{
    int32_t card = 0;
    session << "SELECT COALESCE(graphics_card_id, 0) FROM results WHERE id = :id", soci::into(card), soci::use(id);
    std::vector<std::pair<int, double>> scores;
    {
        std::vector<int> versions(16);
        std::vector<double> values(16);
        soci::statement st = runOnce(session, "SELECT version, score FROM scores WHERE result_id = :id",
                                     soci::into(versions), soci::into(values), soci::use(id));
        while (st.fetch()) {
            for (std::size_t i = 0; i < versions.size(); ++i)
                scores.emplace_back(versions[i], values[i]);
        }
    }
    // The cohort's counts this result was added to, as record adds them.
    for (const auto& [test, bin] : binKeys(loadRates(session, id), scores)) {
        int32_t t = test, b = bin;
        session << "UPDATE cohort_bins SET count = count - 1 WHERE cohort_id = :c AND test = :t AND bin = :b",
            soci::use(cohort), soci::use(t), soci::use(b);
        session << "DELETE FROM cohort_bins WHERE cohort_id = :c AND test = :t AND bin = :b AND count <= 0",
            soci::use(cohort), soci::use(t), soci::use(b);
    }
    session << "UPDATE cohorts SET counted = counted - 1 WHERE id = :c", soci::use(cohort);
    const int outlier = static_cast<int>(model::Standing::Outlier);
    session << "UPDATE results SET standing = :s WHERE id = :id", soci::use(outlier), soci::use(id);
    std::vector<int32_t> scopes = {0};
    if (card > 0)
        scopes.push_back(card);
    for (const auto& [version, score] : scores) {
        int32_t bin = 0;
        if (!model::LogHistogram::binOf(score, model::LogHistogram::kScoreWidth, bin))
            continue;
        int v = version;
        for (int32_t scope : scopes) {
            session << "UPDATE score_bins SET count = count - 1 WHERE version = :v AND scope = :s AND bin = :b",
                soci::use(v), soci::use(scope), soci::use(bin);
            session << "DELETE FROM score_bins WHERE version = :v AND scope = :s AND bin = :b AND count <= 0",
                soci::use(v), soci::use(scope), soci::use(bin);
        }
        if (card > 0)
            refreshCard(session, version, card);
    }
}

void ResultFigures::countScore(soci::session& session, int version, int32_t, int32_t card, double score) const
{
    int32_t bin = 0;
    if (!model::LogHistogram::binOf(score, model::LogHistogram::kScoreWidth, bin))
        return;
    std::vector<int32_t> versions = {version}, scopes = {0}, bins = {bin}, counts = {1};
    if (card > 0) {
        versions.push_back(version);
        scopes.push_back(card);
        bins.push_back(bin);
        counts.push_back(1);
    }
    dialect_.insertRows(session, "score_bins", "version, scope, bin, count",
                        "ON CONFLICT (version, scope, bin) DO UPDATE SET count = score_bins.count + excluded.count",
                        versions, scopes, bins, counts);
}

void ResultFigures::refreshCard(soci::session& session, int version, int32_t card) const
{
    model::LogHistogram histogram(model::LogHistogram::kScoreWidth);
    {
        std::vector<int> bins(1024);
        std::vector<long long> counts(1024);
        soci::statement st = runOnce(session, "SELECT bin, count FROM score_bins WHERE version = :v AND scope = :c",
                                     soci::into(bins), soci::into(counts), soci::use(version), soci::use(card));
        while (st.fetch()) {
            for (std::size_t i = 0; i < bins.size(); ++i)
                histogram.addBin(bins[i], counts[i]);
        }
    }
    if (histogram.empty())
        return;
    const model::Spread spread = histogram.spread();
    std::string name;
    session << "SELECT card_name FROM cohorts WHERE graphics_card_id = :c ORDER BY newest_result_id DESC LIMIT 1",
        soci::into(name), soci::use(card);
    const long long counted = histogram.count();
    session << "INSERT INTO card_figures (version, graphics_card_id, card_name, counted, lower_score, "
               "median_score, upper_score) VALUES (:v, :c, :n, :k, :l, :m, :u) ON CONFLICT (version, "
               "graphics_card_id) DO UPDATE SET card_name = excluded.card_name, counted = excluded.counted, "
               "lower_score = excluded.lower_score, median_score = excluded.median_score, "
               "upper_score = excluded.upper_score",
        soci::use(version), soci::use(card), soci::use(name), soci::use(counted), soci::use(spread.lower),
        soci::use(spread.median), soci::use(spread.upper);
}

void ResultFigures::scoreUnder(soci::session& session, const ScoreVersion& version, int32_t id,
                               std::set<int32_t>& touchedCards) const
{
    int standing = 0, cohort = 0, card = 0;
    soci::indicator cohortFound = soci::i_null;
    session << "SELECT standing, cohort_id, COALESCE(graphics_card_id, 0) FROM results WHERE id = :id",
        soci::into(standing), soci::into(cohort, cohortFound), soci::into(card), soci::use(id);
    if (!session.got_data() || cohortFound != soci::i_ok)
        return;
    const model::ScoreOutcome outcome = model::scoreOf(loadRates(session, id), version.reference);
    if (!outcome.score)
        return;
    int v = version.reference.version;
    double score = *outcome.score;
    int inserted = 0;
    session << "INSERT INTO scores (version, result_id, cohort_id, score) VALUES (:v, :id, :c, :s) "
               "ON CONFLICT (version, result_id) DO NOTHING RETURNING 1",
        soci::use(v), soci::use(id), soci::use(cohort), soci::use(score), soci::into(inserted);
    if (!session.got_data() || standing != static_cast<int>(model::Standing::Counted))
        return;
    int32_t bin = 0;
    if (model::LogHistogram::binOf(score, model::LogHistogram::kRateWidth, bin)) {
        std::vector<int32_t> cohorts = {cohort}, tests = {-v}, bins = {bin}, counts = {1};
        dialect_.insertRows(session, "cohort_bins", "cohort_id, test, bin, count", kAddCount, cohorts, tests,
                            bins, counts);
    }
    countScore(session, v, cohort, card, score);
    if (card > 0)
        touchedCards.insert(card);
}
