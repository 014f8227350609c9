#pragma once

#include <optional>
#include <string>
#include <vector>

#include <soci/soci.h>

#include "server/model/Score.h"

// The score versions kept in the database: one current (what the pages show), at most one
// being built (every result scored again in the background against a new reference), and
// retired ones whose rows are being removed.
struct ScoreVersion {
    model::ScoreReference reference;
    std::string state;  // "current", "building" or "retired"
    int32_t referenceResultId = 0;  // 0: the built-in reference
    long long createdAt = 0;
};

namespace scoreVersions {

// The current and the building version, current first.
std::vector<ScoreVersion> active(soci::session& session);
int currentVersion(soci::session& session);
// Starts building a new version rated against a stored result; returns its number. Throws
// std::runtime_error when the result does not exist or lacks a core test, or while another
// version is being built.
int start(soci::session& session, int32_t referenceResultId);

} // namespace scoreVersions
