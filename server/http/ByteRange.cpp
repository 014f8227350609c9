#include "server/http/ByteRange.h"

namespace {

// A decimal of at most 18 digits, so that it cannot overflow.
bool parseNumber(const std::string& text, std::uint64_t& value)
{
    if (text.empty() || text.size() > 18 || text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    value = std::stoull(text);
    return true;
}

std::string trimmed(const std::string& text)
{
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return "";
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

} // namespace

std::string ByteRange::contentRange(std::uint64_t fileSize) const
{
    if (kind == Kind::Unsatisfiable)
        return "bytes */" + std::to_string(fileSize);
    return "bytes " + std::to_string(first) + "-" + std::to_string(first + length - 1) + "/" +
           std::to_string(fileSize);
}

ByteRange chooseByteRange(const std::string& rangeHeader, bool hasIfRange, std::uint64_t fileSize)
{
    ByteRange whole;
    whole.length = fileSize;
    const std::string header = trimmed(rangeHeader);
    if (header.empty() || hasIfRange || header.size() < 6 || header.find(',') != std::string::npos)
        return whole;
    std::string unit = header.substr(0, 6);
    for (char& c : unit)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    if (unit != "bytes=")
        return whole;
    const std::string rangeText = trimmed(header.substr(6));
    const std::size_t dash = rangeText.find('-');
    if (dash == std::string::npos)
        return whole;
    const std::string from = rangeText.substr(0, dash), to = rangeText.substr(dash + 1);

    ByteRange range;
    range.kind = ByteRange::Kind::Partial;
    std::uint64_t a = 0, b = 0;
    if (from.empty()) {
        // The last b bytes.
        if (!parseNumber(to, b))
            return whole;
        if (b == 0 || fileSize == 0) {
            range.kind = ByteRange::Kind::Unsatisfiable;
            return range;
        }
        range.length = b < fileSize ? b : fileSize;
        range.first = fileSize - range.length;
        return range;
    }
    if (!parseNumber(from, a) || (!to.empty() && (!parseNumber(to, b) || b < a)))
        return whole;
    if (a >= fileSize) {
        range.kind = ByteRange::Kind::Unsatisfiable;
        return range;
    }
    const std::uint64_t last = to.empty() || b >= fileSize ? fileSize - 1 : b;
    range.first = a;
    range.length = last - a + 1;
    return range;
}
