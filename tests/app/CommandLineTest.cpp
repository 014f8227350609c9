#include "app/CommandLine.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

struct RecordingClient : CommandLineClient {
    int debugEnabled = 0;
    int connectionTests = 0;
    int connectionTestResult = 0;
    // The debug level seen when the connection test ran, to prove earlier options took effect.
    int32_t* level = nullptr;
    int32_t levelAtConnectionTest = 0;

    void enableDebugOutput() override { ++debugEnabled; }
    int runConnectionTest() override
    {
        ++connectionTests;
        levelAtConnectionTest = level ? *level : 0;
        return connectionTestResult;
    }
};

struct Parsed {
    ParseResult result;
    RunSettings settings;
    int32_t debugLevel = -1;
    RecordingClient client;
    std::string console;
};

Parsed parse(std::vector<std::string> args, int connectionResult = 0)
{
    args.insert(args.begin(), "korvid.exe");
    std::vector<const char*> argv;
    for (const std::string& a : args)
        argv.push_back(a.c_str());
    Parsed p;
    p.client.connectionTestResult = connectionResult;
    p.client.level = &p.debugLevel;
    std::ostringstream console;
    p.result = parseCommandLine(static_cast<int>(argv.size()), argv.data(), p.settings,
                                p.debugLevel, p.client, console);
    p.console = console.str();
    return p;
}

const std::string kHelp =
    "Command line options: \n"
    " ?, -h, --help - Print this help information\n"
    " -v - Verbose output to screen (useful for debugging)\n"
    " -d [n] - Set the debug level to the value given by the integer [n]\n"
    " -nm, --nocopytests - Do not perform the copy to/from VRAM tests. NOTE: Won't be able to sumit result to Vantrel server with this option\n"
    " -nf, --nofilltests - Do not perform the fill rect tests. NOTE: Won't be able to sumit result to Vantrel server with this option\n"
    " -nb, --noblittests - Do not perform the blit rect tests. NOTE: Won't be able to sumit result to Vantrel server with this option\n"
    " -nc, --nocompositingtests - Do not perform the compositing tests (N/A on Windows XP and older) NOTE: Won't be able to sumit result to Vantrel server with this option\n"
    " -nr, --norandomtests - Do not perform the random tests. NOTE: Won't be able to sumit result to Vantrel server with this option\n"
    " -u, --upload - Automatically upload the results to the server. NOTE: Will be ignored if any of the tests are disabled\n"
    " -nu, --noupload - Disable uploading results to the server\n"
    "      If neither --upload, not --noupload is set, then it will ask the user whether or not to upload)\n"
    " -s <filename>, --save <filename> - Saves the results to the given filename\n"
    " -sd, --savedefault - Automatically saves to the default filename which is in the following format: \n"
    "        <card-name>__<date>.kvdresult\n"
    " -ns, --nosave - Do not save the results to disk.\n"
    "     If -save, --savedefault, and --nosave are all not used, then the user will be asked wether or not the result should be saved to the default filename\n"
    " -so, --saveoverwrite - If the save file already exists, overwrite it (if unset, then the user will be asked what to do if this happens)\n"
    "  -tc, --testconnection - This will test the connection to the Ostrand server. If this option is set, then no tests are performed, and all other options are ignored\n"
    "  -y, --yestoall - No prompts are shown, with the program behaving as if yes were clicked for all prompts. WARNING: Be careful with this option as you could accidentally overwrite files (the \"file exists\" message box will NOT show)\n"
    "\n"
    "\n";

void expectDefaults(const RunSettings& s)
{
    EXPECT_FALSE(s.yesToAll);
    EXPECT_EQ(s.uploadChoice, Choice::Ask);
    EXPECT_EQ(s.saveChoice, Choice::Ask);
    EXPECT_FALSE(s.saveOverwrite);
    EXPECT_EQ(s.saveFileName, "");
    EXPECT_EQ(s.testFlags, 0x1Fu);
}

TEST(CommandLine, ChoiceValuesAreThoseOfTheSettingsRecord)
{
    EXPECT_EQ(static_cast<int>(Choice::Ask), 0);
    EXPECT_EQ(static_cast<int>(Choice::Yes), 1);
    EXPECT_EQ(static_cast<int>(Choice::No), 2);
}

TEST(CommandLine, NoArgumentsKeepsEveryDefault)
{
    Parsed p = parse({});
    EXPECT_FALSE(p.result.endProcess);
    expectDefaults(p.settings);
    EXPECT_EQ(p.debugLevel, -1);
    EXPECT_EQ(p.client.debugEnabled, 0);
    EXPECT_EQ(p.console, "");
}

TEST(CommandLine, HelpTextByteForByte)
{
    std::ostringstream out;
    printHelp(out);
    EXPECT_EQ(out.str(), kHelp);
}

TEST(CommandLine, EachHelpFormPrintsHelpAndEndsWithZero)
{
    for (const char* form : {"?", "-h", "--help"}) {
        Parsed p = parse({"-y", form, "-x", "-tc"});
        EXPECT_TRUE(p.result.endProcess) << form;
        EXPECT_EQ(p.result.exitCode, 0) << form;
        EXPECT_EQ(p.console, kHelp) << form;
        // Arguments after it are not read.
        EXPECT_EQ(p.client.connectionTests, 0) << form;
        EXPECT_TRUE(p.settings.yesToAll) << form;
    }
}

TEST(CommandLine, UnrecognisedOptionPrintsItsNameTwoLineEndsAndHelp)
{
    Parsed p = parse({"-u", "-x", "-nu", "-h"});
    EXPECT_TRUE(p.result.endProcess);
    EXPECT_EQ(p.result.exitCode, 10);
    EXPECT_EQ(p.console, "ERROR: Unrecognised command line option.-x\n\n" + kHelp);
    EXPECT_EQ(p.settings.uploadChoice, Choice::Yes);  // "-nu" after it was not read
}

TEST(CommandLine, OptionsAreCaseSensitiveAndWhole)
{
    for (const char* wrong : {"-H", "--HELP", "-V", "-D", "-NF", "-Y", "-TC", "-S", "-SD", "-So",
                              "--Upload", "-yes", "--yes", "-n", "-nfb", "--save=x", "-s=x", "",
                              "/?", "-"}) {
        Parsed p = parse({wrong});
        EXPECT_TRUE(p.result.endProcess) << wrong;
        EXPECT_EQ(p.result.exitCode, 10) << wrong;
        EXPECT_EQ(p.console,
                  std::string("ERROR: Unrecognised command line option.") + wrong + "\n\n" + kHelp)
            << wrong;
    }
}

TEST(CommandLine, TestGroupOptionsClearTheirBitsAndAccumulate)
{
    struct Case {
        std::vector<std::string> args;
        uint32_t flags;
    };
    const Case cases[] = {
        {{"-nm"}, 0x1E}, {{"--nocopytests"}, 0x1E},
        {{"-nf"}, 0x1D}, {{"--nofilltests"}, 0x1D},
        {{"-nb"}, 0x1B}, {{"--noblittests"}, 0x1B},
        {{"-nc"}, 0x17}, {{"--nocompositingtests"}, 0x17},
        {{"-nr"}, 0x0F}, {{"--norandomtests"}, 0x0F},
        {{"-nb", "--norandomtests"}, 0x0B},
        {{"-nb", "-nb"}, 0x1B},
        {{"-nm", "-nf", "-nb", "-nc", "-nr"}, 0x00},
    };
    for (const Case& c : cases) {
        Parsed p = parse(c.args);
        EXPECT_FALSE(p.result.endProcess);
        EXPECT_EQ(p.settings.testFlags, c.flags) << c.args[0];
    }
}

TEST(CommandLine, UploadAndSaveChoicesLaterOneWins)
{
    EXPECT_EQ(parse({"-u"}).settings.uploadChoice, Choice::Yes);
    EXPECT_EQ(parse({"--upload"}).settings.uploadChoice, Choice::Yes);
    EXPECT_EQ(parse({"-nu"}).settings.uploadChoice, Choice::No);
    EXPECT_EQ(parse({"--noupload"}).settings.uploadChoice, Choice::No);
    EXPECT_EQ(parse({"-u", "-nu"}).settings.uploadChoice, Choice::No);
    EXPECT_EQ(parse({"-nu", "--upload"}).settings.uploadChoice, Choice::Yes);

    EXPECT_EQ(parse({"-ns"}).settings.saveChoice, Choice::No);
    EXPECT_EQ(parse({"--nosave"}).settings.saveChoice, Choice::No);
    EXPECT_EQ(parse({"-sd", "-ns"}).settings.saveChoice, Choice::No);
    EXPECT_TRUE(parse({"-so"}).settings.saveOverwrite);
    EXPECT_TRUE(parse({"--saveoverwrite"}).settings.saveOverwrite);
    EXPECT_TRUE(parse({"-y"}).settings.yesToAll);
    EXPECT_TRUE(parse({"--yestoall"}).settings.yesToAll);

    // "-u" with "-nf": the choice is recorded; the run refuses the upload for the missing group.
    Parsed p = parse({"-u", "-nf"});
    EXPECT_EQ(p.settings.uploadChoice, Choice::Yes);
    EXPECT_EQ(p.settings.testFlags, 0x1Du);
}

TEST(CommandLine, SaveTakesTheNextArgumentWhateverItLooksLike)
{
    Parsed p = parse({"-s", "-y"});
    EXPECT_FALSE(p.result.endProcess);
    EXPECT_EQ(p.settings.saveChoice, Choice::Yes);
    EXPECT_EQ(p.settings.saveFileName, "-y");
    EXPECT_FALSE(p.settings.yesToAll);

    p = parse({"--save", "a/b:c.txt"});
    EXPECT_EQ(p.settings.saveFileName, "a/b:c.txt");

    // Last on the line: no value, the earlier name stays.
    p = parse({"-s", "first.txt", "-s"});
    EXPECT_EQ(p.settings.saveChoice, Choice::Yes);
    EXPECT_EQ(p.settings.saveFileName, "first.txt");
    p = parse({"-ns", "--save"});
    EXPECT_EQ(p.settings.saveChoice, Choice::Yes);
    EXPECT_EQ(p.settings.saveFileName, "");

    // "-sd" after a name: back to the default name.
    p = parse({"-s", "mine.kvdresult", "-sd"});
    EXPECT_EQ(p.settings.saveChoice, Choice::Yes);
    EXPECT_EQ(p.settings.saveFileName, "");
    p = parse({"--savedefault"});
    EXPECT_EQ(p.settings.saveChoice, Choice::Yes);
}

TEST(CommandLine, DebugLevelOptions)
{
    Parsed p = parse({"-v"});
    EXPECT_EQ(p.debugLevel, 2);
    EXPECT_EQ(p.client.debugEnabled, 1);

    // "-d" takes "-v" as its value: level 0 and "-v" is not processed.
    p = parse({"-d", "-v"});
    EXPECT_EQ(p.debugLevel, 0);
    EXPECT_EQ(p.client.debugEnabled, 1);

    p = parse({"-d", "5", "-v"});
    EXPECT_EQ(p.debugLevel, 5);
    EXPECT_EQ(p.client.debugEnabled, 2);

    p = parse({"-v", "-d", "5"});
    EXPECT_EQ(p.debugLevel, 5);

    // A level of 0 from "-d" is not negative, so "-v" keeps it.
    p = parse({"-d", "x", "-v"});
    EXPECT_EQ(p.debugLevel, 0);

    // "-d" last: debug output on, level unchanged.
    p = parse({"-d"});
    EXPECT_EQ(p.debugLevel, -1);
    EXPECT_EQ(p.client.debugEnabled, 1);

    // atoi's reading: leading digits with sign, blanks skipped, the rest ignored.
    EXPECT_EQ(parse({"-d", "7abc"}).debugLevel, 7);
    EXPECT_EQ(parse({"-d", "-3"}).debugLevel, -3);
    EXPECT_EQ(parse({"-d", " +12"}).debugLevel, 12);
    EXPECT_EQ(parse({"-d", "abc"}).debugLevel, 0);
    EXPECT_EQ(parse({"-d", ""}).debugLevel, 0);
    // Beyond 32 bits the level is clamped rather than wrapped.
    EXPECT_EQ(parse({"-d", "99999999999"}).debugLevel, 2147483647);
    EXPECT_EQ(parse({"-d", "-99999999999"}).debugLevel, -2147483647 - 1);
    // A negative level from "-d" is replaced by "-v".
    EXPECT_EQ(parse({"-d", "-1", "-v"}).debugLevel, 2);
}

TEST(CommandLine, ConnectionTestEndsWithItsCodeAfterEarlierOptions)
{
    Parsed p = parse({"-v", "-tc", "-x"}, 10);
    EXPECT_TRUE(p.result.endProcess);
    EXPECT_EQ(p.result.exitCode, 10);
    EXPECT_EQ(p.client.connectionTests, 1);
    EXPECT_EQ(p.client.levelAtConnectionTest, 2);
    EXPECT_EQ(p.console, "");  // "-x" after it was not read

    p = parse({"--testconnection"}, 0);
    EXPECT_TRUE(p.result.endProcess);
    EXPECT_EQ(p.result.exitCode, 0);
    EXPECT_EQ(p.client.connectionTests, 1);

    p = parse({"-y", "-tc"}, 0);
    EXPECT_EQ(p.client.connectionTests, 1);
    EXPECT_TRUE(p.settings.yesToAll);
}

} // namespace
