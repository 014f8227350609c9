#include "client/LocalFile.h"

#include <sys/stat.h>
#include <sys/types.h>

#include "client/WideText.h"

bool localFileExists(const std::string& path)
{
    struct _stat64 info;
    return _wstat64(wideFromCodePage(path, CP_UTF8).c_str(), &info) == 0;
}

LocalFileHandle openLocalFile(const std::string& path, const char* mode)
{
    const std::wstring wideMode(mode, mode + std::char_traits<char>::length(mode));
    return LocalFileHandle(_wfopen(wideFromCodePage(path, CP_UTF8).c_str(), wideMode.c_str()));
}

std::string localPathFromSystemText(const std::string& text)
{
    return codePageFromWide(wideFromCodePage(text, CP_ACP), CP_UTF8);
}

std::string systemTextFromLocalPath(const std::string& path)
{
    return codePageFromWide(wideFromCodePage(path, CP_UTF8), CP_ACP);
}
