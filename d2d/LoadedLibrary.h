#pragma once

#include <windows.h>

#include "core/SystemLibrary.h"

// Owner of one reference to a system library, loaded from the system folder only: freed when
// the owner goes.
class LoadedLibrary {
public:
    LoadedLibrary() = default;
    ~LoadedLibrary() { reset(); }
    LoadedLibrary(const LoadedLibrary&) = delete;
    LoadedLibrary& operator=(const LoadedLibrary&) = delete;

    // False when the module cannot be loaded (missing, or one of its imports is missing).
    bool load(const wchar_t* name) {
        reset();
        module_ = loadSystemLibrary(name);
        return module_ != nullptr;
    }

    bool isLoaded() const { return module_ != nullptr; }

    // The exported function as the caller's function pointer type; null when not exported.
    template <typename Function>
    Function entryPoint(const char* name) const {
        if (!module_) {
            return nullptr;
        }
        FARPROC address = GetProcAddress(module_, name);
        return reinterpret_cast<Function>(reinterpret_cast<void*>(address));
    }

    void reset() {
        if (module_) {
            FreeLibrary(module_);
            module_ = nullptr;
        }
    }

private:
    HMODULE module_ = nullptr;
};
