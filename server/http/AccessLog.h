#pragma once

#include <cstdint>
#include <ctime>
#include <string>

// One JSON object per request, one a line, on standard error (the journal under systemd):
//   {"time":"2024-05-01T12:00:00Z","remote":"127.0.0.1","method":"GET",
//    "target":"/api/v1/BenchmarkCPU?Name=x&","status":200,"bytes":18,"ms":3,
//    "client":"Korvid_Windows_2.9","user_agent":"Korvid/2.9 (Windows)","referer":null,
//    "forwarded_for":null}
// time (UTC), client address, method, target as received, status, body bytes sent,
// milliseconds from the request's first byte to its reply's last, the authenticated client,
// the User-Agent, Referer and X-Forwarded-For fields (null when absent; forwarded_for is what
// a proxy in front says, not checked). Never a credential: the client name comes from the
// handler, after the login check, and no Authorization field is read here. Every string is
// escaped as JSON wants it, with bytes that are not UTF-8 as \u00XX, so a line is one line
// and one object whatever a client sends.
struct AccessRecord {
    std::time_t when = 0;
    std::string remoteAddress;
    std::string method;  // "-" when the request line was never read
    std::string target;
    int status = 0;
    std::uint64_t bodyBytes = 0;
    long long milliseconds = 0;
    std::string clientName;
    std::string userAgent;
    std::string referer;
    std::string forwardedFor;
};

std::string accessLogLine(const AccessRecord& record);

// Writes the line to standard error, whole, whichever thread calls.
void logAccess(const AccessRecord& record);
