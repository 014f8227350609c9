#include "app/ConsolePlatform.h"

#include <ctime>
#include <iostream>

#include "app/ClockGranularity.h"

void ConsoleRunPlatform::setConsoleTitle(const std::string& /*title*/) {}

void ConsoleRunPlatform::pinThreadToFirstProcessor() {}

RunPlatform::Priorities ConsoleRunPlatform::raisePriorities()
{
    return Priorities();
}

void ConsoleRunPlatform::restorePriorities(const Priorities& /*previous*/) {}

uint64_t ConsoleRunPlatform::measureClockGranularity()
{
    return ::measureClockGranularity();
}

LocalDateTime ConsoleRunPlatform::localDateTime()
{
    const std::time_t now = std::time(nullptr);
    std::tm parts = *std::localtime(&now);
    LocalDateTime time;
    time.year = parts.tm_year + 1900;
    time.month = parts.tm_mon + 1;
    time.day = parts.tm_mday;
    time.hour = parts.tm_hour;
    time.minute = parts.tm_min;
    time.second = parts.tm_sec;
    return time;
}

void ConsoleRunPlatform::waitForEnter()
{
    std::cin.get();
}

namespace {

bool askOnConsole(const std::string& caption, const std::string& text, const std::string& yes,
                  const std::string& no)
{
    std::cout << caption << ": " << text << " [" << yes << "/" << no << "] " << std::flush;
    std::string answer;
    if (!std::getline(std::cin, answer))
        return false;
    return answer == "y" || answer == "Y" || answer == "yes" || answer == yes;
}

} // namespace

bool ConsolePrompts::askYesNo(const std::string& caption, const std::string& text)
{
    return askOnConsole(caption, text, "y", "n");
}

bool ConsolePrompts::askQuestion(const std::optional<std::string>& yesLabel,
                                 const std::optional<std::string>& noLabel,
                                 const std::string& caption, const std::string& text)
{
    return askOnConsole(caption, text, yesLabel.value_or("y"), noLabel.value_or("n"));
}

std::string ConsolePrompts::chooseSaveFile(const std::string& proposedName)
{
    std::cout << "Save the results as [" << proposedName << "]: " << std::flush;
    std::string answer;
    if (!std::getline(std::cin, answer))
        return std::string();
    return answer.empty() ? proposedName : answer;
}

void ConsolePrompts::askLoginDenied(const std::string& caption,
                                    const std::string& downloadPageURL)
{
    ConsoleWebPageOpener opener;
    if (askYesNo(caption, "The server login denied. This client could be obsolete. Visit the "
                          "download page to check for updates?"))
        opener.openWebPage(downloadPageURL);
}

bool ConsoleWebPageOpener::openWebPage(const std::string& /*url*/)
{
    return false;
}
