#pragma once

#include <chrono>
#include <cstddef>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "server/protocol/HttpExchange.h"

// How many results one source may store: a token bucket per source address. A person running
// the benchmark stores one result in several minutes; the defaults let ten through at once and
// ten an hour after, which no honest user meets and which holds a forger with the public key to
// a trickle.
struct UploadLimitOptions {
    bool enabled = true;
    unsigned burst = 10;
    unsigned perHour = 10;
    // Peers whose X-Forwarded-For names the real sender: by default a proxy on this host.
    std::vector<std::string> trustedProxies = {"127.0.0.1", "::1"};
};

// "BURST/PER_HOUR" or "off"; throws std::runtime_error with a one-line message otherwise.
void parseUploadLimit(const std::string& text, UploadLimitOptions& options);
// "ADDR[,ADDR...]" of IP addresses; "none" trusts no proxy.
void parseTrustedProxies(const std::string& text, UploadLimitOptions& options);

class UploadLimit {
public:
    using Clock = std::chrono::steady_clock;

    explicit UploadLimit(UploadLimitOptions options) : options_(std::move(options)) {}

    // The address a request comes from: its peer, or behind a trusted proxy the last address of
    // X-Forwarded-For that is not a trusted proxy itself (what a client writes there before the
    // proxy's own entry is not believed).
    std::string sourceOf(const HttpRequestView& request) const;

    // Takes one result's token of the source: nothing when it may store one, otherwise the whole
    // seconds until it may (for Retry-After).
    std::optional<long> take(const std::string& source, Clock::time_point now = Clock::now());

    const UploadLimitOptions& options() const { return options_; }

private:
    struct Bucket {
        double tokens;
        Clock::time_point updated;
    };
    bool trusted(const std::string& address) const;
    void forgetFullBuckets(Clock::time_point now);

    UploadLimitOptions options_;
    std::mutex mutex_;
    std::unordered_map<std::string, Bucket> buckets_;
};

// The 429 reply of a source that must wait that many seconds.
HttpReply uploadLimitReply(long seconds);
