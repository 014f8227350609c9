#pragma once

#include <cstddef>

// What one client may make the server hold or wait for. Every number here is one of
// korvid-server's options (ServerOptions.cpp gives the names, ranges and help); the defaults
// are the values the server runs with when none is given.
struct HttpLimits {
    std::size_t maxBodyBytes = 1 << 20;      // Content-Length or chunked alike: 413
    std::size_t maxPendingBodyBytes = 256 << 20;  // every body held at once: 503
    std::size_t maxRequestLine = 8 << 10;    // method, target and version: 414
    std::size_t maxHeaderCount = 100;        // header fields: 431
    std::size_t maxHeadBytes = 16 << 10;     // request line and every field: 431
    std::size_t maxConnections = 10000;      // beyond: new connections wait in the backlog
    int headTimeoutSeconds = 10;             // from a request's first byte to its blank line
    int bodyTimeoutSeconds = 20;             // the whole body
    int idleTimeoutSeconds = 5;              // waiting for a request's first byte
    int handshakeTimeoutSeconds = 10;        // the whole TLS handshake
    int sendTimeoutSeconds = 20;             // a reply's writing making no progress
    int shutdownTimeoutSeconds = 10;         // SIGTERM to exit, whatever clients do
};

// Not options: a keep-alive connection is closed after this many requests, and a connection
// that is closed after a refusal has its unread request discarded for this long, so that the
// client reads the refusal instead of a reset.
constexpr std::size_t kMaxRequestsPerConnection = 1000;
constexpr int kLingerSeconds = 2;
