#pragma once

#include <cstdint>
#include <string>

// A result, card or cohort ID as it may appear in a path: 1 to 2^31-1, digits only.
bool parsePathId(const std::string& text, int32_t& id);

// The canonical form of an ID written otherwise ("01" → "1"); empty when the text is
// canonical already or no ID at all.
std::string canonicalPathId(const std::string& text);
