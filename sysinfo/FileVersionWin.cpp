#include "sysinfo/FileVersion.h"

#include <windows.h>

#include <string>
#include <vector>

namespace {

std::wstring wideFromAnsi(const std::string& text)
{
    if (text.empty())
        return std::wstring();
    const int length = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()),
                                           nullptr, 0);
    std::wstring wide(static_cast<size_t>(length > 0 ? length : 0), L'\0');
    if (length > 0)
        MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &wide[0],
                            length);
    return wide;
}

// A bare library name means the system's copy: read from the program's folder, a file of that
// name left there (a Downloads folder) would report its own version as the system's.
std::wstring versionFilePath(const std::string& fileName)
{
    const std::wstring name = wideFromAnsi(fileName);
    if (name.empty() || name.find_first_of(L"\\/:") != std::wstring::npos)
        return name;
    wchar_t directory[MAX_PATH];
    const UINT length = GetSystemDirectoryW(directory, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return name;
    return std::wstring(directory, length) + L"\\" + name;
}

} // namespace

bool getFileVersion(const std::string& fileName, uint32_t* major, uint32_t* minor,
                    uint32_t* build, uint32_t* revision)
{
    const std::wstring path = versionFilePath(fileName);
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    if (size == 0) {
        return false;  // no such file, or no version resource
    }
    std::vector<char> buffer(size);
    if (!GetFileVersionInfoW(path.c_str(), 0, size, buffer.data())) {
        return false;
    }
    VS_FIXEDFILEINFO* info = nullptr;
    UINT infoLength = 0;
    if (!VerQueryValueW(buffer.data(), L"\\", reinterpret_cast<void**>(&info), &infoLength) ||
        info == nullptr || infoLength < sizeof(VS_FIXEDFILEINFO)) {
        return false;
    }
    if (major) {
        *major = HIWORD(info->dwFileVersionMS);
    }
    if (minor) {
        *minor = LOWORD(info->dwFileVersionMS);
    }
    if (build) {
        *build = HIWORD(info->dwFileVersionLS);
    }
    if (revision) {
        *revision = LOWORD(info->dwFileVersionLS);
    }
    return true;
}
