#include "client/LocalFile.h"

#include <sys/stat.h>

bool localFileExists(const std::string& path)
{
    struct stat info;
    return ::stat(path.c_str(), &info) == 0;
}

LocalFileHandle openLocalFile(const std::string& path, const char* mode)
{
    return LocalFileHandle(std::fopen(path.c_str(), mode));
}

std::string localPathFromSystemText(const std::string& text) { return text; }

std::string systemTextFromLocalPath(const std::string& path) { return path; }
