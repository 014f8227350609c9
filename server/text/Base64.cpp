#include "server/text/Base64.h"

#include <vector>

#include <openssl/evp.h>


namespace {

bool inAlphabet(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' || c == '/';
}

} // namespace

std::string base64Encode(const std::string& bytes)
{
    std::vector<unsigned char> out(4 * ((bytes.size() + 2) / 3) + 1);
    const int length = EVP_EncodeBlock(out.data(), reinterpret_cast<const unsigned char*>(bytes.data()),
                                       static_cast<int>(bytes.size()));
    return std::string(reinterpret_cast<const char*>(out.data()), static_cast<std::size_t>(length));
}

std::optional<std::string> base64Decode(const std::string& encoded)
{
    // OpenSSL's block decoder skips blanks and decodes padding as zero bytes, so the text is
    // held to the alphabet here and the padding's bytes are cut off after.
    std::size_t data = 0;
    while (data < encoded.size() && inAlphabet(encoded[data]))
        ++data;
    const std::size_t padding = encoded.size() - data;
    if (padding > 2 || encoded.find_first_not_of('=', data) != std::string::npos || data % 4 == 1)
        return std::nullopt;
    if (padding > 0 && (data + padding) % 4 != 0)
        return std::nullopt;
    std::string whole = encoded.substr(0, data);
    const std::size_t missing = (4 - data % 4) % 4;
    whole.append(missing, '=');
    if (whole.empty())
        return std::string();
    std::vector<unsigned char> out(whole.size() / 4 * 3);
    const int length = EVP_DecodeBlock(out.data(), reinterpret_cast<const unsigned char*>(whole.data()),
                                       static_cast<int>(whole.size()));
    if (length < 0)
        return std::nullopt;
    const std::size_t cut = whole.size() - data;  // each '=' stands for one byte of nothing
    return std::string(reinterpret_cast<const char*>(out.data()), static_cast<std::size_t>(length) - cut);
}

