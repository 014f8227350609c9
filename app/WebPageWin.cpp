#include "app/WebPage.h"

#include <windows.h>
#include <shellapi.h>

#include <cstdint>

namespace {

class RegistryKey {
public:
    RegistryKey() = default;
    ~RegistryKey()
    {
        if (key_)
            RegCloseKey(key_);
    }
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;

    bool openForReading(HKEY parent, const std::string& path)
    {
        return RegOpenKeyExA(parent, path.c_str(), 0, KEY_READ, &key_) == ERROR_SUCCESS;
    }

    // The value's text up to its first NUL, or false when it cannot be read. Registry strings
    // need not be terminated, so the buffer keeps one byte of its own for the NUL.
    bool readText(const char* name, std::string& text) const
    {
        char buffer[2048 + 1] = {};
        DWORD size = 2048;
        if (RegQueryValueExA(key_, name, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer),
                             &size) != ERROR_SUCCESS)
            return false;
        text = buffer;
        return true;
    }

private:
    HKEY key_ = nullptr;
};

} // namespace

std::string mostRecentProgramFor(const std::string& extension)
{
    RegistryKey key;
    if (!key.openForReading(HKEY_CURRENT_USER,
                            "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\." +
                                extension + "\\OpenWithList"))
        return std::string();
    std::string order;
    if (!key.readText("MRUList", order) || order.empty())
        return std::string();
    // The entries are values named by single letters; the list's first letter is the latest.
    const std::string entry = order.substr(0, 1);
    std::string program;
    if (!key.readText(entry.c_str(), program))
        return std::string();
    return program;
}

bool openWebPage(const std::string& url)
{
    const std::string program = mostRecentProgramFor("htm");
    HINSTANCE result;
    if (!program.empty())
        result = ShellExecuteA(nullptr, "open", program.c_str(), url.c_str(), nullptr,
                               SW_SHOWNORMAL);
    else
        result = ShellExecuteA(nullptr, "open", url.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    return reinterpret_cast<intptr_t>(result) > 32;
}
