#include "sysinfo/SystemDescription.h"

#include <sstream>

std::string versionText(const FileVersionNumbers& version)
{
    std::ostringstream text;
    text << version.major << "." << version.minor << "." << version.build << "."
         << version.revision;
    return text.str();
}
