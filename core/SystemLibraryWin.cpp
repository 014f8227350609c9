#include "core/SystemLibrary.h"

#include <delayimp.h>

#include <cstring>
#include <string>

namespace {

using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);

// Windows 7 without its 2011 loader update (KB2533623) knows neither SetDefaultDllDirectories
// nor the LOAD_LIBRARY_SEARCH_ flags; there the library is named by its full path.
HMODULE loadFromSystemDirectoryPath(const wchar_t* name) {
    wchar_t directory[MAX_PATH];
    const UINT length = GetSystemDirectoryW(directory, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return nullptr;
    }
    std::wstring path(directory, length);
    path += L'\\';
    path += name;
    return LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

// The libraries the program links for delayed loading (the multimedia timer, the version API,
// GDI+, the random source of the TLS library) come through here at their first call.
FARPROC WINAPI loadDelayedLibrary(unsigned notification, PDelayLoadInfo info) {
    if (notification != dliNotePreLoadLibrary || info == nullptr || info->szDll == nullptr) {
        return nullptr;
    }
    const std::string name(info->szDll);
    const std::wstring wideName(name.begin(), name.end());  // library names are ASCII
    return reinterpret_cast<FARPROC>(loadSystemLibrary(wideName.c_str()));
}

}  // namespace

// Read by the delayed-loading helper of the C runtime before it loads a library itself.
PfnDliHook __pfnDliNotifyHook2 = loadDelayedLibrary;  // declared extern "C" by delayimp.h

void restrictLibrarySearchToSystemFolder() {
    const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    const auto setDefaultDirectories =
        kernel ? reinterpret_cast<SetDefaultDllDirectoriesFunction>(reinterpret_cast<void*>(
                     GetProcAddress(kernel, "SetDefaultDllDirectories")))
               : nullptr;
    if (setDefaultDirectories && setDefaultDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32)) {
        return;
    }
    // Without it, at least the current directory leaves the search order.
    SetDllDirectoryW(L"");
}

HMODULE loadSystemLibrary(const wchar_t* name) {
    HMODULE module = LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (module == nullptr && GetLastError() == ERROR_INVALID_PARAMETER) {
        module = loadFromSystemDirectoryPath(name);
    }
    return module;
}
