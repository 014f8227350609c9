#include "server/http/AccessLog.h"

#include <iostream>
#include <mutex>

namespace {

std::mutex gLogMutex;

std::string printable(const std::string& text)
{
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : text) {
        if (c < 0x20 || c == 0x7F || c == ' ') {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        } else {
            out += static_cast<char>(c);
        }
    }
    return out.empty() ? "-" : out;
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
    return timestamp(record.when) + " " + printable(record.remoteAddress) + " " + printable(record.method) +
           " " + printable(record.target) + " " + std::to_string(record.status) + " " +
           std::to_string(record.bodyBytes) + " " + std::to_string(record.milliseconds) + "ms " +
           printable(record.clientName) + "\n";
}

void logAccess(const AccessRecord& record)
{
    const std::string line = accessLogLine(record);
    std::lock_guard<std::mutex> lock(gLogMutex);
    std::cerr << line << std::flush;
}
