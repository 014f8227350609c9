#include "results/UrlEncode.h"

namespace {
bool isUnreserved(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
           c == '-' || c == '_' || c == '.' || c == '~';
}
}  // namespace

std::string urlEncode(const std::string& text) {
    static const char hexDigits[] = "0123456789ABCDEF";
    std::string encoded;
    encoded.reserve(text.size() * 3);
    for (char ch : text) {
        // Through unsigned char: bytes 0x80..0xFF must not sign-extend into longer escapes.
        const unsigned char c = static_cast<unsigned char>(ch);
        if (isUnreserved(c)) {
            encoded += static_cast<char>(c);
        } else {
            encoded += '%';
            encoded += hexDigits[c >> 4];
            encoded += hexDigits[c & 0x0F];
        }
    }
    return encoded;
}
