#include "sysinfo/FileVersion.h"

#include <windows.h>

#include <vector>

bool getFileVersion(const std::string& fileName, uint32_t* major, uint32_t* minor,
                    uint32_t* build, uint32_t* revision)
{
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(fileName.c_str(), &ignored);
    if (size == 0) {
        return false;  // no such file, or no version resource
    }
    std::vector<char> buffer(size);
    if (!GetFileVersionInfoA(fileName.c_str(), 0, size, buffer.data())) {
        return false;
    }
    VS_FIXEDFILEINFO* info = nullptr;
    UINT infoLength = 0;
    if (!VerQueryValueA(buffer.data(), "\\", reinterpret_cast<void**>(&info), &infoLength) ||
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
