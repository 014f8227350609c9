#pragma once

#include <string>

// Percent-encodes every byte except A-Z a-z 0-9 - _ . ~ as "%XX" (upper-case hex of the
// unsigned byte); a space becomes "%20". Used for search-query keys and values.
std::string urlEncode(const std::string& text);
