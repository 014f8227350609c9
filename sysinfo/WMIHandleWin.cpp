#include "sysinfo/WMIHandle.h"

#include <cstdint>
#include <sstream>
#include <string>

std::shared_ptr<WMIHandle> WMIHandle::instance_;

std::string wmiResultCodeHex(HRESULT hr)
{
    std::ostringstream text;
    text << std::hex << static_cast<unsigned long>(static_cast<uint32_t>(hr));
    return text.str();
}

void WMIHandle::ComInitialization::initialize()
{
    const HRESULT hr = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    if (FAILED(hr)) {
        throw "Failed to initialize COM library. Error code = 0x" + wmiResultCodeHex(hr) + "\n";
    }
    initialized_ = true;
}

WMIHandle::ComInitialization::~ComInitialization()
{
    if (initialized_) {
        CoUninitialize();
    }
}

WMIHandle::WMIHandle()
{
    com_.initialize();

    HRESULT hr = CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_DEFAULT,
                                      RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE, nullptr);
    // Security can be set once per process. When an earlier attempt got that far and failed
    // later, the setting is already in force: insisting on it again would make every retry fail.
    if (FAILED(hr) && hr != RPC_E_TOO_LATE) {
        throw "Failed to initialize security. Error code = 0x" + wmiResultCodeHex(hr) + "\n";
    }

    hr = CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER, IID_IWbemLocator,
                          locator.putVoid());
    if (FAILED(hr)) {
        throw std::string("Failed to create IWbemLocator object.") + " Err code = 0x" +
            wmiResultCodeHex(hr) + "\n";
    }

    WMIBStr cimv2(L"ROOT\\CIMV2");
    hr = locator->ConnectServer(cimv2.get(), nullptr, nullptr, nullptr, 0, nullptr, nullptr,
                                services.put());
    if (FAILED(hr)) {
        throw "Could not connect to WMI. Error code = 0x" + wmiResultCodeHex(hr) + "\n";
    }
}

WMIHandle::~WMIHandle() = default;

IWbemServices* WMIHandle::getServices()
{
    if (!instance_) {
        instance_.reset(new WMIHandle());
    }
    return instance_->services.get();
}

bool WMIHandle::exists()
{
    return static_cast<bool>(instance_);
}
