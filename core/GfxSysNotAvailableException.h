#pragma once

#include <string>

// Thrown by a back end's construction when its graphics system cannot be used at all on this
// machine; only the place that creates the graphics test catches it and falls back.
class GfxSysNotAvailableException {
public:
    explicit GfxSysNotAvailableException(const std::string& message) : message_(message) {}

    const std::string& getMessage() const { return message_; }

private:
    std::string message_;
};
