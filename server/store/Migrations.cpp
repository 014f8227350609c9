#include "server/store/Migrations.h"

#include <string>
#include <vector>

#include "BuildConfig.h"
#include "server/store/KeyHash.h"

namespace {

// "{id}" stands for the dialect's 32-bit identity column. Statements never change once
// released: a new schema is a new entry at the end.
const std::vector<std::vector<std::string>> kMigrations = {
    // 1: clients, the shared description records and the results with what the pages need.
    {
        "CREATE TABLE clients (name TEXT PRIMARY KEY, key_hash TEXT NOT NULL, "
        "enabled INTEGER NOT NULL DEFAULT 1, created_at BIGINT NOT NULL)",
        "CREATE TABLE records (id {id}, type TEXT NOT NULL, search_key TEXT NOT NULL, "
        "created_at BIGINT NOT NULL, UNIQUE (type, search_key))",
        "CREATE TABLE record_fields (record_id INTEGER NOT NULL REFERENCES records (id), "
        "position INTEGER NOT NULL, name TEXT NOT NULL, value TEXT NOT NULL, "
        "PRIMARY KEY (record_id, position))",
        "CREATE TABLE record_references (record_id INTEGER NOT NULL REFERENCES records (id), "
        "position INTEGER NOT NULL, name TEXT NOT NULL, "
        "target_id INTEGER NOT NULL REFERENCES records (id), PRIMARY KEY (record_id, position))",
        "CREATE TABLE results (id {id}, created_at BIGINT NOT NULL, client_name TEXT NOT NULL, "
        "imported INTEGER NOT NULL DEFAULT 0, graphics_card_id INTEGER REFERENCES records (id), "
        "card_name TEXT NOT NULL, driver_key TEXT NOT NULL, driver_text TEXT NOT NULL, "
        "os_text TEXT NOT NULL, cpu_name TEXT NOT NULL, display_width INTEGER NOT NULL, "
        "display_height INTEGER NOT NULL, refresh_rate INTEGER NOT NULL, "
        "bits_per_pixel INTEGER NOT NULL)",
        "CREATE INDEX results_card_driver ON results (graphics_card_id, driver_key)",
        "CREATE INDEX results_created ON results (created_at)",
        "CREATE TABLE result_fields (result_id INTEGER NOT NULL REFERENCES results (id), "
        "position INTEGER NOT NULL, name TEXT NOT NULL, value TEXT NOT NULL, "
        "PRIMARY KEY (result_id, position))",
        "CREATE TABLE result_references (result_id INTEGER NOT NULL REFERENCES results (id), "
        "position INTEGER NOT NULL, name TEXT NOT NULL, "
        "target_id INTEGER NOT NULL REFERENCES records (id), PRIMARY KEY (result_id, position))",
        "CREATE TABLE result_members (result_id INTEGER NOT NULL REFERENCES results (id), "
        "collection TEXT NOT NULL, position INTEGER NOT NULL, "
        "record_id INTEGER NOT NULL REFERENCES records (id), "
        "PRIMARY KEY (result_id, collection, position))",
        "CREATE TABLE measurements (result_id INTEGER NOT NULL REFERENCES results (id), "
        "test TEXT NOT NULL, width INTEGER NOT NULL, height INTEGER NOT NULL, "
        "unit TEXT NOT NULL, value DOUBLE PRECISION NOT NULL, "
        "PRIMARY KEY (result_id, test, width, height, unit))",
        "CREATE INDEX measurements_test ON measurements (test, width, height, unit, value)",
        "{default-client}",
    },
    // 2: what the result pages derive from all results, kept so that a page view reads a
    // bounded number of rows: the medians the score divides by, every result's score, the
    // ranking, and the figures of each card and driver (refreshed when they fall behind).
    {
        "CREATE TABLE score_references (test TEXT NOT NULL, width INTEGER NOT NULL, "
        "height INTEGER NOT NULL, unit TEXT NOT NULL, median DOUBLE PRECISION NOT NULL, "
        "result_count INTEGER NOT NULL, PRIMARY KEY (test, width, height, unit))",
        "CREATE TABLE result_scores (result_id INTEGER PRIMARY KEY REFERENCES results (id), "
        "graphics_card_id INTEGER NOT NULL, driver_key TEXT NOT NULL, "
        "score DOUBLE PRECISION NOT NULL, tests_used INTEGER NOT NULL)",
        "CREATE INDEX result_scores_score ON result_scores (score)",
        "CREATE INDEX result_scores_card ON result_scores (graphics_card_id, score)",
        "CREATE TABLE ranking_rows (graphics_card_id INTEGER NOT NULL, driver_key TEXT NOT NULL, "
        "card_name TEXT NOT NULL, driver_text TEXT NOT NULL, median_score DOUBLE PRECISION NOT NULL, "
        "result_count INTEGER NOT NULL, PRIMARY KEY (graphics_card_id, driver_key))",
        "CREATE TABLE cohort_figures (graphics_card_id INTEGER NOT NULL, driver_key TEXT NOT NULL, "
        "test TEXT NOT NULL, width INTEGER NOT NULL, height INTEGER NOT NULL, unit TEXT NOT NULL, "
        "result_count INTEGER NOT NULL, lower_quartile DOUBLE PRECISION NOT NULL, "
        "median DOUBLE PRECISION NOT NULL, upper_quartile DOUBLE PRECISION NOT NULL, "
        "sample TEXT NOT NULL, "
        "PRIMARY KEY (graphics_card_id, driver_key, test, width, height, unit))",
        "CREATE TABLE cohort_state (graphics_card_id INTEGER NOT NULL, driver_key TEXT NOT NULL, "
        "newest_result_id INTEGER NOT NULL, result_count INTEGER NOT NULL, "
        "computed_at BIGINT NOT NULL, PRIMARY KEY (graphics_card_id, driver_key))",
        "CREATE TABLE statistics_state (id INTEGER PRIMARY KEY, newest_result_id INTEGER NOT NULL, "
        "computed_at BIGINT NOT NULL)",
    },
    // 3: the digest of every result as it arrived, so that a retried upload (the reply to the
    // first was lost) or a transcript imported again answers with the result already stored.
    // Imports keep their digest for good; uploads only match within a time window.
    {
        "CREATE TABLE result_digests (origin TEXT NOT NULL, digest TEXT NOT NULL, "
        "result_id INTEGER NOT NULL REFERENCES results (id), stored_at BIGINT NOT NULL, "
        "PRIMARY KEY (origin, digest))",
    },
};

std::string forDialect(std::string statement, Dialect dialect)
{
    const std::string id = dialect == Dialect::SQLite ? "INTEGER PRIMARY KEY AUTOINCREMENT"
                                                      : "SERIAL PRIMARY KEY";
    for (std::size_t at; (at = statement.find("{id}")) != std::string::npos;)
        statement.replace(at, 4, id);
    return statement;
}

int currentVersion(soci::session& session)
{
    int version = 0;
    soci::indicator indicator = soci::i_null;
    session << "SELECT MAX(version) FROM schema_version", soci::into(version, indicator);
    return indicator == soci::i_ok ? version : 0;
}

} // namespace

int newestSchemaVersion()
{
    return static_cast<int>(kMigrations.size());
}

void applyMigrations(soci::session& session, Dialect dialect)
{
    session << "CREATE TABLE IF NOT EXISTS schema_version (version INTEGER PRIMARY KEY, "
               "applied_at BIGINT NOT NULL)";
    for (int version = 1; version <= newestSchemaVersion(); ++version) {
        Database::Transaction transaction(dialect, session);
        if (dialect == Dialect::PostgreSQL)
            session << "SELECT pg_advisory_xact_lock(71529)";  // held until the transaction ends
        if (currentVersion(session) >= version)
            continue;
        for (const std::string& statement : kMigrations[version - 1]) {
            if (statement == "{default-client}") {
                const std::string name = KORVID_CLIENT_NAME;
                const std::string hash = hashKey(KORVID_CLIENT_KEY);
                const long long now = unixNow();
                session << "INSERT INTO clients (name, key_hash, enabled, created_at) "
                           "VALUES (:name, :hash, 1, :now)",
                    soci::use(name), soci::use(hash), soci::use(now);
            } else {
                session << forDialect(statement, dialect);
            }
        }
        const long long now = unixNow();
        session << "INSERT INTO schema_version (version, applied_at) VALUES (:v, :t)",
            soci::use(version), soci::use(now);
        transaction.commit();
    }
}
