#pragma once

#include <string>

#include "server/protocol/DocumentLimits.h"
#include "server/protocol/RecordDocument.h"
#include "server/protocol/SearchKey.h"

// Reads the record document of a submission for the type named in the address. Throws
// ProtocolError (400) with a short reason for anything that is not a well-formed document of
// that type: a tag the shape check cannot read (DocumentShape), other root element, stray
// text, a reference or collection the type does not have, a malformed ID, what RecordRules
// refuses, and a description record whose lookup would not fit a request line.
// Values are stored as fieldValue makes them. sentLookup, when given, receives the pairs of
// the lookup that the sender of this document makes for it (its values as sent, in UTF-8).
RecordDocument parseRecordDocument(const std::string& body, const std::string& type,
                                   const DocumentLimits& limits = DocumentLimits(),
                                   SearchKey* sentLookup = nullptr);
