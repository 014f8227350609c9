#pragma once

#include <string>

// SHA-256 through OpenSSL: of a text (the style sheet's hash in the page policy) and of a
// file read in pieces (the packages on the download page).
std::string sha256Hex(const std::string& data);
std::string sha256Base64(const std::string& data);
// Throws std::runtime_error when the file cannot be read.
std::string sha256HexOfFile(const std::string& path);
