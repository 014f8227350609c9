#include "client/ProgramPath.h"

std::string caBundlePathFor(const std::string& programPath, char separator)
{
    std::string directory = programPath;
    const std::string::size_type cut = programPath.rfind(separator);
    if (cut != std::string::npos)
        directory = programPath.substr(0, cut);
    return directory + separator + "curl-ca-bundle.crt";
}
