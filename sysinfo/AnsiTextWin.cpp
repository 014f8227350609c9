#include "sysinfo/AnsiText.h"

#include <windows.h>

std::string ansiText(const wchar_t* text, std::size_t length)
{
    if (length == 0) {
        return std::string();
    }
    const int wideLength = static_cast<int>(length);
    const int size = WideCharToMultiByte(CP_ACP, 0, text, wideLength, nullptr, 0, nullptr, nullptr);
    if (size <= 0) {
        return std::string();
    }
    std::string result(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, 0, text, wideLength, &result[0], size, nullptr, nullptr);
    return result;
}
