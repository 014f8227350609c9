#include "server/store/FigureWork.h"

#include <algorithm>
#include <set>
#include <thread>
#include <vector>

#include "server/model/GraphicsSystem.h"
#include "server/store/ResultRecords.h"
#include "server/store/ResultFigures.h"
#include "server/store/ScoreVersions.h"
#include "server/store/SqlDialect.h"

namespace {

using Clock = std::chrono::steady_clock;

} // namespace

bool FigureWork::run(std::chrono::milliseconds budget)
{
    const auto until = Clock::now() + budget;
    bool more = true;
    while (more && Clock::now() < until) {
        const auto start = Clock::now();
        more = pendingSlice(batch_) || buildingSlice(batch_) || retiredSlice(batch_ * 20);
        const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
        if (more) {
            ++transactions_;
            longestMillis_ = std::max<long long>(longestMillis_, took);
            if (database_.dialect() == Dialect::SQLite)
                std::this_thread::sleep_for(std::chrono::milliseconds(kPauseMillis));
        }
        // Keep each transaction near the slice: fewer results when it ran long, more when short.
        if (took > kSliceMillis && batch_ > 1)
            batch_ = std::max(1, batch_ / 2);
        else if (took < kSliceMillis / 2 && batch_ < 2000)
            batch_ += batch_ / 4 + 1;
    }
    return more;
}

bool FigureWork::pendingSlice(int batch)
{
    return database_.inTransaction([&](soci::session& s) {
        const SqlDialect dialect(database_.dialect());
        if (dialect.dialect() == Dialect::PostgreSQL)
            s << "SELECT pg_advisory_xact_lock(71531)";  // one worker at a time across processes
        std::vector<int> ids(batch);
        s << "SELECT id FROM results WHERE standing = 0 ORDER BY id LIMIT " + std::to_string(batch), soci::into(ids);
        if (ids.empty())
            return false;
        const ResultFigures figures(dialect, countImported_);
        for (int id : ids) {
            ArrivingResult r;
            r.id = id;
            int imported = 0;
            s << "SELECT COALESCE(graphics_card_id, 0), driver_key, display_width, display_height, bits_per_pixel, "
                 "card_name, driver_text, imported FROM results WHERE id = :id",
                soci::into(r.cohort.graphicsCardId), soci::into(r.cohort.driverKey), soci::into(r.cohort.width),
                soci::into(r.cohort.height), soci::into(r.cohort.bitsPerPixel), soci::into(r.cardName),
                soci::into(r.driverText), soci::into(imported), soci::use(id);
            r.rates = loadRates(s, id);
            r.imported = imported != 0;
            std::vector<std::pair<std::string, std::string>> fields;
            {
                std::vector<std::string> names(64), values(64);
                soci::statement st = (s.prepare << "SELECT name, value FROM result_fields WHERE result_id = :id "
                                                   "AND name IN ('GraphicsSystem', 'CompositeSrcMaskCombineAlphas')",
                                      soci::into(names), soci::into(values), soci::use(id));
                st.execute();
                while (st.fetch()) {
                    for (std::size_t i = 0; i < names.size(); ++i)
                        fields.emplace_back(names[i], values[i]);
                }
            }
            for (const model::Rate& rate : r.rates)
                fields.emplace_back(rate.id.fieldName(), "");
            r.cohort.system = model::graphicsSystemOf(fields);
            figures.record(s, r);
        }
        return true;
    });
}

bool FigureWork::buildingSlice(int batch)
{
    return database_.inTransaction([&](soci::session& s) {
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
        std::vector<int> ids(batch);
        s << "SELECT id FROM results WHERE id > :p AND id <= :l ORDER BY id LIMIT " + std::to_string(batch),
            soci::into(ids), soci::use(progress), soci::use(last);
        const ResultFigures figures(dialect, countImported_);
        std::set<int32_t> cards;
        for (int id : ids)
            figures.scoreUnder(s, *building, id, cards);
        for (int32_t card : cards)
            figures.refreshCard(s, version, card);
        if (ids.empty()) {
            // Every result has its new score: the new version becomes the one the pages show.
            s << "UPDATE score_versions SET state = 'retired' WHERE state = 'current'";
            s << "UPDATE score_versions SET state = 'current', progress = 0 WHERE version = :v", soci::use(version);
        } else {
            const int reached = ids.back();
            s << "UPDATE score_versions SET progress = :p WHERE version = :v", soci::use(reached), soci::use(version);
        }
        return true;
    });
}

bool FigureWork::retiredSlice(int batch)
{
    return database_.inTransaction([&](soci::session& s) {
        int version = 0;
        soci::indicator have = soci::i_null;
        s << "SELECT MIN(version) FROM score_versions WHERE state = 'retired'", soci::into(version, have);
        if (have != soci::i_ok)
            return false;
        const std::string limit = std::to_string(batch);
        long long left = 0;
        s << "DELETE FROM scores WHERE version = :v AND result_id IN (SELECT result_id FROM scores WHERE "
             "version = :v ORDER BY result_id LIMIT " + limit + ")",
            soci::use(version, "v");
        s << "SELECT COUNT(*) FROM (SELECT 1 FROM scores WHERE version = :v LIMIT 1) AS one", soci::into(left),
            soci::use(version);
        if (left > 0)
            return true;
        // The version's score bins of a few cohorts at a time, along the key's cohort prefix.
        const int test = -version;
        int progress = 0;
        s << "SELECT progress FROM score_versions WHERE version = :v", soci::into(progress), soci::use(version);
        int next = 0;
        soci::indicator more = soci::i_null;
        s << "SELECT MAX(id) FROM (SELECT id FROM cohorts WHERE id > :p ORDER BY id LIMIT " + limit + ") AS batch",
            soci::into(next, more), soci::use(progress);
        if (more == soci::i_ok) {
            s << "DELETE FROM cohort_bins WHERE cohort_id > :p AND cohort_id <= :n AND test = :t", soci::use(progress),
                soci::use(next), soci::use(test);
            s << "UPDATE score_versions SET progress = :n WHERE version = :v", soci::use(next), soci::use(version);
            return true;
        }
        s << "DELETE FROM score_bins WHERE version = :v", soci::use(version);
        s << "DELETE FROM card_figures WHERE version = :v", soci::use(version);
        s << "UPDATE score_versions SET state = 'gone' WHERE version = :v", soci::use(version);
        return true;
    });
}
