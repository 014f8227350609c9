#include "client/ProgramPath.h"

#include <climits>
#include <unistd.h>

std::string programFilePath()
{
    char buffer[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer);
    if (length <= 0 || static_cast<size_t>(length) >= sizeof buffer)
        return std::string();
    return std::string(buffer, static_cast<size_t>(length));
}

char programPathSeparator() { return '/'; }
