#include "sysinfo/WMIQueryRunnerWin.h"

#include <string>
#include <vector>

#include "base/ComPtr.h"
#include "sysinfo/AnsiText.h"
#include "sysinfo/WMIValues.h"
#include "sysinfo/WMIHandle.h"

namespace {

std::wstring widen(const std::string& ascii)
{
    return std::wstring(ascii.begin(), ascii.end());
}

class WbemObject : public WMIObject {
public:
    explicit WbemObject(IWbemClassObject* object) : object_(object) {}

    bool readText(const char* property, std::string& value) override
    {
        WMIVariant variant;
        if (object_->Get(widen(property).c_str(), 0, variant.get(), nullptr, nullptr) != 0) {
            return false;
        }
        const VARIANT& v = *variant;
        if (v.vt != VT_BSTR || v.bstrVal == nullptr) {
            return false;
        }
        value = ansiText(v.bstrVal, SysStringLen(v.bstrVal));
        return true;
    }

    // A property the class has but this object leaves empty comes back as VT_NULL: that is as
    // unreadable as a missing one, not a number.
    bool readNumber(const char* property, uint32_t& value) override
    {
        WMIVariant variant;
        if (object_->Get(widen(property).c_str(), 0, variant.get(), nullptr, nullptr) != 0) {
            return false;
        }
        const VARIANT& v = *variant;
        switch (v.vt) {
        case VT_I4:
        case VT_UI4:
        case VT_INT:
        case VT_UINT:
            value = static_cast<uint32_t>(v.lVal);
            return true;
        case VT_I2:
            value = static_cast<uint32_t>(static_cast<int32_t>(v.iVal));
            return true;
        case VT_UI2:
            value = v.uiVal;
            return true;
        case VT_I1:
            value = static_cast<uint32_t>(static_cast<int32_t>(v.cVal));
            return true;
        case VT_UI1:
            value = v.bVal;
            return true;
        default:
            return false;
        }
    }

private:
    IWbemClassObject* object_;
};

} // namespace

void WMIServiceQueryRunner::run(const std::string& queryText, const std::string& failureText,
                                const std::function<bool(WMIObject&)>& visit)
{
    IWbemServices* services = WMIHandle::getServices();

    WMIBStr language(L"WQL");
    WMIBStr query(widen(queryText));
    ComPtr<IEnumWbemClassObject> enumerator;
    const HRESULT hr = services->ExecQuery(language.get(), query.get(),
                                           WBEM_FLAG_FORWARD_ONLY | WBEM_FLAG_RETURN_IMMEDIATELY,
                                           nullptr, enumerator.put());
    if (FAILED(hr)) {
        throw failureText + " Error code = 0x" + wmiResultCodeHex(hr) + "\n";
    }

    for (;;) {
        ComPtr<IWbemClassObject> object;
        ULONG returned = 0;
        enumerator->Next(WBEM_INFINITE, 1, object.put(), &returned);
        if (returned == 0 || !object) {
            break;
        }
        WbemObject wrapped(object.get());
        if (!visit(wrapped)) {
            break;
        }
    }
}
