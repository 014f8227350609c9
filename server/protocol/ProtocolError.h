#pragma once

#include <stdexcept>
#include <string>

// A request the server refuses: the HTTP status and a short plain-text reason for the client.
class ProtocolError : public std::runtime_error {
public:
    ProtocolError(int status, const std::string& reason) : std::runtime_error(reason), status_(status) {}
    int status() const { return status_; }

private:
    int status_;
};
