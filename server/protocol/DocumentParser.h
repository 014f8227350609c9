#pragma once

#include <cstddef>
#include <string>

#include "server/protocol/RecordDocument.h"

struct DocumentLimits {
    std::size_t maxDepth = 8;        // a record document is three levels deep
    std::size_t maxElements = 4096;  // a full result has a few hundred
};

// Reads the record document of a submission for the type named in the address. Throws
// ProtocolError (400) with a short reason for anything that is not a well-formed document of
// that type: other root element, stray text, a reference or collection the type does not have,
// a malformed ID, declarations (no DOCTYPE, so no entity tricks), too deep or too many elements.
RecordDocument parseRecordDocument(const std::string& body, const std::string& type,
                                   const DocumentLimits& limits = DocumentLimits());
