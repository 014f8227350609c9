#pragma once

#include <string>

#include "server/protocol/DocumentLimits.h"
#include "server/protocol/SearchKey.h"

// The pairs of a lookup's query string, "Name=Intel%28R%29%20Core&LibraryID=4&": split at '&'
// (empty segments, as after the trailing '&', are skipped), each at its first '=', and
// percent-decoded ('+' is a plus sign, not a blank). Names are converted to UTF-8, values made
// what fieldValue makes of submitted ones, so that a lookup finds what the same bytes stored.
// Throws ProtocolError (400) for a pair without '=', a malformed escape, a NUL byte, a name
// over maxNameBytes or a value over maxValueBytes.
SearchKey parseLookupQuery(const std::string& query, const DocumentLimits& limits = DocumentLimits());
