#pragma once

#include <chrono>
#include <cstddef>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <utility>

#include <soci/soci.h>

#include "server/store/WriteGate.h"

// The database behind the server: SQLite (one file, WAL) or PostgreSQL, chosen by the URL
// ("sqlite:PATH" or "postgresql://..."). Holds a pool of sessions, one per serving thread, and
// applies the schema migrations when opened. No other state: several server processes may
// share one PostgreSQL database.
enum class Dialect { SQLite, PostgreSQL };

// A libpq connection URI ("postgresql://user@host:port/db?...") as the key=value form that
// SOCI passes on unchanged. Throws std::runtime_error when libpq cannot read the URI.
std::string postgresConnectString(const std::string& url);

// The URL as it may be shown: a PostgreSQL password, in the user part or as a parameter,
// becomes "***". Other URLs come back unchanged.
std::string maskedDatabaseUrl(const std::string& url);

// Seconds since 1970, UTC: every stored time.
long long unixNow();

// The database cannot be reached or is busy for a moment: the request may be retried (503).
class DatabaseUnavailable : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class Database {
public:
    // Throws std::runtime_error with a one-line message when the URL is malformed or the
    // database cannot be opened or migrated.
    // busySeconds: how long a SQLite writer waits for another's lock before the request is
    // answered "busy".
    static std::unique_ptr<Database> open(const std::string& url, std::size_t poolSize,
                                          int busySeconds = 10);
    ~Database();

    Dialect dialect() const { return dialect_; }
    const std::string& url() const { return url_; }

    // A session of the pool for the lifetime of the lease. Reconnects a PostgreSQL session
    // whose connection was lost.
    class Lease {
    public:
        explicit Lease(Database& database);
        ~Lease();
        Lease(const Lease&) = delete;
        Lease& operator=(const Lease&) = delete;
        soci::session& operator*() { return *session_; }
        soci::session* operator->() { return session_; }

    private:
        soci::connection_pool& pool_;
        std::size_t position_;
        soci::session* session_;
    };

    // One transaction on a leased session: BEGIN IMMEDIATE on SQLite (so that two writers
    // queue on the lock instead of failing when one upgrades), BEGIN on PostgreSQL. Rolls back
    // unless committed.
    class Transaction {
    public:
        Transaction(Dialect dialect, soci::session& session);
        ~Transaction();
        Transaction(const Transaction&) = delete;
        Transaction& operator=(const Transaction&) = delete;
        void commit();

    private:
        soci::session& session_;
        bool open_ = true;
    };

    // Runs work (a callable taking soci::session&) in one transaction; database errors that
    // mean "busy" or "connection lost" become DatabaseUnavailable. On SQLite it first takes a
    // request's turn at the write gate, ahead of background work.
    template <typename Work>
    auto inTransaction(Work&& work) -> decltype(work(std::declval<soci::session&>()));

    // What background work sees of its transaction: whether to commit now, checked between
    // two steps of work. Over once `budget` has passed since the transaction began or, on
    // SQLite, as soon as a request of this process waits to write.
    class Slice {
    public:
        using Clock = std::chrono::steady_clock;
        Slice(const WriteGate* gate, Clock::time_point began, Clock::duration budget)
            : gate_(gate), began_(began), budget_(budget) {}
        bool over() const { return (gate_ && gate_->requestWaiting()) || Clock::now() - began_ >= budget_; }
        Clock::duration elapsed() const { return Clock::now() - began_; }
        Clock::duration budget() const { return budget_; }

    private:
        const WriteGate* gate_;
        Clock::time_point began_;
        Clock::duration budget_;
    };

    // Runs background work (a callable taking soci::session& and const Slice&) in one
    // transaction. On SQLite it waits for background work's turn at the write gate (no request
    // waiting) and runs on a session of its own, whose commits do not wait for the disk and
    // never copy the write-ahead log into the database (synchronous=NORMAL, no automatic
    // checkpoint): a lost background transaction is done again, and the next upload's commit
    // makes everything before it durable. The log is copied after the turn, without holding
    // the gate. held is set to the time from the transaction's begin to its commit (or
    // rollback) returning: how long it held SQLite's write lock. On PostgreSQL it runs on a
    // session of the pool and commits without waiting for the log to reach the disk.
    template <typename Work>
    auto inBackgroundTransaction(Slice::Clock::duration budget, Slice::Clock::duration& held, Work&& work)
        -> decltype(work(std::declval<soci::session&>(), std::declval<const Slice&>()));
    // The same for reading work of a single statement, which needs no transaction of its own.
    template <typename Work>
    auto withSession(Work&& work) -> decltype(work(std::declval<soci::session&>()));

private:
    Database(Dialect dialect, std::string url, std::size_t poolSize);
    // Copies what it can of SQLite's write-ahead log into the database, without blocking
    // writers or readers.
    static void checkpoint(soci::session& session);
    void migrate();
public:
    // Re-throws a database error as DatabaseUnavailable when it is one the client may retry.
    [[noreturn]] void rethrowClassified(const soci::soci_error& error) const;

private:

    Dialect dialect_;
    std::string url_;
    std::size_t poolSize_;
    std::unique_ptr<soci::connection_pool> pool_;
    WriteGate writeGate_;
    std::mutex backgroundMutex_;                    // one background transaction at a time
    std::unique_ptr<soci::session> backgroundSession_;  // SQLite only
};

template <typename Work>
auto Database::inTransaction(Work&& work) -> decltype(work(std::declval<soci::session&>()))
{
    std::optional<WriteGate::Request> turn;
    if (dialect_ == Dialect::SQLite)
        turn.emplace(writeGate_);
    try {
        Lease lease(*this);
        Transaction transaction(dialect_, *lease);
        if constexpr (std::is_void_v<decltype(work(*lease))>) {
            work(*lease);
            transaction.commit();
        } else {
            auto result = work(*lease);
            transaction.commit();
            return result;
        }
    } catch (const soci::soci_error& error) {
        rethrowClassified(error);
    }
}

template <typename Work>
auto Database::inBackgroundTransaction(Slice::Clock::duration budget, Slice::Clock::duration& held, Work&& work)
    -> decltype(work(std::declval<soci::session&>(), std::declval<const Slice&>()))
{
    held = Slice::Clock::duration::zero();
    try {
        if (dialect_ == Dialect::PostgreSQL) {
            Lease lease(*this);
            Transaction transaction(dialect_, *lease);
            // A background transaction lost with a crash is done again: its commit need not
            // wait for the log to reach the disk.
            *lease << "SET LOCAL synchronous_commit = off";
            const Slice slice(nullptr, Slice::Clock::now(), budget);
            auto result = work(*lease, slice);
            transaction.commit();
            held = slice.elapsed();
            return result;
        }
        std::lock_guard<std::mutex> one(backgroundMutex_);
        soci::session& session = *backgroundSession_;
        std::optional<WriteGate::Background> turn(std::in_place, writeGate_);
        Transaction transaction(dialect_, session);
        const Slice slice(&writeGate_, Slice::Clock::now(), budget);
        auto result = work(session, slice);
        transaction.commit();
        held = slice.elapsed();
        turn.reset();
        checkpoint(session);
        return result;
    } catch (const soci::soci_error& error) {
        rethrowClassified(error);
    }
}

template <typename Work>
auto Database::withSession(Work&& work) -> decltype(work(std::declval<soci::session&>()))
{
    try {
        Lease lease(*this);
        return work(*lease);
    } catch (const soci::soci_error& error) {
        rethrowClassified(error);
    }
}
