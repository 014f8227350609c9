#include "client/ProgramPath.h"

#include <windows.h>

std::string programFilePath()
{
    // 259 characters: the classic MAX_PATH less its terminator, as the program always used.
    char buffer[260] = {};
    const DWORD length = GetModuleFileNameA(nullptr, buffer, 259);
    if (length == 0)
        return std::string();
    return std::string(buffer, length < 259 ? length : 259);
}

char programPathSeparator() { return '\\'; }
