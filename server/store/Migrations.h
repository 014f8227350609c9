#pragma once

#include <soci/soci.h>

#include "server/store/Database.h"

// Brings the schema to the newest version, one transaction per version, recording each in
// schema_version. Safe when several server processes start on one database at once: they
// queue on a lock and the later ones find the work done.
void applyMigrations(soci::session& session, Dialect dialect);

int newestSchemaVersion();
