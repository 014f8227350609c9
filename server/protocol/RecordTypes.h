#pragma once

#include <string>

// The record types the server accepts and what may refer to what. The result root is stored as
// a new result every time; every other type is a shared description record.
namespace RecordTypes {

extern const char* const kResult;  // "KorvidResult"

bool isKnown(const std::string& type);
bool isResult(const std::string& type);
// The type that a reference of that name in a record of type owner must name; empty when the
// owner has no such reference.
std::string referenceTarget(const std::string& owner, const std::string& reference);
// The element type of a collection of that name in a record of type owner; empty when none.
std::string collectionElement(const std::string& owner, const std::string& collection);

} // namespace RecordTypes
