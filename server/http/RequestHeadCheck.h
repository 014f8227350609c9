#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "server/http/HttpLimits.h"

// The refusals a request earns by its head alone, before any of its body is read. Apart from
// the HTTP library: the connection hands over what it parsed.
struct HeadFacts {
    unsigned version = 11;             // 10 or 11
    bool foldedLine = false;           // a field continued on a line of its own (obs-fold)
    std::size_t hostFields = 1;
    std::size_t contentLengthFields = 0;
    std::size_t requestLineBytes = 0;  // method, target and version with the two spaces
    std::size_t fieldCount = 0;
    std::string contentEncoding;       // every Content-Encoding field, joined with commas
    std::string transferEncoding;      // likewise Transfer-Encoding
    bool hasContentLength = false;
    std::uint64_t contentLength = 0;
};

struct Refusal {
    int status = 0;  // 0: none
    std::string reason;

    explicit operator bool() const { return status != 0; }
};

Refusal checkHead(const HeadFacts& head, const HttpLimits& limits);

// A head that outgrew the head limit before its blank line: 414 when its request line is over
// the request-line limit, else 431. requestLineBytes is the request line's length when the
// parser got that far, else 0; then `received` (what arrived of the head) tells: a first line
// still unfinished past the limit is too long.
Refusal oversizedHead(std::size_t requestLineBytes, std::string_view received, const HttpLimits& limits);

// The reply to a body over the limit, whether announced or found while reading chunks.
Refusal bodyTooLarge();
// A body that the budget of bodies held at once has no room for (with Retry-After).
Refusal tooManyBodies();
// Anything the HTTP parser could not read.
Refusal malformedRequest();
