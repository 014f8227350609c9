#pragma once

// Owners for the COM resources the management-service queries use. Windows only.

#include <windows.h>
#include <oleauto.h>

#include <string>

// One reference to a COM interface, released when the owner goes.
template <typename T>
class WMIComPtr {
public:
    WMIComPtr() = default;
    ~WMIComPtr() { reset(); }
    WMIComPtr(const WMIComPtr&) = delete;
    WMIComPtr& operator=(const WMIComPtr&) = delete;

    T* get() const { return ptr_; }
    T* operator->() const { return ptr_; }
    explicit operator bool() const { return ptr_ != nullptr; }

    // For calls that hand out a new reference; any reference held before is released first.
    T** out()
    {
        reset();
        return &ptr_;
    }

    void reset()
    {
        if (ptr_) {
            T* p = ptr_;
            ptr_ = nullptr;
            p->Release();
        }
    }

private:
    T* ptr_ = nullptr;
};

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
