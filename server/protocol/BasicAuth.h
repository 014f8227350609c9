#pragma once

#include <optional>
#include <string>

struct BasicCredentials {
    std::string name;
    std::string key;
};

// The name and key of an "Authorization: Basic ..." header; nothing for any other scheme or a
// value that is not base64 of "name:key".
std::optional<BasicCredentials> parseBasicAuthorization(const std::string& header);
