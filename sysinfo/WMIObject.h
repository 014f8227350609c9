#pragma once

#include <cstdint>
#include <functional>
#include <string>

// One result object of a management-service query, as the queries read it.
class WMIObject {
public:
    virtual ~WMIObject();
    // False when the property cannot be read or holds no text; value is then unchanged.
    virtual bool readText(const char* property, std::string& value) = 0;
    // The property's 32-bit integer value. False when it cannot be read or holds no number;
    // value is then unchanged.
    virtual bool readNumber(const char* property, uint32_t& value) = 0;
};

// Runs one query of the management service and hands its result objects over one at a time.
class WMIQueryRunner {
public:
    virtual ~WMIQueryRunner();
    // visit returns false to stop taking further objects. A query the service refuses throws
    // failureText + " Error code = 0x" + the result code in lower-case hexadecimal + "\n";
    // whatever visit throws passes through.
    virtual void run(const std::string& queryText, const std::string& failureText,
                     const std::function<bool(WMIObject&)>& visit) = 0;
};
