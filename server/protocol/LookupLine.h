#pragma once

#include <cstddef>
#include <string>

#include "server/protocol/SearchKey.h"

// Bytes that korvid's client makes of a text in a lookup (results/UrlEncode): every byte but
// A-Z a-z 0-9 - _ . ~ becomes "%XX".
std::size_t percentEncodedBytes(const std::string& text);

// The request line of the lookup that korvid's client sends for a record with these pairs
// (results/BCObject::generateSearchQuery): "GET " + base path + type + "?" + every pair as
// name=value& + " HTTP/1.1", with a base path of basePathBytes.
std::size_t lookupRequestLineBytes(const std::string& type, const SearchKey& key, std::size_t basePathBytes);
