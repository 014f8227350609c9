#pragma once

#include <optional>
#include <string>


// How a '+' of an address reads: itself (paths, the program's lookups) or a blank (forms).
enum class PlusSign { Literal, Blank };

// %XX escapes decoded; an escape that is not one (a lone '%', "%zz") is kept as written, as a
// browser's address bar may send it.
std::string percentDecode(const std::string& encoded, PlusSign plus);
// The same, but nothing when an escape is malformed (the program's protocol is held to it).
std::optional<std::string> percentDecodeStrict(const std::string& encoded, PlusSign plus);
// A value as a query string carries it: everything but letters, digits and -._~ escaped.
std::string percentEncode(const std::string& bytes);

