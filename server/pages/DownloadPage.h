#pragma once

#include <string>

#include "server/pages/PageData.h"

// The Windows packages in the packages folder: korvid-<version>-win64.zip, newest version
// first. A missing or unreadable folder has no packages; the page says so.
// Package digests are kept for the process; the overload takes a store of its own (tests).
DownloadPageData scanPackages(const std::string& folder);
class PackageDigests;
DownloadPageData scanPackages(const std::string& folder, PackageDigests& digests);

std::string downloadPageHtml(const DownloadPageData& data);
std::string downloadPageJson(const DownloadPageData& data);

// "korvid-2.9-win64.zip" -> "2.9"; empty for any other name, and for a version with a number
// of more than nine digits.
std::string packageVersion(const std::string& fileName);
