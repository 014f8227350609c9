#pragma once

#include <windows.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>

namespace apptest {

// Waits up to `seconds` for condition() to hold, checking every 50 ms.
inline bool waitFor(const std::function<bool()>& condition, double seconds = 20.0)
{
    const auto end = std::chrono::steady_clock::now() +
                     std::chrono::milliseconds(static_cast<int>(seconds * 1000));
    while (std::chrono::steady_clock::now() < end) {
        if (condition())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return condition();
}

// The top-level window with that caption, once it is visible; nullptr after the wait.
inline HWND findWindow(const std::string& caption, double seconds = 20.0)
{
    HWND window = nullptr;
    waitFor([&] {
        window = FindWindowA(nullptr, caption.c_str());
        return window != nullptr && IsWindowVisible(window);
    }, seconds);
    return window;
}

inline std::string itemText(HWND dialog, int id)
{
    char text[4096] = {};
    GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}

// The directory of the running test program, with a trailing backslash.
inline std::string programDirectory()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string directory = path;
    return directory.substr(0, directory.find_last_of('\\') + 1);
}

// A registry key below HKEY_CURRENT_USER that the test owns: whatever was there before is
// saved and put back afterwards.
class ScopedUserKey {
public:
    explicit ScopedUserKey(const std::string& path) : path_(path)
    {
        HKEY existing;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, path_.c_str(), 0, KEY_READ, &existing) ==
            ERROR_SUCCESS) {
            RegCloseKey(existing);
            backup_ = path_ + ".korvid-test-backup";
            RegDeleteTreeA(HKEY_CURRENT_USER, backup_.c_str());
            HKEY target;
            RegCreateKeyExA(HKEY_CURRENT_USER, backup_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                            nullptr, &target, nullptr);
            RegCopyTreeA(HKEY_CURRENT_USER, path_.c_str(), target);
            RegCloseKey(target);
        }
        RegDeleteTreeA(HKEY_CURRENT_USER, path_.c_str());
    }
    ~ScopedUserKey()
    {
        RegDeleteTreeA(HKEY_CURRENT_USER, path_.c_str());
        if (!backup_.empty()) {
            HKEY target;
            RegCreateKeyExA(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                            nullptr, &target, nullptr);
            RegCopyTreeA(HKEY_CURRENT_USER, backup_.c_str(), target);
            RegCloseKey(target);
            RegDeleteTreeA(HKEY_CURRENT_USER, backup_.c_str());
        }
    }
    ScopedUserKey(const ScopedUserKey&) = delete;
    ScopedUserKey& operator=(const ScopedUserKey&) = delete;

    // Creates the key (if needed) and sets a string value.
    bool setText(const std::string& name, const std::string& value)
    {
        HKEY key;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                            nullptr, &key, nullptr) != ERROR_SUCCESS)
            return false;
        const LONG result =
            RegSetValueExA(key, name.c_str(), 0, REG_SZ,
                           reinterpret_cast<const BYTE*>(value.c_str()),
                           static_cast<DWORD>(value.size() + 1));
        RegCloseKey(key);
        return result == ERROR_SUCCESS;
    }

    bool create()
    {
        HKEY key;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                            nullptr, &key, nullptr) != ERROR_SUCCESS)
            return false;
        RegCloseKey(key);
        return true;
    }

private:
    std::string path_;
    std::string backup_;
};

inline std::string openWithListKey(const std::string& extension)
{
    return "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\." + extension +
           "\\OpenWithList";
}

} // namespace apptest
