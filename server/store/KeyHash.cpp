#include "server/store/KeyHash.h"

#include <atomic>
#include <optional>
#include <stdexcept>
#include <vector>

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/rand.h>

#include "server/text/Digest.h"
#include "server/text/Hex.h"

namespace {

constexpr int kIterations = 10000;
constexpr int kSaltBytes = 16;
constexpr int kHashBytes = 32;

bool fromHex(const std::string& hex, std::vector<unsigned char>& out)
{
    const std::optional<std::string> bytes = hexDecode(hex);
    if (!bytes)
        return false;
    out.assign(bytes->begin(), bytes->end());
    return true;
}

std::atomic<unsigned long long> gDerivations{0};

std::vector<unsigned char> derive(const std::string& key, const std::vector<unsigned char>& salt,
                                  int iterations)
{
    ++gDerivations;
    std::vector<unsigned char> hash(kHashBytes);
    if (PKCS5_PBKDF2_HMAC(key.data(), static_cast<int>(key.size()), salt.data(),
                          static_cast<int>(salt.size()), iterations, EVP_sha256(), kHashBytes,
                          hash.data()) != 1)
        throw std::runtime_error("PBKDF2 failed");
    return hash;
}

} // namespace

std::string keyMatchDigest(const std::string& key, const std::string& stored)
{
    return sha256Bytes(stored + '\0' + key);
}

bool keyMatches(const std::string& key, const std::string& stored)
{
    const std::string prefix = "pbkdf2-sha256$";
    if (stored.compare(0, prefix.size(), prefix) != 0)
        return false;
    const std::size_t saltAt = stored.find('$', prefix.size());
    const std::size_t hashAt = saltAt == std::string::npos ? saltAt : stored.find('$', saltAt + 1);
    if (hashAt == std::string::npos)
        return false;
    const std::string iterationsText = stored.substr(prefix.size(), saltAt - prefix.size());
    if (iterationsText.empty() || iterationsText.size() > 7 ||
        iterationsText.find_first_not_of("0123456789") != std::string::npos)
        return false;
    std::vector<unsigned char> salt;
    std::vector<unsigned char> expected;
    if (!fromHex(stored.substr(saltAt + 1, hashAt - saltAt - 1), salt) ||
        !fromHex(stored.substr(hashAt + 1), expected) || expected.size() != kHashBytes)
        return false;
    const std::vector<unsigned char> actual = derive(key, salt, std::stoi(iterationsText));
    return CRYPTO_memcmp(actual.data(), expected.data(), kHashBytes) == 0;
}

unsigned long long keyDerivations()
{
    return gDerivations.load();
}

void deriveForNothing(const std::string& key)
{
    static const std::vector<unsigned char> salt(kSaltBytes, 0x5a);
    derive(key, salt, kIterations);
}

std::string hashKey(const std::string& key)
{
    std::vector<unsigned char> salt(kSaltBytes);
    if (RAND_bytes(salt.data(), kSaltBytes) != 1)
        throw std::runtime_error("no random bytes for a salt");
    const std::vector<unsigned char> hash = derive(key, salt, kIterations);
    return "pbkdf2-sha256$" + std::to_string(kIterations) + "$" + hexLower(salt.data(), salt.size()) +
           "$" + hexLower(hash.data(), hash.size());
}
