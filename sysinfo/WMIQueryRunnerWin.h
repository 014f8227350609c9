#pragma once

// The management-service queries on the real service of this machine. Windows only.

#include "sysinfo/WMIObject.h"

// Runs WQL queries through the process's WMIHandle (connecting on first use).
class WMIServiceQueryRunner : public WMIQueryRunner {
public:
    void run(const std::string& queryText, const std::string& failureText,
             const std::function<bool(WMIObject&)>& visit) override;
};
