#include "server/store/DatabasePing.h"

#include "server/store/Database.h"

void pingDatabase(Database& database)
{
    database.withSession([](soci::session& session) {
        int version = 0;
        session << "SELECT MAX(version) FROM schema_version", soci::into(version);
    });
}
