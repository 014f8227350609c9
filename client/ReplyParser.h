#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

// Interpretation of the results server's reply documents, apart from the connection so that
// it can be tested and fuzzed with arbitrary bytes.

// Receives the parser's debug lines: (threshold, tag, text).
using ReplyDebugSink = std::function<void(int threshold, int tag, const std::string& text)>;

// Deepest element nesting accepted in a reply. The XML parser recurses once per level, so a
// hostile reply of nested elements could otherwise exhaust the stack.
constexpr std::size_t kMaxReplyNesting = 256;

// Finds the record ID for type name typeName in the reply (size bytes, need not end with a
// NUL, may contain anything):
//  - the document's first node R is the record when R's name occurs within typeName;
//    otherwise its first child node is, and a root without children means "not found" (-1);
//  - a record of a type whose name does not occur within typeName is rejected;
//  - the ID is the text of the record's first child element "ID", read with atol's rules
//    (leading blanks, sign, digits up to the first other character).
// Throws BCException with the invalid-response message when the reply cannot be parsed, has no
// node, no "ID" element, an ID of 0, an ID outside the 32-bit range, or nests deeper than
// kMaxReplyNesting; BCException "ERROR: Out of memory." when no memory is left for the copy.
int32_t extractObjectIDFromReply(const char* data, std::size_t size, const std::string& typeName,
                                 const ReplyDebugSink& debug = ReplyDebugSink());

// An upper bound of the element nesting that the XML parser reaches on the NUL-terminated
// text, following its rules for comments, CDATA, processing instructions, DOCTYPE and quoted
// attribute values. Stops counting once limit is exceeded and returns limit + 1.
std::size_t xmlNestingBound(const char* text, std::size_t limit);
