#pragma once

#include <string>

#include "server/protocol/RecordDocument.h"

// A digest of everything a result submission carries (its fields in order, references and
// collection members), so that the same submission sent again is recognised without comparing
// hundreds of rows. Lower-case hexadecimal SHA-256.
std::string resultDigest(const RecordDocument& result);
