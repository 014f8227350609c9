#include "app/ResultFile.h"

#include <cstdio>

#include "app/Prompts.h"
#include "client/LocalFile.h"

std::string makeResultFileDate(const LocalDateTime& time)
{
    char text[80];
    std::snprintf(text, sizeof text, "%d-%02d-%02d_%02d-%02d-%02d", time.year, time.month,
                  time.day, time.hour, time.minute, time.second);
    return text;
}

void sanitizeFileName(std::string& name)
{
    for (char& c : name) {
        switch (c) {
        case '/': case '\\': case '*': case '#': case ':':
        case ';': case '|': case '^': case '<': case '>':
            c = '_';
            break;
        default:
            break;
        }
    }
}

std::string makeDefaultResultFileName(const std::string& cardName, const LocalDateTime& time)
{
    std::string name = cardName + "__" + makeResultFileDate(time) + ".kvdresult";
    sanitizeFileName(name);
    return name;
}

bool pathExists(const std::string& path)
{
    return localFileExists(path);
}

namespace {

// The dialog's answer, recorded as the settings keep it: a cancel means no file.
void askForFileName(RunSettings& settings, Prompts& prompts)
{
    settings.saveFileName = prompts.chooseSaveFile(settings.saveFileName);
    if (settings.saveFileName.empty())
        settings.saveChoice = Choice::No;
}

void writeResultFile(const std::string& path, const std::string& transcript)
{
    const char* const error = "ERROR: Could not create output file to save results";
    // Text mode: the file gets the platform's line ends (CRLF on Windows).
    LocalFileHandle file = openLocalFile(path, "w");
    if (!file)
        throw std::string(error);
    const bool written = std::fwrite(transcript.data(), 1, transcript.size(), file.get()) ==
                             transcript.size() &&
                         std::fputc('\n', file.get()) != EOF;
    // A full disk or a failing device must not be reported as saved.
    if (std::fclose(file.release()) != 0 || !written)
        throw std::string(error);
}

} // namespace

void saveResults(RunSettings& settings, const std::string& transcript,
                 const std::string& cardName, const LocalDateTime& now, Prompts& prompts,
                 std::ostream& console)
{
    if (settings.saveChoice == Choice::Ask) {
        if (settings.yesToAll || prompts.askYesNo("Korvid", "Save the results to disk?"))
            settings.saveChoice = Choice::Yes;
        else
            return;
    }
    if (settings.saveChoice == Choice::No)
        return;

    // A name from the command line is used as given; only the default name is sanitised.
    if (settings.saveFileName.empty()) {
        // The card's name is a system text; the file name a local path.
        settings.saveFileName = localPathFromSystemText(makeDefaultResultFileName(cardName, now));
        if (!settings.yesToAll)
            askForFileName(settings, prompts);
    }

    for (;;) {
        if (!pathExists(settings.saveFileName)) {
            if (settings.saveChoice != Choice::Yes)
                return;
            break;
        }
        if (settings.saveChoice != Choice::Yes)
            return;
        if (settings.saveOverwrite || settings.yesToAll)
            break;
        if (prompts.askQuestion(std::nullopt, std::nullopt, "Overwrite File?",
                                "File " + systemTextFromLocalPath(settings.saveFileName) +
                                    "exists. Overwrite?"))
            break;
        askForFileName(settings, prompts);
    }

    writeResultFile(settings.saveFileName, transcript);
    console << "Saved the results to " << systemTextFromLocalPath(settings.saveFileName)
            << std::endl;
}
