#pragma once

#include "app/Prompts.h"
#include "app/RunEnvironment.h"

// The run's platform pieces for a build without Win32 (the native build): questions are asked
// on the console, and process priorities are left alone.
class ConsoleRunPlatform : public RunPlatform {
public:
    void setConsoleTitle(const std::string& title) override;
    void pinThreadToFirstProcessor() override;
    Priorities raisePriorities() override;
    void restorePriorities(const Priorities& previous) override;
    uint64_t measureClockGranularity() override;
    LocalDateTime localDateTime() override;
    void waitForEnter() override;
};

// Yes/No questions answered with a line on standard input ("y" or "yes" for the first button).
class ConsolePrompts : public Prompts {
public:
    bool askYesNo(const std::string& caption, const std::string& text) override;
    bool askQuestion(const std::optional<std::string>& yesLabel,
                     const std::optional<std::string>& noLabel, const std::string& caption,
                     const std::string& text) override;
    std::string chooseSaveFile(const std::string& proposedName) override;
    void askLoginDenied(const std::string& caption, const std::string& downloadPageURL) override;
};

// Without a shell to hand the URL to, no page can be opened; the run says so.
class ConsoleWebPageOpener : public WebPageOpener {
public:
    bool openWebPage(const std::string& url) override;
};
