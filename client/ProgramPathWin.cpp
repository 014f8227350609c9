#include "client/ProgramPath.h"

#include "client/WideText.h"

std::string programFilePath()
{
    // At most 259 characters, MAX_PATH less its terminator: a longer path is cut rather than
    // read through a larger buffer, so the bundle beside a deeply nested program is not found.
    // Wide characters, given back as UTF-8: the ANSI code page cannot spell every folder name.
    wchar_t buffer[260] = {};
    const DWORD length = GetModuleFileNameW(nullptr, buffer, 259);
    if (length == 0)
        return std::string();
    return codePageFromWide(std::wstring(buffer, length < 259 ? length : 259), CP_UTF8);
}

char programPathSeparator() { return '\\'; }
