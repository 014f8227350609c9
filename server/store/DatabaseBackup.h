#pragma once

#include <stdexcept>
#include <string>

// A copy of a SQLite results database taken while servers keep writing to it: SQLite's online
// backup API copies one consistent snapshot (every upload in it whole, none half), readers and
// writers of the source go on meanwhile (WAL). The copy is written beside FILE, checked, made
// a single file (no write-ahead log) and renamed to FILE, so FILE is either the old file or a
// whole new backup. PostgreSQL databases are backed up with pg_dump instead.

// The request cannot be carried out as given (exit status 2): not a SQLite URL, FILE is the
// database itself.
class BackupRefused : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct BackupSummary {
    long long results = 0;    // results in the copy
    int schemaVersion = 0;    // the copy's schema version
    long long bytes = 0;      // size of FILE
};

// Throws BackupRefused, or std::runtime_error with a one-line message when the database cannot
// be read or FILE cannot be written (nothing is left behind then).
BackupSummary backupDatabase(const std::string& databaseUrl, const std::string& file);
