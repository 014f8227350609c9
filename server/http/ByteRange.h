#pragma once

#include <cstdint>
#include <string>

// The part of a file that a request's Range header asks for. One range of bytes is answered
// (206); several ranges, another unit, a malformed header or an If-Range (whose validator the
// server does not keep) get the whole file (200), so that no request can make the reply larger
// than the file. A single range that starts past the end is unsatisfiable (416).
struct ByteRange {
    enum class Kind { Whole, Partial, Unsatisfiable };
    Kind kind = Kind::Whole;
    std::uint64_t first = 0;
    std::uint64_t length = 0;  // the bytes to send: the file's size when Whole

    // "bytes 0-99/2000" for Partial, "bytes */2000" for Unsatisfiable.
    std::string contentRange(std::uint64_t fileSize) const;
};

ByteRange chooseByteRange(const std::string& rangeHeader, bool hasIfRange, std::uint64_t fileSize);
