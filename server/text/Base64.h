#pragma once

#include <optional>
#include <string>


// Standard base64 (RFC 4648 section 4) with padding.
std::string base64Encode(const std::string& bytes);
// The bytes of a base64 text; padding may be left out. Nothing when the text holds a character
// outside the alphabet, data after padding, or a length no encoder writes.
std::optional<std::string> base64Decode(const std::string& encoded);

