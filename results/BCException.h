#pragma once

#include <cstdint>
#include <string>

// A failed exchange with the results server. Thrown by value and caught by value or reference;
// model misuse is reported separately as a thrown std::string.
class BCException {
public:
    // responseCode: the server's HTTP status when it was unexpected, else 0.
    // transferErrorCode: libcurl's CURLcode when the transfer itself failed, else 0.
    BCException(const std::string& message, int32_t responseCode, int32_t transferErrorCode);
    BCException(const BCException& other) = default;
    BCException& operator=(const BCException& other) = default;

    const std::string& getMessage() const { return message_; }
    int32_t getResponseCode() const { return responseCode_; }
    int32_t getTransferErrorCode() const { return transferErrorCode_; }

private:
    std::string message_;
    int32_t responseCode_;
    int32_t transferErrorCode_;
};
