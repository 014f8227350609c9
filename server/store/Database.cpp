#include "server/store/Database.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <string>

#include <soci/postgresql/soci-postgresql.h>
#include <soci/sqlite3/soci-sqlite3.h>
#include <libpq-fe.h>
#include <sqlite3.h>

#include "server/store/Migrations.h"

namespace {

bool startsWith(const std::string& text, const std::string& prefix)
{
    return text.compare(0, prefix.size(), prefix) == 0;
}

// SOCI's SQLite back end reads "key=value" pairs; a path with blanks or quotes is quoted.
std::string sqliteConnectString(const std::string& path, int busySeconds)
{
    std::string quoted = "\"";
    for (char c : path) {
        if (c == '"')
            quoted += "\"\"";
        else
            quoted += c;
    }
    quoted += "\"";
    return "db=" + quoted + " timeout=" + std::to_string(busySeconds);
}

std::string oneLine(std::string text)
{
    for (char& c : text) {
        if (c == '\n' || c == '\r')
            c = ' ';
    }
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    return text;
}

// Whether a PostgreSQL session's connection is open and was not found broken, without a
// round trip (SOCI's is_connected sends a query).
bool postgresConnected(soci::session& session)
{
    // The library exports no type information for the back end; the caller knows the dialect.
    const auto* backend = static_cast<soci::postgresql_session_backend*>(session.get_backend());
    return backend && backend->conn_ && PQstatus(backend->conn_) == CONNECTION_OK;
}

} // namespace

std::string postgresConnectString(const std::string& url)
{
    char* error = nullptr;
    PQconninfoOption* options = PQconninfoParse(url.c_str(), &error);
    if (!options) {
        const std::string message = error ? oneLine(error) : "cannot read the PostgreSQL URI";
        PQfreemem(error);
        throw std::runtime_error(message);
    }
    std::string text;
    for (const PQconninfoOption* option = options; option->keyword; ++option) {
        if (!option->val)
            continue;
        std::string quoted = "'";
        for (const char* c = option->val; *c; ++c) {
            if (*c == '\\' || *c == '\'')
                quoted += '\\';
            quoted += *c;
        }
        text += std::string(text.empty() ? "" : " ") + option->keyword + "=" + quoted + "'";
    }
    PQconninfoFree(options);
    return text;
}

std::string maskedDatabaseUrl(const std::string& url)
{
    if (!startsWith(url, "postgresql://") && !startsWith(url, "postgres://"))
        return url;
    std::string masked = url;
    // user:password@ in the authority part
    const std::size_t authority = masked.find("://") + 3;
    const std::size_t authorityEnd = std::min(masked.find_first_of("/?", authority), masked.size());
    const std::size_t at = masked.rfind('@', authorityEnd);
    if (at != std::string::npos && at >= authority) {
        const std::size_t colon = masked.find(':', authority);
        if (colon != std::string::npos && colon < at)
            masked.replace(colon + 1, at - colon - 1, "***");
    }
    // password=... among the query parameters
    const std::size_t query = masked.find('?');
    for (std::size_t at = query; at != std::string::npos && at < masked.size();) {
        const std::size_t start = at + 1;
        const std::size_t end = std::min(masked.find('&', start), masked.size());
        if (masked.compare(start, 9, "password=") == 0) {
            masked.replace(start + 9, end - start - 9, "***");
            at = masked.find('&', start);
        } else {
            at = end < masked.size() ? end : std::string::npos;
        }
    }
    return masked;
}

long long unixNow()
{
    return std::chrono::duration_cast<std::chrono::seconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

std::unique_ptr<Database> Database::open(const std::string& url, std::size_t poolSize,
                                         int busySeconds)
{
    Dialect dialect;
    if (startsWith(url, "sqlite:")) {
        if (url.size() == std::string("sqlite:").size())
            throw std::runtime_error("the database URL sqlite: names no file");
        dialect = Dialect::SQLite;
    } else if (startsWith(url, "postgresql://") || startsWith(url, "postgres://")) {
        dialect = Dialect::PostgreSQL;
    } else {
        throw std::runtime_error("unknown database URL \"" + maskedDatabaseUrl(url) +
                                 "\" (expected sqlite:PATH or postgresql://...)");
    }
    std::unique_ptr<Database> database(new Database(dialect, url, poolSize < 1 ? 1 : poolSize));
    try {
        for (std::size_t i = 0; i < database->poolSize_; ++i) {
            soci::session& session = database->pool_->at(i);
            if (dialect == Dialect::SQLite) {
                session.open(*soci::factory_sqlite3(), sqliteConnectString(url.substr(7), busySeconds));
                std::string mode;
                session << "PRAGMA journal_mode=WAL", soci::into(mode);
                session << "PRAGMA foreign_keys=ON";
                // An answered upload must survive a power cut: NORMAL may lose the last
                // commits of the write-ahead log.
                session << "PRAGMA synchronous=FULL";
            } else {
                session.open(*soci::factory_postgresql(), postgresConnectString(url));
            }
            if (i == 0)
                applyMigrations(session, dialect);
        }
        if (dialect == Dialect::SQLite) {
            database->backgroundSession_ = std::make_unique<soci::session>(
                *soci::factory_sqlite3(), sqliteConnectString(url.substr(7), busySeconds));
            soci::session& background = *database->backgroundSession_;
            background << "PRAGMA foreign_keys=ON";
            background << "PRAGMA synchronous=NORMAL";
            int pages = 0;
            background << "PRAGMA wal_autocheckpoint=0", soci::into(pages);
        }
    } catch (const std::exception& error) {
        throw std::runtime_error("cannot open the database " + maskedDatabaseUrl(url) + ": " +
                                 oneLine(error.what()));
    }
    return database;
}

Database::Database(Dialect dialect, std::string url, std::size_t poolSize)
    : dialect_(dialect), url_(std::move(url)), poolSize_(poolSize),
      pool_(new soci::connection_pool(poolSize))
{
}

Database::~Database() = default;

void Database::checkpoint(soci::session& session)
{
    int busy = 0, frames = 0, copied = 0;
    session << "PRAGMA wal_checkpoint(PASSIVE)", soci::into(busy), soci::into(frames), soci::into(copied);
}

void Database::rethrowClassified(const soci::soci_error& error) const
{
    if (const auto* sqlite = dynamic_cast<const soci::sqlite3_soci_error*>(&error)) {
        switch (sqlite->result() & 0xFF) {
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
        case SQLITE_CANTOPEN:
        case SQLITE_IOERR:
        case SQLITE_FULL:
        case SQLITE_READONLY:
            throw DatabaseUnavailable(oneLine(error.what()));
        default:
            break;
        }
    }
    if (const auto* postgres = dynamic_cast<const soci::postgresql_soci_error*>(&error)) {
        const std::string state = postgres->sqlstate();
        // Connection exceptions, shutdowns, serialization failures and deadlocks, lack of
        // resources: all pass, so the client may try again.
        if (startsWith(state, "08") || startsWith(state, "57P") || state == "40001" ||
            state == "40P01" || startsWith(state, "53"))
            throw DatabaseUnavailable(oneLine(error.what()));
    }
    if (error.get_error_category() == soci::soci_error::connection_error)
        throw DatabaseUnavailable(oneLine(error.what()));
    throw;
}

Database::Lease::Lease(Database& database)
    : pool_(*database.pool_), position_(pool_.lease()), session_(&pool_.at(position_))
{
    // libpq marks a connection bad once an operation on it failed (the server went away); a
    // ping on every lease would cost a round trip per request.
    if (database.dialect_ == Dialect::PostgreSQL && !postgresConnected(*session_)) {
        try {
            session_->reconnect();
        } catch (const soci::soci_error& error) {
            pool_.give_back(position_);
            throw DatabaseUnavailable(oneLine(error.what()));
        }
    }
}

Database::Lease::~Lease()
{
    pool_.give_back(position_);
}

Database::Transaction::Transaction(Dialect dialect, soci::session& session) : session_(session)
{
    session_ << (dialect == Dialect::SQLite ? "BEGIN IMMEDIATE" : "BEGIN");
}

Database::Transaction::~Transaction()
{
    if (!open_)
        return;
    try {
        session_ << "ROLLBACK";
    } catch (...) {
        // The connection may be gone with the transaction; nothing is left to undo.
    }
}

void Database::Transaction::commit()
{
    session_ << "COMMIT";
    open_ = false;
}
