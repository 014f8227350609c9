#pragma once

#include <chrono>

#include "server/store/Database.h"

// The background work on the figures: results of an upgraded database that wait for their
// figures, a score version being built (every older result scored against its reference, then
// made current), and the rows of a retired version. Several server processes may run it at
// once: every step is guarded by the rows it claims.
//
// Each transaction holds the database for at most holdLimit, commit included: the work checks
// the clock before every result (or batch of rows) and commits once the next one might not fit
// in what is left after the commit's own recent cost and a margin. On SQLite it also commits
// as soon as a request of this process waits to write, and starts the next transaction only
// when none waits (Database's write gate), so uploads go first without a fixed pause.
class FigureWork {
public:
    using Clock = Database::Slice::Clock;

    explicit FigureWork(Database& database, bool countImported,
                        std::chrono::milliseconds holdLimit = std::chrono::milliseconds(kHoldLimitMillis))
        : database_(database), countImported_(countImported), holdLimit_(holdLimit) {}

    static constexpr int kHoldLimitMillis = 50;

    // Works until nothing is left or `budget` has passed; true when work remains.
    bool run(std::chrono::milliseconds budget);

    // What the calls so far did: transactions that did work, the longest of them (begin to
    // commit), and the results that got their figures or a score of a version being built.
    int transactions() const { return transactions_; }
    long long longestMillis() const { return std::chrono::duration_cast<std::chrono::milliseconds>(longest_).count(); }
    Clock::duration longest() const { return longest_; }
    long long resultsDone() const { return resultsDone_; }
    // Of the longest transaction, the time before its commit; and how many went over holdLimit.
    Clock::duration longestWork() const { return longestWork_; }
    int overLimit() const { return overLimit_; }

private:
    // How long the work of the next transaction may take before it commits.
    Clock::duration workBudget() const;
    // Whether one more step may start: the slice is not over and a step as long as the
    // longest so far still fits.
    bool room(const Database::Slice& slice, Clock::duration longestStep) const;

    // One transaction of each kind; each returns whether it did anything.
    bool pendingSlice(soci::session& s, const Database::Slice& slice);
    bool buildingSlice(soci::session& s, const Database::Slice& slice);
    bool retiredSlice(soci::session& s, const Database::Slice& slice);

    Database& database_;
    bool countImported_;
    Clock::duration holdLimit_;
    Clock::duration commitEstimate_ = Clock::duration::zero();  // recent commits' cost, decaying
    int transactions_ = 0;
    Clock::duration longest_ = Clock::duration::zero();
    Clock::duration longestWork_ = Clock::duration::zero();
    int overLimit_ = 0;
    long long resultsDone_ = 0;
    int sliceResults_ = 0;  // results done by the transaction under way
};
