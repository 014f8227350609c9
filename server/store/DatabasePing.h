#pragma once

class Database;

// Whether the database answers, cheaply, for a health check: one read of the one-row schema
// version table on a session of the pool (PostgreSQL reconnects a lost session first).
// Throws DatabaseUnavailable when the database is busy or cannot be reached, any other
// std::exception when it answers wrongly; returns when it answers.
void pingDatabase(Database& database);
