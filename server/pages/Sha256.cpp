#include "server/pages/Sha256.h"

#include <fstream>
#include <memory>
#include <stdexcept>
#include <vector>

#include <openssl/evp.h>

namespace {

struct DigestContext {
    DigestContext() : context(EVP_MD_CTX_new())
    {
        if (!context || EVP_DigestInit_ex(context, EVP_sha256(), nullptr) != 1)
            throw std::runtime_error("SHA-256 is not available");
    }
    ~DigestContext() { EVP_MD_CTX_free(context); }
    DigestContext(const DigestContext&) = delete;
    DigestContext& operator=(const DigestContext&) = delete;

    void add(const char* data, std::size_t size) { EVP_DigestUpdate(context, data, size); }
    std::string finish()
    {
        unsigned char digest[EVP_MAX_MD_SIZE];
        unsigned int length = 0;
        EVP_DigestFinal_ex(context, digest, &length);
        return std::string(reinterpret_cast<char*>(digest), length);
    }

    EVP_MD_CTX* context;
};

std::string toHex(const std::string& bytes)
{
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char b : bytes) {
        out += digits[b >> 4];
        out += digits[b & 15];
    }
    return out;
}

} // namespace

std::string sha256Hex(const std::string& data)
{
    DigestContext digest;
    digest.add(data.data(), data.size());
    return toHex(digest.finish());
}

std::string sha256Base64(const std::string& data)
{
    DigestContext digest;
    digest.add(data.data(), data.size());
    const std::string raw = digest.finish();
    std::vector<unsigned char> encoded(4 * ((raw.size() + 2) / 3) + 1);
    const int length = EVP_EncodeBlock(encoded.data(),
                                       reinterpret_cast<const unsigned char*>(raw.data()),
                                       static_cast<int>(raw.size()));
    return std::string(reinterpret_cast<char*>(encoded.data()), static_cast<std::size_t>(length));
}

std::string sha256HexOfFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path);
    DigestContext digest;
    std::vector<char> buffer(1 << 16);
    while (in) {
        in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
        digest.add(buffer.data(), static_cast<std::size_t>(in.gcount()));
    }
    if (in.bad())
        throw std::runtime_error("cannot read " + path);
    return toHex(digest.finish());
}
