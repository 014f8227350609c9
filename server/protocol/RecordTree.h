#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "server/protocol/RecordDocument.h"

// A result and the description records it names, all built in this process (a saved result
// file read back) rather than sent one by one: plain record documents whose references and
// members name other records of the tree by their place in it, not by stored IDs. Each record
// names only records placed before it, so storing them in order gives every reference its ID.
struct RecordTree {
    std::vector<RecordDocument> records;  // description records, in the order they are stored
    RecordDocument root;                  // the result

    // Places a description record after the others; its place, by which later records name it.
    int32_t add(RecordDocument record)
    {
        records.push_back(std::move(record));
        return static_cast<int32_t>(records.size() - 1);
    }
};
