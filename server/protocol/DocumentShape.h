#pragma once

#include <string>

#include "server/protocol/DocumentLimits.h"

// Reads every tag of a record document before the XML parser sees it, and refuses (400) what
// it cannot read. The parser recurses once per level and takes nearly any byte for a name
// ("<a\"b>"), so the two must agree on where each tag starts and ends: only the tags that the
// protocol uses pass, each read whole:
//   <Name>, <Name/>, <Name attr="value" ...> or <Name attr='value' .../>, </Name>
// where a name is a letter or '_' then letters, digits or '_' (at most maxNameBytes), blanks
// are space, tab, CR and LF, an attribute value holds no '<' or '&', and an end tag closes the
// element open at that point. Besides: one XML declaration at the very start; no other
// "<?", no "<!" (DOCTYPE, comment, CDATA); one root element; depth and element count within
// the limits. Text between tags is left to the parser.
void checkDocumentShape(const std::string& body, const DocumentLimits& limits);
