#include "sysinfo/DriverKeyMemoryRegistryWin.h"

#include <windows.h>
#include <setupapi.h>

#include <cstring>

namespace {

class DeviceInfoList {
public:
    DeviceInfoList() : set_(SetupDiCreateDeviceInfoList(nullptr, nullptr)) {}
    ~DeviceInfoList()
    {
        if (set_ != INVALID_HANDLE_VALUE) {
            SetupDiDestroyDeviceInfoList(set_);
        }
    }
    DeviceInfoList(const DeviceInfoList&) = delete;
    DeviceInfoList& operator=(const DeviceInfoList&) = delete;

    HDEVINFO get() const { return set_; }

private:
    HDEVINFO set_;
};

class OpenKey {
public:
    explicit OpenKey(HKEY key) : key_(key) {}
    ~OpenKey()
    {
        if (key_ != nullptr && key_ != INVALID_HANDLE_VALUE) {
            RegCloseKey(key_);
        }
    }
    OpenKey(const OpenKey&) = delete;
    OpenKey& operator=(const OpenKey&) = delete;

    bool isOpen() const { return key_ != nullptr && key_ != INVALID_HANDLE_VALUE; }
    HKEY get() const { return key_; }

private:
    HKEY key_;
};

std::wstring widen(const std::string& text)
{
    // Device instance identifiers are plain ASCII.
    return std::wstring(text.begin(), text.end());
}

} // namespace

std::optional<uint64_t> DriverKeyMemoryRegistry::memorySize(const std::string& pnpDeviceId)
{
    DeviceInfoList devices;
    if (devices.get() == INVALID_HANDLE_VALUE) {
        return std::nullopt;
    }
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof(device);
    if (!SetupDiOpenDeviceInfoW(devices.get(), widen(pnpDeviceId).c_str(), nullptr, 0, &device)) {
        return std::nullopt;
    }
    OpenKey driverKey(
        SetupDiOpenDevRegKey(devices.get(), &device, DICS_FLAG_GLOBAL, 0, DIREG_DRV, KEY_READ));
    if (!driverKey.isOpen()) {
        return std::nullopt;
    }
    // A REG_QWORD; some drivers write the same eight bytes as REG_BINARY.
    DWORD type = 0;
    unsigned char bytes[8] = {};
    DWORD size = sizeof(bytes);
    if (RegQueryValueExW(driverKey.get(), L"HardwareInformation.qwMemorySize", nullptr, &type, bytes,
                         &size) != ERROR_SUCCESS ||
        (type != REG_QWORD && type != REG_BINARY) || size != sizeof(bytes)) {
        return std::nullopt;
    }
    uint64_t value = 0;
    std::memcpy(&value, bytes, sizeof(value));
    return value;
}
