#include "server/http/UploadLimit.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <stdexcept>

#include <boost/asio/ip/address.hpp>

namespace {

// Sources past this many are a sign of a spread attack or a long uptime; buckets that have
// filled up again are then forgotten, which changes nothing (a new bucket starts full).
constexpr std::size_t kBucketsKept = 100000;

std::string trimmed(const std::string& text)
{
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return "";
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// The address in its one canonical text ("::ffff:127.0.0.1" and "127.0.0.1" are one sender),
// or empty when the text is no IP address.
std::string canonicalAddress(const std::string& text)
{
    boost::system::error_code error;
    boost::asio::ip::address address = boost::asio::ip::make_address(trimmed(text), error);
    if (error)
        return "";
    if (address.is_v6() && address.to_v6().is_v4_mapped())
        address = boost::asio::ip::make_address_v4(boost::asio::ip::v4_mapped, address.to_v6());
    return address.to_string();
}

// One sender's key: its IPv4 address, or the /64 network of its IPv6 address, since every
// host of such a network may choose any address in it.
std::string senderKey(const std::string& address)
{
    boost::system::error_code error;
    const boost::asio::ip::address parsed = boost::asio::ip::make_address(address, error);
    if (error || !parsed.is_v6())
        return address;
    boost::asio::ip::address_v6::bytes_type bytes = parsed.to_v6().to_bytes();
    std::fill(bytes.begin() + 8, bytes.end(), 0);
    return boost::asio::ip::address_v6(bytes).to_string() + "/64";
}

unsigned parseCount(const std::string& text, const char* what)
{
    if (text.empty() || text.size() > 6 || text.find_first_not_of("0123456789") != std::string::npos ||
        std::stoul(text) == 0)
        throw std::runtime_error(std::string("--upload-limit needs ") + what + " from 1 to 999999, not \"" + text +
                                 "\"");
    return static_cast<unsigned>(std::stoul(text));
}

} // namespace

void parseUploadLimit(const std::string& text, UploadLimitOptions& options)
{
    if (text == "off") {
        options.enabled = false;
        return;
    }
    const std::size_t slash = text.find('/');
    if (slash == std::string::npos)
        throw std::runtime_error("--upload-limit needs BURST/PER_HOUR or off, not \"" + text + "\"");
    options.burst = parseCount(text.substr(0, slash), "a burst");
    options.perHour = parseCount(text.substr(slash + 1), "results an hour");
    options.enabled = true;
}

void parseTrustedProxies(const std::string& text, UploadLimitOptions& options)
{
    options.trustedProxies.clear();
    if (text == "none")
        return;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t comma = std::min(text.find(',', start), text.size());
        const std::string address = canonicalAddress(text.substr(start, comma - start));
        if (address.empty())
            throw std::runtime_error("--trusted-proxy needs IP addresses, not \"" + text + "\"");
        options.trustedProxies.push_back(address);
        start = comma + 1;
    }
}

bool UploadLimit::trusted(const std::string& address) const
{
    return std::find(options_.trustedProxies.begin(), options_.trustedProxies.end(), address) !=
           options_.trustedProxies.end();
}

std::string UploadLimit::sourceOf(const HttpRequestView& request) const
{
    std::string source = canonicalAddress(request.remoteAddress);
    if (source.empty())
        return request.remoteAddress;
    if (!trusted(source))
        return source;
    // Right to left: each trusted proxy vouches for the entry before it, nobody for the rest.
    std::vector<std::string> forwarded;
    for (const auto& field : request.headers) {
        if (field.first.size() != 15 || !std::equal(field.first.begin(), field.first.end(), "x-forwarded-for",
                                                    [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) == b; }))
            continue;
        std::size_t start = 0;
        while (start <= field.second.size()) {
            const std::size_t comma = std::min(field.second.find(',', start), field.second.size());
            forwarded.push_back(field.second.substr(start, comma - start));
            start = comma + 1;
        }
    }
    for (auto entry = forwarded.rbegin(); entry != forwarded.rend(); ++entry) {
        const std::string address = canonicalAddress(*entry);
        if (address.empty())
            break;  // a garbled entry: believe nothing before it
        source = address;
        if (!trusted(address))
            break;
    }
    return source;
}

void UploadLimit::forgetFullBuckets(Clock::time_point now)
{
    const double perSecond = options_.perHour / 3600.0;
    for (auto bucket = buckets_.begin(); bucket != buckets_.end();) {
        const double seconds = std::chrono::duration<double>(now - bucket->second.updated).count();
        if (bucket->second.tokens + seconds * perSecond >= options_.burst)
            bucket = buckets_.erase(bucket);
        else
            ++bucket;
    }
}

std::optional<long> UploadLimit::take(const std::string& source, Clock::time_point now)
{
    if (!options_.enabled)
        return std::nullopt;
    const double perSecond = options_.perHour / 3600.0;
    std::lock_guard<std::mutex> lock(mutex_);
    const std::string key = senderKey(source);
    if (buckets_.size() >= kBucketsKept && !buckets_.count(key)) {
        forgetFullBuckets(now);
        if (buckets_.size() >= kBucketsKept)
            buckets_.erase(buckets_.begin());  // memory stays bounded whatever the spread
    }
    auto found = buckets_.find(key);
    if (found == buckets_.end())
        found = buckets_.emplace(key, Bucket{static_cast<double>(options_.burst), now}).first;
    Bucket& bucket = found->second;
    const double seconds = std::max(0.0, std::chrono::duration<double>(now - bucket.updated).count());
    bucket.tokens = std::min<double>(options_.burst, bucket.tokens + seconds * perSecond);
    bucket.updated = now;
    if (bucket.tokens >= 1.0) {
        bucket.tokens -= 1.0;
        return std::nullopt;
    }
    return static_cast<long>(std::ceil((1.0 - bucket.tokens) / perSecond));
}

HttpReply uploadLimitReply(long seconds)
{
    HttpReply reply = HttpReply::text(429, "too many results from this address; try again later");
    reply.headers.emplace_back("Retry-After", std::to_string(seconds));
    return reply;
}
