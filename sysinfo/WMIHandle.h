#pragma once

// The process's one connection to the management service (namespace ROOT\CIMV2). Windows only.

#include <windows.h>
#include <wbemidl.h>

#include <memory>
#include <string>

#include "base/ComPtr.h"
#include "sysinfo/WMIValues.h"

class WMIHandle {
public:
    virtual ~WMIHandle();
    WMIHandle(const WMIHandle&) = delete;
    WMIHandle& operator=(const WMIHandle&) = delete;

    // The connection, created on first use and kept until the process ends. A creation that
    // failed is not kept, so the next call tries again. Throws the failing step's text:
    // "Failed to initialize COM library. Error code = 0x...\n",
    // "Failed to initialize security. Error code = 0x...\n",
    // "Failed to create IWbemLocator object. Err code = 0x...\n",
    // "Could not connect to WMI. Error code = 0x...\n".
    static IWbemServices* getServices();

    // Whether the connection exists (for callers that must know if COM is set up already).
    static bool exists();

private:
    WMIHandle();

    // COM stays initialised on this thread for as long as the handle lives.
    class ComInitialization {
    public:
        ComInitialization() = default;
        ~ComInitialization();
        ComInitialization(const ComInitialization&) = delete;
        ComInitialization& operator=(const ComInitialization&) = delete;
        void initialize();

    private:
        bool initialized_ = false;
    };

    // Declared so that destruction releases services, then the locator, then uninitialises COM.
    ComInitialization com_;
    ComPtr<IWbemLocator> locator;
    ComPtr<IWbemServices> services;

    static std::shared_ptr<WMIHandle> instance_;
};

// "0x" is the caller's: the result code in lower-case hexadecimal without leading zeros.
std::string wmiResultCodeHex(HRESULT hr);
