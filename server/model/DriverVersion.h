#pragma once

#include <string>
#include <vector>

namespace model {

// A text that sorts driver sets by version rather than by the order they were uploaded in:
// each library's version split into its numbers, each number zero-padded to ten digits, the
// libraries in the order given, joined by '|'. "30.0.9.1" sorts before "30.0.14023.3004";
// anything that is not a digit separates numbers, and letters are kept after them so that
// "1.2b" follows "1.2a".
std::string versionOrderKey(const std::vector<std::string>& versions);

} // namespace model
