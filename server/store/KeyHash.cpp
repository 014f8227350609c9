#include "server/store/KeyHash.h"

#include <stdexcept>
#include <vector>

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/rand.h>
#include <openssl/sha.h>

namespace {

constexpr int kIterations = 10000;
constexpr int kSaltBytes = 16;
constexpr int kHashBytes = 32;

std::string toHex(const unsigned char* data, std::size_t size)
{
    static const char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (std::size_t i = 0; i < size; ++i) {
        hex += kDigits[data[i] >> 4];
        hex += kDigits[data[i] & 0x0F];
    }
    return hex;
}

bool fromHex(const std::string& hex, std::vector<unsigned char>& out)
{
    if (hex.size() % 2)
        return false;
    out.clear();
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        unsigned value = 0;
        for (std::size_t j = i; j < i + 2; ++j) {
            const char c = hex[j];
            value <<= 4;
            if (c >= '0' && c <= '9')
                value |= c - '0';
            else if (c >= 'a' && c <= 'f')
                value |= c - 'a' + 10;
            else
                return false;
        }
        out.push_back(static_cast<unsigned char>(value));
    }
    return true;
}

std::vector<unsigned char> derive(const std::string& key, const std::vector<unsigned char>& salt,
                                  int iterations)
{
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
    const std::string both = stored + '\0' + key;
    unsigned char digest[SHA256_DIGEST_LENGTH];
    SHA256(reinterpret_cast<const unsigned char*>(both.data()), both.size(), digest);
    return std::string(reinterpret_cast<const char*>(digest), sizeof digest);
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

std::string hashKey(const std::string& key)
{
    std::vector<unsigned char> salt(kSaltBytes);
    if (RAND_bytes(salt.data(), kSaltBytes) != 1)
        throw std::runtime_error("no random bytes for a salt");
    const std::vector<unsigned char> hash = derive(key, salt, kIterations);
    return "pbkdf2-sha256$" + std::to_string(kIterations) + "$" + toHex(salt.data(), salt.size()) +
           "$" + toHex(hash.data(), hash.size());
}
