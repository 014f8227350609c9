#pragma once

#include <string>

#include "server/protocol/SearchKey.h"

// The pairs of a lookup's query string, "Name=Intel%28R%29%20Core&LibraryID=4&": split at '&'
// (empty segments, as after the trailing '&', are skipped), each at its first '=', and
// percent-decoded ('+' is a plus sign, not a blank). Values are converted to UTF-8 as
// submitted values are. Throws ProtocolError (400) for a pair without '=', a malformed
// escape or a NUL byte.
SearchKey parseLookupQuery(const std::string& query);

// Percent-decoding alone; throws ProtocolError (400) on a malformed escape.
std::string percentDecode(const std::string& text);
