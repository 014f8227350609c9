#include "app/ResultFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "ScriptedPrompts.h"
#include "TempDirectory.h"

namespace {

using namespace apptest;

LocalDateTime at(int year, int month, int day, int hour, int minute, int second)
{
    LocalDateTime t;
    t.year = year;
    t.month = month;
    t.day = day;
    t.hour = hour;
    t.minute = minute;
    t.second = second;
    return t;
}

// The transcript as the file should hold it: its text plus one line end, with the platform's
// line ends.
std::string stored(const std::string& text)
{
    std::string withEnd = text + "\n";
#ifdef _WIN32
    std::string crlf;
    for (char c : withEnd) {
        if (c == '\n')
            crlf += '\r';
        crlf += c;
    }
    return crlf;
#else
    return withEnd;
#endif
}

const char* const kTranscript = "----\nKorvid 2.9\nline two\n";

struct SaveRun {
    std::string console;
    std::string error;  // the text error thrown, if any
};

SaveRun save(RunSettings& settings, ScriptedPrompts& prompts,
             const std::string& cardName = "Example Card",
             const LocalDateTime& now = at(2013, 1, 2, 14, 3, 9))
{
    std::ostringstream console;
    SaveRun run;
    try {
        saveResults(settings, kTranscript, cardName, now, prompts, console);
    } catch (const std::string& text) {
        run.error = text;
    }
    run.console = console.str();
    return run;
}

TEST(ResultFileName, DateAndTimeWithLeadingZeros)
{
    EXPECT_EQ(makeResultFileDate(at(2012, 6, 11, 9, 5, 7)), "2012-06-11_09-05-07");
    EXPECT_EQ(makeResultFileDate(at(2013, 1, 2, 14, 3, 9)), "2013-01-02_14-03-09");
    EXPECT_EQ(makeResultFileDate(at(1999, 12, 31, 23, 59, 59)), "1999-12-31_23-59-59");
    EXPECT_EQ(makeResultFileDate(at(2020, 10, 1, 0, 0, 0)), "2020-10-01_00-00-00");
}

TEST(ResultFileName, SanitiseReplacesExactlyTheTenCharacters)
{
    std::string name = "a/b\\c*d#e:f;g|h^i<j>k l.m-n_o(p)q[r]s{t}u,v'w\"x?y!z@%&=+~`$";
    sanitizeFileName(name);
    EXPECT_EQ(name, "a_b_c_d_e_f_g_h_i_j_k l.m-n_o(p)q[r]s{t}u,v'w\"x?y!z@%&=+~`$");
}

TEST(ResultFileName, DefaultNameFromCardAndTime)
{
    EXPECT_EQ(makeDefaultResultFileName("Example Card", at(2013, 1, 2, 14, 3, 9)),
              "Example Card__2013-01-02_14-03-09.kvdresult");
    EXPECT_EQ(makeDefaultResultFileName("ACME GFX 9000/9100: Rev<2>", at(2012, 6, 11, 9, 5, 7)),
              "ACME GFX 9000_9100_ Rev_2___2012-06-11_09-05-07.kvdresult");
    EXPECT_EQ(makeDefaultResultFileName("", at(2012, 6, 11, 9, 5, 7)),
              "__2012-06-11_09-05-07.kvdresult");
}

TEST(SaveResults, AskedAndDeclinedSavesNothing)
{
    TempDirectory dir;
    CurrentDirectory inside(dir.path());
    RunSettings settings;
    ScriptedPrompts prompts;
    prompts.answers = {false};
    SaveRun run = save(settings, prompts);
    ASSERT_EQ(prompts.asked.size(), 1u);
    EXPECT_EQ(prompts.asked[0].kind, "yesno");
    EXPECT_EQ(prompts.asked[0].caption, "Korvid");
    EXPECT_EQ(prompts.asked[0].text, "Save the results to disk?");
    EXPECT_EQ(run.console, "");
    EXPECT_EQ(run.error, "");
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

TEST(SaveResults, AskedAcceptedShowsDialogWithDefaultNameAndSavesThere)
{
    TempDirectory dir;
    CurrentDirectory inside(dir.path());
    RunSettings settings;
    ScriptedPrompts prompts;
    prompts.answers = {true};
    const std::string chosen = dir.file("chosen.kvdresult");
    prompts.savePaths = {chosen};
    SaveRun run = save(settings, prompts, "Card: A/B");
    EXPECT_EQ(prompts.kinds(), "yesno,save");
    EXPECT_EQ(prompts.asked[1].text, "Card_ A_B__2013-01-02_14-03-09.kvdresult");
    EXPECT_EQ(settings.saveChoice, Choice::Yes);
    EXPECT_EQ(settings.saveFileName, chosen);
    EXPECT_EQ(readBytes(chosen), stored(kTranscript));
    EXPECT_EQ(run.console, "Saved the results to " + chosen + "\n");
}

TEST(SaveResults, CancelledDialogSavesNothingAndPrintsNothing)
{
    TempDirectory dir;
    CurrentDirectory inside(dir.path());
    RunSettings settings;
    settings.saveChoice = Choice::Yes;
    ScriptedPrompts prompts;
    prompts.savePaths = {""};
    SaveRun run = save(settings, prompts);
    EXPECT_EQ(prompts.kinds(), "save");
    EXPECT_EQ(settings.saveChoice, Choice::No);
    EXPECT_EQ(run.console, "");
    EXPECT_EQ(run.error, "");
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

TEST(SaveResults, DefaultNameWithYesToAllGoesToCurrentDirectoryWithoutQuestions)
{
    TempDirectory dir;
    CurrentDirectory inside(dir.path());
    RunSettings settings;
    settings.yesToAll = true;  // "-y" alone: the save question is answered yes
    ScriptedPrompts prompts;
    SaveRun run = save(settings, prompts, "Example Card");
    EXPECT_TRUE(prompts.asked.empty());
    const std::string name = "Example Card__2013-01-02_14-03-09.kvdresult";
    EXPECT_EQ(settings.saveFileName, name);
    EXPECT_EQ(readBytes(dir.file(name)), stored(kTranscript));
    EXPECT_EQ(run.console, "Saved the results to " + name + "\n");
}

TEST(SaveResults, DefaultNameOfACardWithSlashAndColon)
{
    TempDirectory dir;
    CurrentDirectory inside(dir.path());
    RunSettings settings;
    settings.saveChoice = Choice::Yes;  // "-sd -y"
    settings.yesToAll = true;
    ScriptedPrompts prompts;
    save(settings, prompts, "GeForce 8800/9800 GT: rev. 2", at(2012, 6, 11, 9, 5, 7));
    const std::string name = "GeForce 8800_9800 GT_ rev. 2__2012-06-11_09-05-07.kvdresult";
    EXPECT_EQ(settings.saveFileName, name);
    EXPECT_TRUE(std::filesystem::exists(dir.path() / name));
}

TEST(SaveResults, NameFromCommandLineIsUsedUnchangedWithoutDialog)
{
    TempDirectory dir;
    RunSettings settings;
    settings.saveChoice = Choice::Yes;
    // Characters the default name would lose stay as given.
    settings.saveFileName = dir.file("my#result;1^.txt");
    ScriptedPrompts prompts;
    SaveRun run = save(settings, prompts);
    EXPECT_TRUE(prompts.asked.empty());
    EXPECT_EQ(readBytes(dir.file("my#result;1^.txt")), stored(kTranscript));
    EXPECT_EQ(run.console, "Saved the results to " + dir.file("my#result;1^.txt") + "\n");
}

TEST(SaveResults, ExistingFileOverwriteYesReplacesIt)
{
    TempDirectory dir;
    const std::string path = dir.file("existing.kvdresult");
    writeBytes(path, "old content that is longer than the new one............................");
    RunSettings settings;
    settings.saveChoice = Choice::Yes;
    settings.saveFileName = path;
    ScriptedPrompts prompts;
    prompts.answers = {true};
    SaveRun run = save(settings, prompts);
    ASSERT_EQ(prompts.kinds(), "question");
    EXPECT_EQ(prompts.asked[0].caption, "Overwrite File?");
    EXPECT_EQ(prompts.asked[0].text, "File " + path + "exists. Overwrite?");
    EXPECT_FALSE(prompts.asked[0].yesLabel);
    EXPECT_FALSE(prompts.asked[0].noLabel);
    EXPECT_EQ(readBytes(path), stored(kTranscript));
    EXPECT_EQ(run.console, "Saved the results to " + path + "\n");
}

TEST(SaveResults, ExistingFileOverwriteNoOpensDialogOnThatName)
{
    TempDirectory dir;
    const std::string path = dir.file("existing.kvdresult");
    const std::string other = dir.file("other.kvdresult");
    writeBytes(path, "old");
    RunSettings settings;
    settings.saveChoice = Choice::Yes;
    settings.saveFileName = path;
    ScriptedPrompts prompts;
    prompts.answers = {false};
    prompts.savePaths = {other};
    save(settings, prompts);
    EXPECT_EQ(prompts.kinds(), "question,save");
    EXPECT_EQ(prompts.asked[1].text, path);
    EXPECT_EQ(readBytes(path), "old");
    EXPECT_EQ(readBytes(other), stored(kTranscript));
    EXPECT_EQ(settings.saveFileName, other);
}

TEST(SaveResults, DialogChoosingAnExistingFileAsksAgain)
{
    TempDirectory dir;
    const std::string path = dir.file("existing.kvdresult");
    writeBytes(path, "old");
    RunSettings settings;
    settings.saveChoice = Choice::Yes;
    settings.saveFileName = path;
    ScriptedPrompts prompts;
    prompts.answers = {false, true};
    prompts.savePaths = {path};
    save(settings, prompts);
    EXPECT_EQ(prompts.kinds(), "question,save,question");
    EXPECT_EQ(readBytes(path), stored(kTranscript));
}

TEST(SaveResults, ExistingFileOverwriteNoThenCancelSavesNothing)
{
    TempDirectory dir;
    const std::string path = dir.file("existing.kvdresult");
    writeBytes(path, "old");
    RunSettings settings;
    settings.saveChoice = Choice::Yes;
    settings.saveFileName = path;
    ScriptedPrompts prompts;
    prompts.answers = {false};
    prompts.savePaths = {""};
    SaveRun run = save(settings, prompts);
    EXPECT_EQ(prompts.kinds(), "question,save");
    EXPECT_EQ(settings.saveChoice, Choice::No);
    EXPECT_EQ(readBytes(path), "old");
    EXPECT_EQ(run.console, "");
}

TEST(SaveResults, SaveOverwriteAndYesToAllReplaceWithoutQuestion)
{
    for (int variant = 0; variant < 2; ++variant) {
        TempDirectory dir;
        const std::string path = dir.file("existing.kvdresult");
        writeBytes(path, "old");
        RunSettings settings;
        settings.saveChoice = Choice::Yes;
        settings.saveFileName = path;
        if (variant == 0)
            settings.saveOverwrite = true;  // "-so"
        else
            settings.yesToAll = true;  // "-y"
        ScriptedPrompts prompts;
        save(settings, prompts);
        EXPECT_TRUE(prompts.asked.empty()) << variant;
        EXPECT_EQ(readBytes(path), stored(kTranscript)) << variant;
    }
}

TEST(SaveResults, NoChoiceDoesNothing)
{
    TempDirectory dir;
    CurrentDirectory inside(dir.path());
    RunSettings settings;
    settings.saveChoice = Choice::No;
    settings.yesToAll = true;
    ScriptedPrompts prompts;
    SaveRun run = save(settings, prompts);
    EXPECT_TRUE(prompts.asked.empty());
    EXPECT_EQ(run.console, "");
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

TEST(SaveResults, UncreatableFileIsAFatalTextError)
{
    TempDirectory dir;
    RunSettings settings;
    settings.saveChoice = Choice::Yes;
    settings.saveFileName = dir.file("no-such-folder/result.kvdresult");
    ScriptedPrompts prompts;
    SaveRun run = save(settings, prompts);
    EXPECT_EQ(run.error, "ERROR: Could not create output file to save results");
    EXPECT_EQ(run.console, "");
}

TEST(SaveResults, DirectoryOfThatNameWithOverwriteIsAFatalTextError)
{
    TempDirectory dir;
    std::filesystem::create_directory(dir.path() / "taken");
    RunSettings settings;
    settings.saveChoice = Choice::Yes;
    settings.saveFileName = dir.file("taken");
    settings.saveOverwrite = true;
    ScriptedPrompts prompts;
    SaveRun run = save(settings, prompts);
    EXPECT_EQ(run.error, "ERROR: Could not create output file to save results");
    EXPECT_TRUE(std::filesystem::is_directory(dir.path() / "taken"));
}

#ifndef _WIN32
TEST(SaveResults, FailedWriteIsNotReportedAsSaved)
{
    if (!std::filesystem::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full here";
    RunSettings settings;
    settings.saveChoice = Choice::Yes;
    settings.saveFileName = "/dev/full";
    settings.saveOverwrite = true;
    ScriptedPrompts prompts;
    SaveRun run = save(settings, prompts);
    EXPECT_EQ(run.error, "ERROR: Could not create output file to save results");
    EXPECT_EQ(run.console, "");
}
#endif

} // namespace
