#pragma once

#include <chrono>

#include "server/store/Database.h"

// The background work on the figures, in short transactions so that no request waits behind
// it (on SQLite each holds the write lock for about kSliceMillis, then pauses): results of an upgraded
// database that wait for their figures, a score version being built (every older result scored
// against its reference, then made current), and the rows of a retired version. Several
// server processes may run it at once: every step is guarded by the rows it claims.
class FigureWork {
public:
    FigureWork(Database& database, bool countImported) : database_(database), countImported_(countImported) {}

    static constexpr int kSliceMillis = 25;
    // On SQLite a writer that finds the lock taken retries every 100 ms at most (its busy
    // handler's longest sleep); a pause longer than that between two transactions lets every
    // waiting upload in before the next one, instead of losing every race to this loop.
    static constexpr int kPauseMillis = 110;

    // Works until nothing is left or `budget` has passed; true when work remains.
    bool run(std::chrono::milliseconds budget);

    // What the calls so far did: transactions that did work, and the longest of them.
    int transactions() const { return transactions_; }
    long long longestMillis() const { return longestMillis_; }

private:
    // One transaction of each kind; each returns whether it did anything.
    bool pendingSlice(int batch);
    bool buildingSlice(int batch);
    bool retiredSlice(int batch);

    Database& database_;
    bool countImported_;
    int batch_ = 10;  // results per transaction, tuned to kSliceMillis
    int transactions_ = 0;
    long long longestMillis_ = 0;
};
