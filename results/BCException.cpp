#include "results/BCException.h"

BCException::BCException(const std::string& message, int32_t responseCode, int32_t transferErrorCode)
    : message_(message), responseCode_(responseCode), transferErrorCode_(transferErrorCode) {}
