#pragma once

#include <string>

// Client keys are stored as "pbkdf2-sha256$<iterations>$<salt hex>$<hash hex>" with a random
// salt per client. The keys are long machine-made secrets, not passwords people choose, so a
// modest iteration count keeps every authenticated request cheap without weakening them.
std::string hashKey(const std::string& key);
bool keyMatches(const std::string& key, const std::string& stored);
