#pragma once

#include <cstdint>
#include <ctime>
#include <string>

// One line per request on standard error:
//   2024-05-01T12:00:00Z 127.0.0.1 GET /api/v1/BenchmarkCPU?Name=x& 200 18 3ms Korvid_Windows_2.9
// time (UTC), client address, method, target, status, body bytes sent, milliseconds from the
// request's first byte to its reply's last, the authenticated client or "-". Never a
// credential: the client name comes from the handler, after the login check. Spaces and
// control characters of the client's text are percent-escaped, so a line is one line.
struct AccessRecord {
    std::time_t when = 0;
    std::string remoteAddress;
    std::string method;  // "-" when the request line was never read
    std::string target;
    int status = 0;
    std::uint64_t bodyBytes = 0;
    long long milliseconds = 0;
    std::string clientName;
};

std::string accessLogLine(const AccessRecord& record);

// Writes the line to standard error, whole, whichever thread calls.
void logAccess(const AccessRecord& record);
