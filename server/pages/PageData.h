#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "server/store/ResultViews.h"

// What the pages show that the store does not give: the packages on the download page.
struct PackageFile {
    std::string name;
    std::string version;
    uint64_t size = 0;
    std::string sha256;  // lower-case hexadecimal
    int64_t modifiedAt = 0;
};

struct DownloadPageData {
    std::vector<PackageFile> packages;  // newest version first
};
