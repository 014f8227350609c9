#include "server/http/AccessLog.h"

#include <iostream>
#include <mutex>

#include "server/text/Hex.h"
#include "server/text/Utf8.h"

namespace {

std::mutex gLogMutex;

std::string jsonString(const std::string& text)
{
        std::string out = "\"";
    for (std::size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c >= 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
        } else if (const std::size_t length = c >= 0x80 ? utf8SequenceLength(text, i) : 0) {
            out.append(text, i, length);
            i += length - 1;
        } else {
            out += "\\u00" + hexLower(&c, 1);
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
