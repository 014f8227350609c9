#include "server/pages/DownloadPage.h"

#include <algorithm>
#include <filesystem>
#include <sys/stat.h>

#include "server/pages/Html.h"
#include "server/pages/JsonWriter.h"
#include "server/pages/PackageDigests.h"
#include "server/pages/PageFrame.h"
#include "server/text/Digest.h"

namespace fs = std::filesystem;

namespace {

// Versions compare number by number: 2.10 is newer than 2.9.
bool newerVersion(const std::string& a, const std::string& b)
{
    std::size_t i = 0, k = 0;
    while (i < a.size() || k < b.size()) {
        const std::size_t ie = std::min(a.find('.', i), a.size());
        const std::size_t ke = std::min(b.find('.', k), b.size());
        const long x = i < a.size() ? std::stol(a.substr(i, ie - i)) : 0;
        const long y = k < b.size() ? std::stol(b.substr(k, ke - k)) : 0;
        if (x != y)
            return x > y;
        i = ie + 1;
        k = ke + 1;
    }
    return false;
}

std::string sizeText(uint64_t bytes)
{
    if (bytes >= 1024 * 1024)
        return formatFixed(bytes / 1048576.0, 1) + " MiB";
    if (bytes >= 1024)
        return formatFixed(bytes / 1024.0, 1) + " KiB";
    return std::to_string(bytes) + " bytes";
}

} // namespace

std::string packageVersion(const std::string& fileName)
{
    const std::string prefix = "korvid-", suffix = "-win64.zip";
    if (fileName.size() <= prefix.size() + suffix.size() || fileName.compare(0, prefix.size(), prefix) != 0 ||
        fileName.compare(fileName.size() - suffix.size(), suffix.size(), suffix) != 0)
        return "";
    const std::string version = fileName.substr(prefix.size(), fileName.size() - prefix.size() - suffix.size());
    if (version.front() == '.' || version.back() == '.' || version.find("..") != std::string::npos ||
        version.find_first_not_of("0123456789.") != std::string::npos || version.size() > 20)
        return "";
    // Each number must fit the comparison of versions: 2.99999999999 is no package of ours.
    for (std::size_t start = 0; start < version.size();) {
        const std::size_t end = std::min(version.find('.', start), version.size());
        if (end - start > 9)
            return "";
        start = end + 1;
    }
    return version;
}

DownloadPageData scanPackages(const std::string& folder)
{
    static PackageDigests digests;  // the server has one packages folder
    return scanPackages(folder, digests);
}

DownloadPageData scanPackages(const std::string& folder, PackageDigests& digests)
{
    DownloadPageData data;
    std::error_code error;
    if (folder.empty() || !fs::is_directory(folder, error))
        return data;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, error)) {
        const std::string name = entry.path().filename().string();
        const std::string version = packageVersion(name);
        if (version.empty() || !entry.is_regular_file(error))
            continue;
        PackageFile file;
        file.name = name;
        file.version = version;
        file.size = entry.file_size(error);
        struct stat info {};
        if (::stat(entry.path().c_str(), &info) != 0)
            continue;
        file.modifiedAt = info.st_mtime;
        try {
            file.sha256 = digests.of(entry.path().string(), static_cast<uint64_t>(info.st_size),
                                     static_cast<int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec);
        } catch (const std::exception&) {
            continue;  // vanished or unreadable: not offered
        }
        data.packages.push_back(file);
    }
    std::sort(data.packages.begin(), data.packages.end(),
              [](const PackageFile& a, const PackageFile& b) { return newerVersion(a.version, b.version); });
    return data;
}

std::string downloadPageHtml(const DownloadPageData& data)
{
    std::string body = "<h1>Download Korvid</h1>\n";
    body += "<p>Korvid measures how fast a Windows PC draws 2D graphics through Direct2D (or GDI "
            "where Direct2D is missing): filled rectangles, copies, overlapping copies, "
            "translucent compositing, pixel transfers and a random mix of them all.</p>\n";
    if (data.packages.empty()) {
        body += "<p>No package is available for download at the moment.</p>\n";
    } else {
        body += "<table><caption>Packages of the program, newest first</caption><tr><th>Package</th><th>Version</th><th class=\"n\">Size</th><th>SHA-256</th>"
                "<th>Published</th></tr>\n";
        for (const PackageFile& p : data.packages) {
            body += "<tr><td><a href=\"" + std::string(kSiteBase) + "Downloads/" + escapeHtml(p.name) +
                    "\">" + escapeHtml(p.name) + "</a></td><td>" + escapeHtml(p.version) +
                    "</td><td class=\"n\">" + sizeText(p.size) + "</td><td><code>" + escapeHtml(p.sha256) +
                    "</code></td><td>" + formatDate(p.modifiedAt) + "</td></tr>\n";
        }
        body += "</table>\n";
    }
    body += "<h2>How to run it</h2>\n<ol>\n"
            "<li>Unpack the zip file into a folder of its own.</li>\n"
            "<li>Check the file against the SHA-256 above, for example with "
            "<code>certutil -hashfile korvid-&lt;version&gt;-win64.zip SHA256</code>.</li>\n"
            "<li>Close other programs, then start <code>korvid.exe</code> from a command prompt. "
            "It runs each test for at least a second and draws full-screen; do not use the "
            "computer meanwhile.</li>\n"
            "<li>At the end it offers to upload the result and opens its page here, where it is "
            "compared with the other results of the same graphics card and driver. "
            "<code>korvid.exe -h</code> lists the options; <code>-tc</code> tests the connection to "
            "this server.</li>\n"
            "<li>Without a connection, save the result (a <code>.kvdresult</code> file) and add it "
            "later on the <a href=\"" + std::string(kSiteBase) + "\">front page</a>.</li>\n</ol>\n";
    return pageFrame("Download", body);
}

std::string downloadPageJson(const DownloadPageData& data)
{
    JsonWriter j;
    j.beginObject().key("packages").beginArray();
    for (const PackageFile& p : data.packages) {
        j.beginObject().field("name", p.name).field("version", p.version);
        j.field("size", static_cast<int64_t>(p.size)).field("sha256", p.sha256);
        j.field("modifiedAt", p.modifiedAt).field("path", std::string(kSiteBase) + "Downloads/" + p.name);
        j.endObject();
    }
    j.endArray().endObject();
    return j.text();
}
