#include "bench/loadgen/LoadOptions.h"

#include <cerrno>
#include <cstdlib>
#include <limits>

namespace {

uint64_t parseNumber(const std::string& option, const std::string& text, uint64_t minimum, uint64_t maximum)
{
    // strtoull would take a sign or blanks; a benchmark figure read from a typo is worse than an error.
    bool digits = !text.empty();
    for (char c : text)
        digits = digits && c >= '0' && c <= '9';
    errno = 0;
    const unsigned long long value = digits ? std::strtoull(text.c_str(), nullptr, 10) : 0;
    if (!digits || errno == ERANGE || value < minimum || value > maximum)
        throw UsageError(option + " takes a number from " + std::to_string(minimum) + " to " +
                         std::to_string(maximum) + ", not '" + text + "'");
    return value;
}

}  // namespace

LoadOptions parseLoadOptions(int argc, const char* const* argv)
{
    LoadOptions options;
    bool haveOperations = false;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "--help" || option == "-h") {
            options.help = true;
            return options;
        }
        if (option == "--json") {
            options.json = true;
            continue;
        }
        if (i + 1 >= argc)
            throw UsageError(option.rfind("--", 0) == 0 ? option + " needs a value" : "unknown argument '" + option + "'");
        const std::string value = argv[++i];
        if (option == "--api")
            options.apiURL = value;
        else if (option == "--result-page")
            options.resultPageURL = value;
        else if (option == "--client")
            options.clientName = value;
        else if (option == "--key")
            options.clientKey = value;
        else if (option == "--ca")
            options.caFile = value;
        else if (option == "--uploads") {
            options.operations = static_cast<uint32_t>(parseNumber(option, value, 1, 10000000));
            haveOperations = true;
        } else if (option == "--concurrency")
            options.concurrency = static_cast<uint32_t>(parseNumber(option, value, 1, 1000));
        else if (option == "--variety")
            options.variety = static_cast<uint32_t>(parseNumber(option, value, 1, 1000000));
        else if (option == "--seed")
            options.seed = parseNumber(option, value, 0, std::numeric_limits<uint64_t>::max());
        else if (option == "--mode") {
            if (value == "upload")
                options.mode = LoadMode::Upload;
            else if (value == "lookup")
                options.mode = LoadMode::Lookup;
            else
                throw UsageError("--mode is upload or lookup, not '" + value + "'");
        } else
            throw UsageError("unknown option '" + option + "'");
    }
    if (options.apiURL.empty() || options.clientName.empty() || options.clientKey.empty() || !haveOperations)
        throw UsageError("--api, --client, --key and --uploads are required");
    // The client appends type names to the base as they are.
    if (options.apiURL.back() != '/')
        options.apiURL += '/';
    return options;
}

std::string loadUsage()
{
    return "usage: korvid-loadgen --api URL --client NAME --key KEY --uploads N [--concurrency C]\n"
           "                      [--result-page URL] [--ca FILE] [--mode upload|lookup]\n"
           "                      [--variety K] [--seed S] [--json]\n"
           "Uploads N full benchmark results (or, with --mode lookup, makes N lookups of stored\n"
           "machine-description records) through C concurrent clients, exactly as korvid.exe\n"
           "sends them. The description records are drawn from K variants per type (default 4),\n"
           "so that uploads share records and race to store them; --seed makes a run repeatable.\n"
           "--ca FILE: the CA bundle for an https server; it is put beside the program for the run,\n"
           "           where the client looks for it.\n"
           "Prints each result ID and each failure, then a summary; --json prints one JSON object\n"
           "instead. Exit code: 0 when every operation succeeded, 1 when any failed, 2 on a bad\n"
           "command line.\n";
}
