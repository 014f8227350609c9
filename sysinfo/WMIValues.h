#pragma once

// Owners for the COM values (VARIANT, BSTR) the management-service queries use. Windows only;
// the interfaces themselves are held by ComPtr.

#include <windows.h>
#include <oleauto.h>

#include <string>

// A VARIANT that is cleared when the owner goes.
class WMIVariant {
public:
    WMIVariant() { VariantInit(&value_); }
    ~WMIVariant() { VariantClear(&value_); }
    WMIVariant(const WMIVariant&) = delete;
    WMIVariant& operator=(const WMIVariant&) = delete;

    VARIANT* get() { return &value_; }
    const VARIANT& operator*() const { return value_; }

private:
    VARIANT value_;
};

// A BSTR that is freed when the owner goes.
class WMIBStr {
public:
    explicit WMIBStr(const std::wstring& text)
        : value_(SysAllocStringLen(text.data(), static_cast<UINT>(text.size())))
    {
    }
    ~WMIBStr() { SysFreeString(value_); }
    WMIBStr(const WMIBStr&) = delete;
    WMIBStr& operator=(const WMIBStr&) = delete;

    BSTR get() const { return value_; }

private:
    BSTR value_;
};
