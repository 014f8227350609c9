#include "app/ResultFile.h"

#include <sys/stat.h>

#include <cstdio>
#include <fstream>

#include "app/Prompts.h"

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
    struct stat info;
    return ::stat(path.c_str(), &info) == 0;
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
    std::ofstream file(path, std::ios::out | std::ios::trunc);
    if (!file.is_open())
        throw std::string(error);
    file << transcript << '\n';
    file.close();
    // A full disk or a failing device must not be reported as saved.
    if (file.fail())
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
        settings.saveFileName = makeDefaultResultFileName(cardName, now);
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
                                "File " + settings.saveFileName + "exists. Overwrite?"))
            break;
        askForFileName(settings, prompts);
    }

    writeResultFile(settings.saveFileName, transcript);
    console << "Saved the results to " << settings.saveFileName << std::endl;
}
