#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include <soci/soci.h>

#include "server/store/Database.h"

// What differs between SQLite and PostgreSQL in the statements of the store, in one place.
// Everything else is written once in the SQL both understand (upserts with ON CONFLICT,
// RETURNING, partial indexes).
// Runs a statement once and returns it, its rows (if any) left for fetch(). On PostgreSQL the
// statement goes with its parameters in one round trip; one made with session.prepare takes
// three (a named statement prepared, run, and deallocated when it is destroyed). SQLite
// prepares either kind alike.
template <typename... Elements>
soci::statement runOnce(soci::session& session, const std::string& sql, Elements&&... elements)
{
    soci::statement statement(session);
    (statement.exchange(std::forward<Elements>(elements)), ...);
    statement.alloc();
    statement.prepare(sql, soci::details::st_one_time_query);
    statement.define_and_bind();
    statement.execute(false);
    return statement;
}

class SqlDialect {
public:
    explicit SqlDialect(Dialect dialect) : dialect_(dialect) {}
    Dialect dialect() const { return dialect_; }

    // Inserts the rows whose columns are the vectors (all of one length, in the order of
    // columns), in one statement: arrays through unnest on PostgreSQL, SOCI's bulk binding on
    // SQLite. tail follows the VALUES or SELECT (an ON CONFLICT clause, say).
    template <typename First, typename... Rest>
    void insertRows(soci::session& session, const std::string& table, const std::string& columns,
                    const std::string& tail, std::vector<First>& first, std::vector<Rest>&... rest) const;

    // " WITHOUT ROWID" for tables whose primary key is the whole of their use on SQLite.
    std::string compactTable() const;

private:
    static std::string arrayLiteral(const std::vector<int32_t>& column);
    static std::string arrayLiteral(const std::vector<long long>& column);
    static std::string arrayLiteral(const std::vector<double>& column);
    static std::string arrayLiteral(const std::vector<std::string>& column);
    static const char* arrayType(const std::vector<int32_t>&) { return "integer[]"; }
    static const char* arrayType(const std::vector<long long>&) { return "bigint[]"; }
    static const char* arrayType(const std::vector<double>&) { return "double precision[]"; }
    static const char* arrayType(const std::vector<std::string>&) { return "text[]"; }

    Dialect dialect_;
};

template <typename First, typename... Rest>
void SqlDialect::insertRows(soci::session& session, const std::string& table, const std::string& columns,
                            const std::string& tail, std::vector<First>& first,
                            std::vector<Rest>&... rest) const
{
    if (first.empty())
        return;  // SOCI refuses empty bulk bindings
    if (dialect_ == Dialect::PostgreSQL) {
        std::vector<std::string> arrays = {arrayLiteral(first), arrayLiteral(rest)...};
        const std::vector<const char*> types = {arrayType(first), arrayType(rest)...};
        std::string sql = "INSERT INTO " + table + " (" + columns + ") SELECT * FROM unnest(";
        for (std::size_t i = 0; i < arrays.size(); ++i)
            sql += std::string(i ? ", " : "") + "CAST(:c" + std::to_string(i) + " AS " + types[i] + ")";
        soci::statement statement(session);
        for (std::string& array : arrays)
            statement.exchange(soci::use(array));
        statement.alloc();
        statement.prepare(sql + ") " + tail, soci::details::st_one_time_query);
        statement.define_and_bind();
        statement.execute(true);
        return;
    }
    std::string sql = "INSERT INTO " + table + " (" + columns + ") VALUES (";
    for (std::size_t i = 0; i < 1 + sizeof...(rest); ++i)
        sql += std::string(i ? ", " : "") + ":c" + std::to_string(i);
    soci::details::prepare_temp_type prepared = (session.prepare << sql + ") " + tail, soci::use(first));
    (prepared, ..., soci::use(rest));
    soci::statement statement = prepared;
    statement.execute(true);
}
