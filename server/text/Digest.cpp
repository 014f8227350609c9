#include "server/text/Digest.h"

#include <fstream>
#include <stdexcept>
#include <vector>

#include <openssl/evp.h>
#include <openssl/hmac.h>

#include "server/text/Base64.h"
#include "server/text/Hex.h"


namespace {

class Sha256Context {
public:
    Sha256Context() : context_(EVP_MD_CTX_new())
    {
        if (!context_ || EVP_DigestInit_ex(context_, EVP_sha256(), nullptr) != 1) {
            EVP_MD_CTX_free(context_);
            throw std::runtime_error("SHA-256 is not available");
        }
    }
    ~Sha256Context() { EVP_MD_CTX_free(context_); }
    Sha256Context(const Sha256Context&) = delete;
    Sha256Context& operator=(const Sha256Context&) = delete;

    void add(const char* data, std::size_t size) { EVP_DigestUpdate(context_, data, size); }
    std::string finish()
    {
        unsigned char digest[EVP_MAX_MD_SIZE];
        unsigned int length = 0;
        EVP_DigestFinal_ex(context_, digest, &length);
        return std::string(reinterpret_cast<const char*>(digest), length);
    }

private:
    EVP_MD_CTX* context_;
};

} // namespace

std::string sha256Bytes(const std::string& data)
{
    Sha256Context digest;
    digest.add(data.data(), data.size());
    return digest.finish();
}

std::string sha256Hex(const std::string& data)
{
    return hexLower(sha256Bytes(data));
}

std::string sha256Base64(const std::string& data)
{
    return base64Encode(sha256Bytes(data));
}

std::string hmacSha256Hex(const std::string& key, const std::string& data)
{
    unsigned char mac[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (!HMAC(EVP_sha256(), key.data(), static_cast<int>(key.size()),
              reinterpret_cast<const unsigned char*>(data.data()), data.size(), mac, &length))
        throw std::runtime_error("HMAC-SHA-256 is not available");
    return hexLower(mac, length);
}

std::string sha256HexOfFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path);
    Sha256Context digest;
    std::vector<char> buffer(1 << 16);
    while (in) {
        in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
        digest.add(buffer.data(), static_cast<std::size_t>(in.gcount()));
    }
    if (in.bad())
        throw std::runtime_error("cannot read " + path);
    return hexLower(digest.finish());
}

