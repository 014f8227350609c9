#include "server/http/RequestHeadCheck.h"

#include <algorithm>

namespace {

std::string lowerTrimmed(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    std::string out(text);
    for (char& c : out)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    return out;
}

// True when every coding of a comma-separated list is `allowed` (empty items are allowed).
bool onlyCoding(const std::string& list, const char* allowed)
{
    std::size_t start = 0;
    while (start <= list.size()) {
        const std::size_t comma = std::min(list.find(',', start), list.size());
        const std::string coding = lowerTrimmed(std::string_view(list).substr(start, comma - start));
        if (!coding.empty() && coding != allowed)
            return false;
        start = comma + 1;
    }
    return true;
}

Refusal refusal(int status, const char* reason)
{
    return Refusal{status, reason};
}

} // namespace

Refusal checkHead(const HeadFacts& head, const HttpLimits& limits)
{
    if (head.requestLineBytes > limits.maxRequestLine)
        return refusal(414, "the request line is too long");
    if (head.fieldCount > limits.maxHeaderCount)
        return refusal(431, "the request has too many header fields");
    // Each of these is read one way here and another by some proxy in front: refused, so that
    // no request can mean two things on its way in.
    if (head.foldedLine)
        return refusal(400, "folded header lines are not accepted");
    if (head.version >= 11 && head.hostFields != 1)
        return refusal(400, head.hostFields == 0 ? "an HTTP/1.1 request needs a Host field"
                                                 : "a request may name one Host");
    if (head.contentLengthFields > 1)
        return refusal(400, "a request may give one Content-Length");
    // Transfer codings other than chunked would need decoding: refused, never inflated.
    if (!head.transferEncoding.empty() && lowerTrimmed(head.transferEncoding) != "chunked")
        return refusal(501, "no transfer coding but chunked is accepted");
    if (!onlyCoding(head.contentEncoding, "identity"))
        return refusal(415, "compressed or encoded request bodies are not accepted");
    if (head.hasContentLength && head.contentLength > limits.maxBodyBytes)
        return bodyTooLarge();
    return Refusal();
}

Refusal oversizedHead(std::size_t requestLineBytes, std::string_view received, const HttpLimits& limits)
{
    if (requestLineBytes == 0) {
        const std::size_t lineEnd = received.find('\n');
        requestLineBytes = lineEnd == std::string_view::npos ? received.size() : lineEnd;
        // The line end's CR is not part of the line.
        if (lineEnd != std::string_view::npos && lineEnd > 0 && received[lineEnd - 1] == '\r')
            --requestLineBytes;
    }
    if (requestLineBytes > limits.maxRequestLine)
        return refusal(414, "the request line is too long");
    return refusal(431, "the request head is too large");
}

Refusal bodyTooLarge()
{
    return refusal(413, "the request body is too large");
}

Refusal tooManyBodies()
{
    return refusal(503, "the server holds as many request bodies as it may; try again");
}

Refusal malformedRequest()
{
    return refusal(400, "malformed request");
}
