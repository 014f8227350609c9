#pragma once

#include <cstdint>
#include <string>

// The reply documents the client reads: the record element with its ID, or a wrapper without
// children that it takes as "not found".
std::string idReply(const std::string& type, int32_t id);
std::string notFoundReply();
