#include "client/LocalFile.h"

std::optional<std::string> readLocalFile(const std::string& path)
{
    LocalFileHandle file = openLocalFile(path, "rb");
    if (!file)
        return std::nullopt;
    std::string bytes;
    char buffer[65536];
    size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, file.get())) > 0)
        bytes.append(buffer, got);
    if (std::ferror(file.get()))
        return std::nullopt;  // a directory opens on some systems but reads nothing
    return bytes;
}
