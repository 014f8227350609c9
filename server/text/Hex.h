#pragma once

#include <optional>
#include <string>


// Bytes as lower-case hexadecimal, two digits each.
std::string hexLower(const std::string& bytes);
std::string hexLower(const unsigned char* bytes, std::size_t size);
// The bytes of a hexadecimal text of either case; nothing for an odd length or another character.
std::optional<std::string> hexDecode(const std::string& hex);
// The value of one hexadecimal digit of either case; -1 for anything else.
int hexDigitValue(char c);

