#include "server/text/PercentCoding.h"

#include "server/text/Hex.h"


namespace {

// Decodes; with strict, a malformed escape stops it and ok turns false.
std::string decode(const std::string& encoded, PlusSign plus, bool strict, bool& ok)
{
    ok = true;
    std::string out;
    out.reserve(encoded.size());
    for (std::size_t i = 0; i < encoded.size(); ++i) {
        const char c = encoded[i];
        if (c == '%') {
            const int high = i + 1 < encoded.size() ? hexDigitValue(encoded[i + 1]) : -1;
            const int low = i + 2 < encoded.size() ? hexDigitValue(encoded[i + 2]) : -1;
            if (high >= 0 && low >= 0) {
                out += static_cast<char>(high * 16 + low);
                i += 2;
                continue;
            }
            if (strict) {
                ok = false;
                return out;
            }
        }
        out += c == '+' && plus == PlusSign::Blank ? ' ' : c;
    }
    return out;
}

} // namespace

std::string percentDecode(const std::string& encoded, PlusSign plus)
{
    bool ok = true;
    return decode(encoded, plus, false, ok);
}

std::optional<std::string> percentDecodeStrict(const std::string& encoded, PlusSign plus)
{
    bool ok = true;
    std::string out = decode(encoded, plus, true, ok);
    if (!ok)
        return std::nullopt;
    return out;
}

std::string percentEncode(const std::string& bytes)
{
    static const char kDigits[] = "0123456789ABCDEF";
    std::string out;
    for (char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        if ((u >= '0' && u <= '9') || (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || c == '-' ||
            c == '.' || c == '_' || c == '~') {
            out += c;
        } else {
            out += '%';
            out += kDigits[u >> 4];
            out += kDigits[u & 15];
        }
    }
    return out;
}

