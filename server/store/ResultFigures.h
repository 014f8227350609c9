#pragma once

#include <set>
#include <string>

#include <soci/soci.h>

#include "server/model/ArrivingResult.h"
#include "server/store/ScoreVersions.h"
#include "server/store/SqlDialect.h"

// The sortable version key of a driver text as stored with a result.
std::string driverOrderOf(const std::string& driverText);

class ResultFigures {
public:
    ResultFigures(const SqlDialect& dialect, bool countImported)
        : dialect_(dialect), countImported_(countImported) {}

    // Records what a result adds to the figures, worked out once as it arrives, inside the
    // transaction that stores it, or later for one waiting after an upgrade (docs/scores.md,
    // "Keeping the figures"): its cohort, its score under every active score version, its
    // standing (counted, outlier or imported), and, when counted, one count in its cohort's bin
    // of each rate and of its score, its score's bin among all results and among its card's,
    // and its card's quartiles. The cost depends on the number of tests and on the bins of one
    // card, never on the number of stored results.
    void record(soci::session& session, int32_t id, const model::ArrivingResult& result, bool imported) const;
    // Scores a counted or uncounted result under a version being built, and counts the score
    // when the result is counted; touched cards are collected for refreshCard.
    void scoreUnder(soci::session& session, const ScoreVersion& version, int32_t id,
                    std::set<int32_t>& touchedCards) const;
    // The quartiles of a card's counted scores under a version, from its score bins.
    void refreshCard(soci::session& session, int version, int32_t card) const;

private:
    // Judges the cohort's counted results against the fences of their scores under the current
    // version, and takes the far-out ones out of every figure (docs/scores.md, "Outliers").
    void judgeCohort(soci::session& session, int32_t cohort, int version) const;
    // Undoes what record and scoreUnder counted for a counted result, which becomes an outlier.
    void uncount(soci::session& session, int32_t id, int32_t cohort) const;
    void countScore(soci::session& session, int version, int32_t cohort, int32_t card, double score) const;

    const SqlDialect& dialect_;
    bool countImported_;
};
