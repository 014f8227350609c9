#pragma once

#include <string>

// Client keys are stored as "pbkdf2-sha256$<iterations>$<salt hex>$<hash hex>" with a random
// salt per client; the iteration count is stored with each hash so that it can grow later.
std::string hashKey(const std::string& key);
// Every API request is checked, so a key found to match a stored hash is remembered for this
// process (by a digest of both, never the key itself): the hash and the enabled flag are still
// read from the database for every request, so a new key or a disabled client takes effect at
// once.
bool keyMatches(const std::string& key, const std::string& stored);
