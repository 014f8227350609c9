#pragma once

#include <cstddef>
#include <string>


// The length (1 to 4) of the well-formed UTF-8 sequence that starts at bytes[at], or 0 when
// none does: a continuation or invalid lead byte, a cut-off sequence, an overlong form, a
// surrogate or a code point past U+10FFFF.
std::size_t utf8SequenceLength(const std::string& bytes, std::size_t at);
bool isValidUtf8(const std::string& bytes);

