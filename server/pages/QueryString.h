#pragma once

#include <string>
#include <vector>

// Reading and writing the parts of an address: %-escapes, and one value of a query string.
std::string percentDecode(const std::string& text, bool plusIsBlank);
// The value of name in "a=1&b=2", decoded; empty when absent.
std::string queryValue(const std::string& query, const std::string& name);
// Every value of name, in order ("id=1&id=2").
std::vector<std::string> queryValues(const std::string& query, const std::string& name);
// A value as a query string carries it: everything but letters, digits and -._~ escaped.
std::string percentEncode(const std::string& text);
