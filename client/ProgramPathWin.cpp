#include "client/ProgramPath.h"

#include <windows.h>

std::string programFilePath()
{
    // At most 259 characters, MAX_PATH less its terminator: a longer path is cut rather than
    // read through a larger buffer, so the bundle beside a deeply nested program is not found.
    char buffer[260] = {};
    const DWORD length = GetModuleFileNameA(nullptr, buffer, 259);
    if (length == 0)
        return std::string();
    return std::string(buffer, length < 259 ? length : 259);
}

char programPathSeparator() { return '\\'; }
