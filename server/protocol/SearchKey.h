#pragma once

#include <string>
#include <utility>
#include <vector>

#include "server/protocol/RecordDocument.h"

// The pairs that decide whether two description records are the same record: a lookup's query
// pairs, or what a submitted record would be looked up by. Two records are equal when their
// types are equal and their pairs are equal as multisets (order does not matter, a pair more or
// less does). References take part as "<name>ID" = the decimal ID, as the client queries them.
class SearchKey {
public:
    SearchKey() = default;
    explicit SearchKey(std::vector<std::pair<std::string, std::string>> pairs);

    // The pairs a submitted description record is found by: all its fields and references,
    // except a graphics card's Name unless its ProductID is "0x0" (the client leaves the name
    // out of the query when the card has a product ID, since names vary between drivers).
    static SearchKey ofRecord(const RecordDocument& record);

    const std::vector<std::pair<std::string, std::string>>& pairs() const { return pairs_; }
    // One text for the unique index: the sorted pairs, each length-prefixed so that no choice
    // of names and values can make two different keys meet. Long keys are stored as a hash.
    std::string canonical() const;

private:
    std::vector<std::pair<std::string, std::string>> pairs_;  // sorted
};
