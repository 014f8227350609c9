#include "server/http/AccessLog.h"

#include <iostream>
#include <mutex>

namespace {

std::mutex gLogMutex;

// The length of the UTF-8 sequence starting at text[at], or 0 when none starts there.
std::size_t utf8Length(const std::string& text, std::size_t at)
{
    const unsigned char c = static_cast<unsigned char>(text[at]);
    std::size_t length = c >= 0xF0 && c <= 0xF4 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 && c < 0xE0 ? 2 : 0;
    if (length == 0 || at + length > text.size())
        return 0;
    for (std::size_t i = 1; i < length; ++i)
        if ((static_cast<unsigned char>(text[at + i]) & 0xC0) != 0x80)
            return 0;
    const unsigned char next = static_cast<unsigned char>(text[at + 1]);
    // Overlong forms, surrogates and code points past U+10FFFF are not UTF-8.
    if ((c == 0xE0 && next < 0xA0) || (c == 0xED && next >= 0xA0) || (c == 0xF0 && next < 0x90) ||
        (c == 0xF4 && next >= 0x90))
        return 0;
    return length;
}

std::string jsonString(const std::string& text)
{
    static const char kHex[] = "0123456789abcdef";
    std::string out = "\"";
    for (std::size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c >= 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
        } else if (const std::size_t length = c >= 0x80 ? utf8Length(text, i) : 0) {
            out.append(text, i, length);
            i += length - 1;
        } else {
            out += "\\u00";
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    return out + "\"";
}

std::string jsonStringOrNull(const std::string& text)
{
    return text.empty() ? "null" : jsonString(text);
}

std::string timestamp(std::time_t when)
{
    std::tm utc{};
    gmtime_r(&when, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

} // namespace

std::string accessLogLine(const AccessRecord& record)
{
    return "{\"time\":\"" + timestamp(record.when) + "\",\"remote\":" + jsonString(record.remoteAddress) +
           ",\"method\":" + jsonString(record.method) + ",\"target\":" + jsonString(record.target) +
           ",\"status\":" + std::to_string(record.status) + ",\"bytes\":" + std::to_string(record.bodyBytes) +
           ",\"ms\":" + std::to_string(record.milliseconds) + ",\"client\":" + jsonStringOrNull(record.clientName) +
           ",\"user_agent\":" + jsonStringOrNull(record.userAgent) + ",\"referer\":" +
           jsonStringOrNull(record.referer) + ",\"forwarded_for\":" + jsonStringOrNull(record.forwardedFor) +
           "}\n";
}

void logAccess(const AccessRecord& record)
{
    const std::string line = accessLogLine(record);
    std::lock_guard<std::mutex> lock(gLogMutex);
    std::cerr << line << std::flush;
}
