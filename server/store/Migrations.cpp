#include "server/store/Migrations.h"

#include <string>
#include <vector>

#include "BuildConfig.h"
#include "server/model/Score.h"
#include "server/model/TestId.h"
#include "server/store/KeyHash.h"
#include "server/store/RateText.h"
#include "server/store/SqlDialect.h"

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
    // 4: results kept small and their figures worked out as they arrive. Rates move to rows of
    // (result, test code, value) with the codes' names in test_codes (a view keeps the old
    // measurements table's shape), and leave result_fields. The figures over all results
    // (medians, scores, rankings rebuilt from scratch) give way to each cohort's binned counts,
    // the score against a fixed reference under a version, and each card's score quartiles.
    // Upgraded results wait with standing 0 until the server's background work does their figures.
    {
        "ALTER TABLE results ADD COLUMN cohort_id INTEGER",
        "ALTER TABLE results ADD COLUMN graphics_system INTEGER NOT NULL DEFAULT 0",
        "ALTER TABLE results ADD COLUMN standing INTEGER NOT NULL DEFAULT 0",
        "ALTER TABLE results ADD COLUMN score_note TEXT NOT NULL DEFAULT ''",
        "CREATE TABLE test_codes (code INTEGER PRIMARY KEY, test TEXT NOT NULL, width INTEGER NOT NULL, "
        "height INTEGER NOT NULL, unit TEXT NOT NULL, field_name TEXT NOT NULL UNIQUE)",
        "{test-codes}",
        "CREATE TABLE rate_values (result_id INTEGER NOT NULL REFERENCES results (id), test INTEGER NOT NULL, "
        "value DOUBLE PRECISION NOT NULL, PRIMARY KEY (result_id, test)){compact}",
        "INSERT INTO rate_values (result_id, test, value) SELECT m.result_id, t.code, m.value FROM measurements m "
        "JOIN test_codes t ON t.test = m.test AND t.width = m.width AND t.height = m.height AND t.unit = m.unit",
        "DELETE FROM result_fields WHERE EXISTS (SELECT 1 FROM test_codes t JOIN rate_values v ON v.test = t.code "
        "AND v.result_id = result_fields.result_id WHERE t.field_name = result_fields.name)",
        "DROP TABLE measurements",
        "CREATE VIEW measurements AS SELECT v.result_id, t.test, t.width, t.height, t.unit, v.value "
        "FROM rate_values v JOIN test_codes t ON t.code = v.test",
        "DROP TABLE score_references",
        "DROP TABLE result_scores",
        "DROP TABLE ranking_rows",
        "DROP TABLE cohort_figures",
        "DROP TABLE cohort_state",
        "DROP TABLE statistics_state",
        "DROP INDEX results_card_driver",
        "CREATE INDEX results_card ON results (graphics_card_id, id)",
        "CREATE INDEX results_cohort ON results (cohort_id, id)",
        "CREATE INDEX results_pending ON results (id) WHERE standing = 0",
        "CREATE TABLE cohorts (id {id}, graphics_card_id INTEGER NOT NULL, driver_key TEXT NOT NULL, "
        "graphics_system INTEGER NOT NULL, display_width INTEGER NOT NULL, display_height INTEGER NOT NULL, "
        "bits_per_pixel INTEGER NOT NULL, card_name TEXT NOT NULL, driver_text TEXT NOT NULL, "
        "driver_order TEXT NOT NULL, result_count INTEGER NOT NULL, counted INTEGER NOT NULL, "
        "newest_result_id INTEGER NOT NULL, UNIQUE (graphics_card_id, driver_key, graphics_system, "
        "display_width, display_height, bits_per_pixel))",
        "CREATE INDEX cohorts_card ON cohorts (graphics_card_id, driver_order)",
        "CREATE TABLE cohort_bins (cohort_id INTEGER NOT NULL, test INTEGER NOT NULL, bin INTEGER NOT NULL, "
        "count INTEGER NOT NULL, PRIMARY KEY (cohort_id, test, bin)){compact}",
        "CREATE TABLE score_versions (version INTEGER PRIMARY KEY, state TEXT NOT NULL, label TEXT NOT NULL, "
        "reference TEXT NOT NULL, reference_result_id INTEGER, created_at BIGINT NOT NULL, "
        "progress INTEGER NOT NULL, last_result_id INTEGER NOT NULL DEFAULT 0)",
        "{score-version-1}",
        "CREATE TABLE scores (version INTEGER NOT NULL, result_id INTEGER NOT NULL, cohort_id INTEGER NOT NULL, "
        "score DOUBLE PRECISION NOT NULL, PRIMARY KEY (version, result_id)){compact}",
        "CREATE INDEX scores_cohort ON scores (version, cohort_id, score)",
        "CREATE TABLE score_bins (version INTEGER NOT NULL, scope INTEGER NOT NULL, bin INTEGER NOT NULL, "
        "count INTEGER NOT NULL, PRIMARY KEY (version, scope, bin)){compact}",
        "CREATE TABLE card_figures (version INTEGER NOT NULL, graphics_card_id INTEGER NOT NULL, "
        "card_name TEXT NOT NULL, counted INTEGER NOT NULL, lower_score DOUBLE PRECISION NOT NULL, "
        "median_score DOUBLE PRECISION NOT NULL, upper_score DOUBLE PRECISION NOT NULL, "
        "PRIMARY KEY (version, graphics_card_id))",
        "CREATE INDEX card_figures_median ON card_figures (version, median_score)",
    },
    // Result lists sorted by score walk this index instead of sorting every scored result.
    {
        "CREATE INDEX scores_score ON scores (version, score, result_id)",
    },
    // Result lists sorted by the card's or the driver's name walk these, in ID order within each
    // name, whatever the number of results (by OS and processor: the two indexes that follow).
    {
        "CREATE INDEX results_card_name ON results (card_name, id)",
        "CREATE INDEX results_driver_text ON results (driver_text, id)",
    },
    // A result page links the results of the same processor and of the same OS nearest to it by
    // ID: a probe of a few rows along each of these.
    {
        "CREATE INDEX results_cpu ON results (cpu_name, id)",
        "CREATE INDEX results_os ON results (os_text, id)",
    },
    // A result page's counted result nearest its cohort's median score, the lowest ID on a tie:
    // one probe here, where (version, cohort, score) read every result with the median's score
    // and PostgreSQL chose to walk (version, score) past other cohorts' (5 000 rows at a million).
    {
        "CREATE INDEX scores_cohort_score ON scores (version, cohort_id, score, result_id)",
    },
    // (version, cohort, score, result) serves every reading the shorter index served; keeping
    // both cost every score written a second entry.
    {
        "DROP INDEX scores_cohort",
    },
    // The code page a description record's bytes were read in, once a result named one
    // (NULL: as sent, Windows-1252 unless they were UTF-8).
    {
        "ALTER TABLE records ADD COLUMN code_page INTEGER",
    },
    // Where a result came from, as a keyed hash of its sender's address (never the address), so
    // that the host can find and take back every result of one source; the key is the site's own
    // secret, made on first use (SourceHashes).
    {
        "ALTER TABLE results ADD COLUMN source_hash TEXT",
        "CREATE INDEX results_source ON results (source_hash)",
        "CREATE TABLE site_secrets (name TEXT PRIMARY KEY, value TEXT NOT NULL)",
    },
};

std::string forDialect(std::string statement, Dialect dialect)
{
    const std::string id = dialect == Dialect::SQLite ? "INTEGER PRIMARY KEY AUTOINCREMENT"
                                                      : "SERIAL PRIMARY KEY";
    for (std::size_t at; (at = statement.find("{id}")) != std::string::npos;)
        statement.replace(at, 4, id);
    const std::string compact = SqlDialect(dialect).compactTable();
    for (std::size_t at; (at = statement.find("{compact}")) != std::string::npos;)
        statement.replace(at, 9, compact);
    return statement;
}

// Every test, size and unit a run can produce, by its code.
void fillTestCodes(soci::session& session)
{
    for (int code = 1; code < model::kTestCount * 32; ++code) {
        const auto id = model::TestId::fromCode(code);
        if (!id)
            continue;
        const std::string test = id->testName(), unit = id->unitName(), field = id->fieldName();
        session << "INSERT INTO test_codes (code, test, width, height, unit, field_name) "
                   "VALUES (:c, :t, :w, :h, :u, :f)",
            soci::use(code), soci::use(test), soci::use(id->size), soci::use(id->size), soci::use(unit),
            soci::use(field);
    }
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
            } else if (statement == "{test-codes}") {
                fillTestCodes(session);
            } else if (statement == "{score-version-1}") {
                const model::ScoreReference& reference = model::builtInReference();
                const std::string rates = rateText(reference.rates);
                const long long now = unixNow();
                session << "INSERT INTO score_versions (version, state, label, reference, created_at, progress) "
                           "VALUES (:v, 'current', :l, :r, :t, 0)",
                    soci::use(reference.version), soci::use(reference.label), soci::use(rates), soci::use(now);
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
