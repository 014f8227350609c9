#pragma once

#include <string>


// SHA-256 through OpenSSL: raw (32 bytes), as lower-case hexadecimal, and as base64 (the
// style sheet's hash in the page policy).
std::string sha256Bytes(const std::string& data);
std::string sha256Hex(const std::string& data);
std::string sha256Base64(const std::string& data);
// HMAC-SHA-256 of data under key, as lower-case hexadecimal.
std::string hmacSha256Hex(const std::string& key, const std::string& data);
// Of a file read in pieces; throws std::runtime_error when it cannot be read.
std::string sha256HexOfFile(const std::string& path);

