#pragma once

#include <string>

// Client keys are stored as "pbkdf2-sha256$<iterations>$<salt hex>$<hash hex>" with a random
// salt per client; the iteration count is stored with each hash so that it can grow later.
std::string hashKey(const std::string& key);
// Whether stored is a hash of key; a malformed stored text matches no key. Slow on
// purpose (the derivation's iterations): ClientLogins remembers what it found.
bool keyMatches(const std::string& key, const std::string& stored);
// How many key derivations this process has run: the work a login check costs, which is the
// same for an unknown name as for a wrong key.
unsigned long long keyDerivations();
// The work of checking a key against a stored hash, done where there is no hash to check
// against (an unknown client name), so that a name's existence does not show in the time.
void deriveForNothing(const std::string& key);
// A digest of a key together with a stored hash, by which a match is remembered without
// keeping the key itself.
std::string keyMatchDigest(const std::string& key, const std::string& stored);
