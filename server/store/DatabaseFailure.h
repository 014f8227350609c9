#pragma once

#include <exception>

// What kind of database failure an exception is, for the layers above that must not know the
// database library: "unavailable" (busy or lost: the client may retry), "failed" (a statement
// the database refused: an internal error), or nullptr when it is no database failure at all.
const char* databaseFailureKind(const std::exception& error);
