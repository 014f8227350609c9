#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

enum class LoadMode { Upload, Lookup };

// What one run of the load generator does, as given on its command line.
struct LoadOptions {
    std::string apiURL;         // the API base, ending in '/', as korvid.exe is built with
    std::string resultPageURL;  // base of the result page addresses
    std::string clientName;
    std::string clientKey;
    std::string caFile;         // empty: no bundle is put beside the program
    uint32_t operations = 0;    // uploads, or lookups in lookup mode
    uint32_t concurrency = 1;
    LoadMode mode = LoadMode::Upload;
    uint32_t variety = 4;       // variants per description record type
    uint64_t seed = 1;
    bool json = false;
    bool help = false;
};

// A command line that cannot be run; what() is one line for the user.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Throws UsageError. --help alone is enough; otherwise --api, --client, --key and --uploads
// are required, and every number must be a whole decimal number in its range.
LoadOptions parseLoadOptions(int argc, const char* const* argv);

std::string loadUsage();
