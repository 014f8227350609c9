#include "server/store/DatabaseFailure.h"

#include <soci/soci.h>

#include "server/store/Database.h"

const char* databaseFailureKind(const std::exception& error)
{
    if (dynamic_cast<const DatabaseUnavailable*>(&error))
        return "unavailable";
    if (dynamic_cast<const soci::soci_error*>(&error))
        return "failed";
    return nullptr;
}
