#pragma once

#include <string>
#include <vector>

// One value of a query string, its names and values percent-decoded with '+' a blank.
// The value of name in "a=1&b=2", decoded; empty when absent.
std::string queryValue(const std::string& query, const std::string& name);
// Every value of name, in order ("id=1&id=2").
std::vector<std::string> queryValues(const std::string& query, const std::string& name);
