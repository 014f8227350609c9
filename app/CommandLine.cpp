#include "app/CommandLine.h"

#include <climits>
#include <cstdlib>
#include <cstring>

#include "client/LocalFile.h"

namespace {

bool is(const char* argument, const char* option)
{
    return std::strcmp(argument, option) == 0;
}

bool isEither(const char* argument, const char* shortForm, const char* longForm)
{
    return is(argument, shortForm) || is(argument, longForm);
}

// atoi's reading (leading blanks, optional sign, decimal digits; no digits gives 0), but a value
// beyond the 32-bit range is clamped instead of being undefined.
int32_t readDebugLevel(const char* text)
{
    const long long value = std::strtoll(text, nullptr, 10);
    if (value > INT32_MAX)
        return INT32_MAX;
    if (value < INT32_MIN)
        return INT32_MIN;
    return static_cast<int32_t>(value);
}

} // namespace

void printHelp(std::ostream& console)
{
    static const char* const lines[] = {
        "Command line options: ",
        " ?, -h, --help - Print this help information",
        " -v - Verbose output to screen (useful for debugging)",
        " -d [n] - Set the debug level to the value given by the integer [n]",
        " -nm, --nocopytests - Do not perform the copy to/from VRAM tests. NOTE: Won't be able to sumit result to Vantrel server with this option",
        " -nf, --nofilltests - Do not perform the fill rect tests. NOTE: Won't be able to sumit result to Vantrel server with this option",
        " -nb, --noblittests - Do not perform the blit rect tests. NOTE: Won't be able to sumit result to Vantrel server with this option",
        " -nc, --nocompositingtests - Do not perform the compositing tests (N/A on Windows XP and older) NOTE: Won't be able to sumit result to Vantrel server with this option",
        " -nr, --norandomtests - Do not perform the random tests. NOTE: Won't be able to sumit result to Vantrel server with this option",
        " -u, --upload - Automatically upload the results to the server. NOTE: Will be ignored if any of the tests are disabled",
        " -nu, --noupload - Disable uploading results to the server",
        "      If neither --upload, not --noupload is set, then it will ask the user whether or not to upload)",
        " -s <filename>, --save <filename> - Saves the results to the given filename",
        " -sd, --savedefault - Automatically saves to the default filename which is in the following format: ",
        "        <card-name>__<date>.kvdresult",
        " -ns, --nosave - Do not save the results to disk.",
        "     If -save, --savedefault, and --nosave are all not used, then the user will be asked wether or not the result should be saved to the default filename",
        " -so, --saveoverwrite - If the save file already exists, overwrite it (if unset, then the user will be asked what to do if this happens)",
        "  -tc, --testconnection - This will test the connection to the Ostrand server. If this option is set, then no tests are performed, and all other options are ignored",
        "  -y, --yestoall - No prompts are shown, with the program behaving as if yes were clicked for all prompts. WARNING: Be careful with this option as you could accidentally overwrite files (the \"file exists\" message box will NOT show)",
    };
    for (const char* line : lines)
        console << line << '\n';
    console << '\n' << '\n';
    console.flush();
}

ParseResult parseCommandLine(int argc, const char* const* argv, RunSettings& settings,
                             int32_t& debugLevel, CommandLineClient& client,
                             std::ostream& console)
{
    for (int i = 1; i < argc; ++i) {
        const char* argument = argv[i];
        if (is(argument, "?") || isEither(argument, "-h", "--help")) {
            printHelp(console);
            return {true, 0};
        } else if (is(argument, "-v")) {
            client.enableDebugOutput();
            if (debugLevel < 0)
                debugLevel = 2;
        } else if (is(argument, "-d")) {
            client.enableDebugOutput();
            // The value is taken whatever it looks like, so "-d -v" sets level 0.
            if (i + 1 < argc)
                debugLevel = readDebugLevel(argv[++i]);
        } else if (isEither(argument, "-nm", "--nocopytests")) {
            settings.testFlags &= ~TEST_GROUP_PIXEL_ARRAYS;
        } else if (isEither(argument, "-nf", "--nofilltests")) {
            settings.testFlags &= ~TEST_GROUP_FILL;
        } else if (isEither(argument, "-nb", "--noblittests")) {
            settings.testFlags &= ~TEST_GROUP_BLIT;
        } else if (isEither(argument, "-nc", "--nocompositingtests")) {
            settings.testFlags &= ~TEST_GROUP_COMPOSITE;
        } else if (isEither(argument, "-nr", "--norandomtests")) {
            settings.testFlags &= ~TEST_GROUP_RANDOM;
        } else if (isEither(argument, "-u", "--upload")) {
            settings.uploadChoice = Choice::Yes;
        } else if (isEither(argument, "-nu", "--noupload")) {
            settings.uploadChoice = Choice::No;
        } else if (isEither(argument, "-s", "--save")) {
            settings.saveChoice = Choice::Yes;
            if (i + 1 < argc)
                settings.saveFileName = localPathFromSystemText(argv[++i]);
        } else if (isEither(argument, "-sd", "--savedefault")) {
            settings.saveChoice = Choice::Yes;
            settings.saveFileName.clear();
        } else if (isEither(argument, "-ns", "--nosave")) {
            settings.saveChoice = Choice::No;
        } else if (isEither(argument, "-so", "--saveoverwrite")) {
            settings.saveOverwrite = true;
        } else if (isEither(argument, "-tc", "--testconnection")) {
            return {true, client.runConnectionTest()};
        } else if (isEither(argument, "-y", "--yestoall")) {
            settings.yesToAll = true;
        } else {
            console << "ERROR: Unrecognised command line option." << argument << '\n' << '\n';
            printHelp(console);
            return {true, kExitUnrecognisedOption};
        }
    }
    return {false, 0};
}
