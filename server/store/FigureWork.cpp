#include "server/store/FigureWork.h"

#include <algorithm>
#include <set>
#include <vector>

#include "server/model/GraphicsSystem.h"
#include "server/store/ResultRecords.h"
#include "server/store/ResultFigures.h"
#include "server/store/ScoreVersions.h"
#include "server/store/SqlDialect.h"

namespace {

// Results read for one transaction; it usually does fewer, as its time allows.
constexpr int kCandidates = 256;
// Rows of a retired version deleted by one statement.
constexpr int kRetiredResults = 100;
constexpr int kRetiredCohorts = 20;

} // namespace

bool FigureWork::run(std::chrono::milliseconds budget)
{
    using Kind = bool (FigureWork::*)(soci::session&, const Database::Slice&);
    const auto until = Clock::now() + budget;
    bool more = true;
    while (more && Clock::now() < until) {
        more = false;
        for (Kind kind : {&FigureWork::pendingSlice, &FigureWork::buildingSlice, &FigureWork::retiredSlice}) {
            Clock::duration held{}, worked{};
            sliceResults_ = 0;
            const bool did = database_.inBackgroundTransaction(
                workBudget(), held, [&](soci::session& s, const Database::Slice& slice) {
                    const bool any = (this->*kind)(s, slice);
                    worked = slice.elapsed();
                    return any;
                });
            if (!did)
                continue;
            ++transactions_;
            resultsDone_ += sliceResults_;
            if (held > longest_) {
                longest_ = held;
                longestWork_ = worked;
            }
            if (held > holdLimit_)
                ++overLimit_;
            commitEstimate_ = std::max(held - worked, commitEstimate_ * 7 / 8);
            more = true;
            break;
        }
    }
    return more;
}

FigureWork::Clock::duration FigureWork::workBudget() const
{
    // A fifth of the limit is kept for what the clock cannot foresee (a step longer than any
    // before, the machine's other work).
    const Clock::duration budget = holdLimit_ - holdLimit_ / 5 - commitEstimate_;
    return std::max(budget, Clock::duration::zero());
}

bool FigureWork::room(const Database::Slice& slice, Clock::duration longestStep) const
{
    // On PostgreSQL uploads and the work lock the same rows (a cohort, its bins, the score bins)
    // in the same order only when the work stores one result per transaction, as an upload
    // does; with several, the two could wait for each other until one is aborted.
    if (database_.dialect() == Dialect::PostgreSQL)
        return false;
    return !slice.over() && slice.elapsed() + longestStep < slice.budget();
}

bool FigureWork::pendingSlice(soci::session& s, const Database::Slice& slice)
{
    const SqlDialect dialect(database_.dialect());
    if (dialect.dialect() == Dialect::PostgreSQL)
        s << "SELECT pg_advisory_xact_lock(71531)";  // one worker at a time across processes
    std::vector<int> ids(kCandidates);
    s << "SELECT id FROM results WHERE standing = 0 ORDER BY id LIMIT " + std::to_string(kCandidates),
        soci::into(ids);
    if (ids.empty())
        return false;
    const ResultFigures figures(dialect, countImported_);
    Clock::duration longestStep{};
    for (int id : ids) {
        if (sliceResults_ > 0 && !room(slice, longestStep))
            break;
        const auto start = Clock::now();
        model::ArrivingResult r;
        int imported = 0;
        s << "SELECT COALESCE(graphics_card_id, 0), driver_key, display_width, display_height, bits_per_pixel, "
             "card_name, driver_text, imported FROM results WHERE id = :id",
            soci::into(r.cohort.graphicsCardId), soci::into(r.cohort.driverKey), soci::into(r.cohort.width),
            soci::into(r.cohort.height), soci::into(r.cohort.bitsPerPixel), soci::into(r.cardName),
            soci::into(r.driverText), soci::into(imported), soci::use(id);
        r.rates = loadRates(s, id);
        std::vector<std::pair<std::string, std::string>> fields;
        {
            std::vector<std::string> names(64), values(64);
            soci::statement st = runOnce(s, "SELECT name, value FROM result_fields WHERE result_id = :id "
                                               "AND name IN ('GraphicsSystem', 'CompositeSrcMaskCombineAlphas')",
                                  soci::into(names), soci::into(values), soci::use(id));
            while (st.fetch()) {
                for (std::size_t i = 0; i < names.size(); ++i)
                    fields.emplace_back(names[i], values[i]);
            }
        }
        for (const model::Rate& rate : r.rates)
            fields.emplace_back(rate.id.fieldName(), "");
        r.cohort.system = model::graphicsSystemOf(fields);
        figures.record(s, id, r, imported != 0);
        ++sliceResults_;
        longestStep = std::max(longestStep, Clock::now() - start);
    }
    return true;
}

bool FigureWork::buildingSlice(soci::session& s, const Database::Slice& slice)
{
    const SqlDialect dialect(database_.dialect());
    if (dialect.dialect() == Dialect::PostgreSQL)
        s << "SELECT pg_advisory_xact_lock(71531)";
    const std::vector<ScoreVersion> versions = scoreVersions::active(s);
    const ScoreVersion* building = nullptr;
    for (const ScoreVersion& v : versions) {
        if (v.state == "building")
            building = &v;
    }
    if (!building)
        return false;
    int progress = 0, last = 0, version = building->reference.version;
    s << "SELECT progress, last_result_id FROM score_versions WHERE version = :v", soci::into(progress),
        soci::into(last), soci::use(version);
    if (last == 0) {
        s << "SELECT COALESCE(MAX(id), 0) FROM results", soci::into(last);
        s << "UPDATE score_versions SET last_result_id = :l WHERE version = :v", soci::use(last), soci::use(version);
    }
    std::vector<int> ids(kCandidates);
    s << "SELECT id FROM results WHERE id > :p AND id <= :l ORDER BY id LIMIT " + std::to_string(kCandidates),
        soci::into(ids), soci::use(progress), soci::use(last);
    if (ids.empty()) {
        // Every result has its new score: the new version becomes the one the pages show.
        s << "UPDATE score_versions SET state = 'retired' WHERE state = 'current'";
        s << "UPDATE score_versions SET state = 'current', progress = 0 WHERE version = :v", soci::use(version);
        return true;
    }
    const ResultFigures figures(dialect, countImported_);
    std::set<int32_t> cards;
    Clock::duration longestStep{};
    int reached = progress;
    for (int id : ids) {
        // The touched cards' quartiles are refreshed after the loop: leave time for them too.
        if (sliceResults_ > 0 && !room(slice, longestStep * static_cast<int>(1 + cards.size())))
            break;
        const auto start = Clock::now();
        figures.scoreUnder(s, *building, id, cards);
        reached = id;
        ++sliceResults_;
        longestStep = std::max(longestStep, Clock::now() - start);
    }
    for (int32_t card : cards)
        figures.refreshCard(s, version, card);
    s << "UPDATE score_versions SET progress = :p WHERE version = :v", soci::use(reached), soci::use(version);
    return true;
}

bool FigureWork::retiredSlice(soci::session& s, const Database::Slice& slice)
{
    int version = 0;
    soci::indicator have = soci::i_null;
    s << "SELECT MIN(version) FROM score_versions WHERE state = 'retired'", soci::into(version, have);
    if (have != soci::i_ok)
        return false;
    Clock::duration longestStep{};
    long long left = 0;
    // Nothing else writes a retired version's rows: several steps a transaction on either storage.
    const auto more = [&] { return !slice.over() && slice.elapsed() + longestStep < slice.budget(); };
    for (bool first = true; first || more(); first = false) {
        const auto start = Clock::now();
        s << "DELETE FROM scores WHERE version = :v AND result_id IN (SELECT result_id FROM scores WHERE "
             "version = :v ORDER BY result_id LIMIT " + std::to_string(kRetiredResults) + ")",
            soci::use(version, "v");
        s << "SELECT COUNT(*) FROM (SELECT 1 FROM scores WHERE version = :v LIMIT 1) AS one", soci::into(left),
            soci::use(version);
        longestStep = std::max(longestStep, Clock::now() - start);
        if (left == 0)
            break;
    }
    if (left > 0)
        return true;
    // The version's score bins of a few cohorts at a time, along the key's cohort prefix.
    const int test = -version;
    int progress = 0;
    s << "SELECT progress FROM score_versions WHERE version = :v", soci::into(progress), soci::use(version);
    while (more()) {
        const auto start = Clock::now();
        int next = 0;
        soci::indicator more = soci::i_null;
        s << "SELECT MAX(id) FROM (SELECT id FROM cohorts WHERE id > :p ORDER BY id LIMIT " +
                 std::to_string(kRetiredCohorts) + ") AS batch",
            soci::into(next, more), soci::use(progress);
        if (more != soci::i_ok) {
            s << "DELETE FROM score_bins WHERE version = :v", soci::use(version);
            s << "DELETE FROM card_figures WHERE version = :v", soci::use(version);
            s << "UPDATE score_versions SET state = 'gone' WHERE version = :v", soci::use(version);
            return true;
        }
        s << "DELETE FROM cohort_bins WHERE cohort_id > :p AND cohort_id <= :n AND test = :t", soci::use(progress),
            soci::use(next), soci::use(test);
        s << "UPDATE score_versions SET progress = :n WHERE version = :v", soci::use(next), soci::use(version);
        progress = next;
        longestStep = std::max(longestStep, Clock::now() - start);
    }
    return true;
}
