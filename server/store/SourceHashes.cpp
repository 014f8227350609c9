#include "server/store/SourceHashes.h"

#include <stdexcept>

#include <openssl/rand.h>

#include "server/text/Digest.h"
#include "server/text/Hex.h"

namespace {

constexpr std::size_t kHashDigits = 32;
const char* const kSecretName = "source-hash";

} // namespace

const std::string& SourceHashes::secret()
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (!secret_.empty())
        return secret_;
    unsigned char fresh[32];
    if (RAND_bytes(fresh, sizeof fresh) != 1)
        throw std::runtime_error("no random bytes for the site's secret");
    const std::string offered = hexLower(fresh, sizeof fresh);
    std::string stored;
    // The first process to ask makes it; every other one reads that one.
    const std::string name = kSecretName;  // SOCI binds by reference: no temporaries
    database_.inTransaction([&](soci::session& session) {
        session << "INSERT INTO site_secrets (name, value) VALUES (:name, :value) ON CONFLICT (name) DO NOTHING",
            soci::use(name), soci::use(offered);
        session << "SELECT value FROM site_secrets WHERE name = :name", soci::use(name), soci::into(stored);
        return 0;
    });
    secret_ = stored;
    return secret_;
}

std::string SourceHashes::of(const std::string& address)
{
    return hmacSha256Hex(secret(), address).substr(0, kHashDigits);
}
