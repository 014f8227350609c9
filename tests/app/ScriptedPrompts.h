#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "app/Prompts.h"

// Helpers of the application driver's tests.
namespace apptest {

// Prompts answered from a script, recording every question in the order asked.
class ScriptedPrompts : public Prompts {
public:
    struct Question {
        std::string kind;  // "yesno", "question", "save", "logindenied"
        std::string caption;
        std::string text;  // for "save": the proposed name; for "logindenied": the URL
        std::optional<std::string> yesLabel;
        std::optional<std::string> noLabel;
    };

    // Answers for the yes/no kinds, taken in order; running out fails the test.
    std::deque<bool> answers;
    // Answers of the save dialog, taken in order; running out fails the test.
    std::deque<std::string> savePaths;
    std::vector<Question> asked;

    bool askYesNo(const std::string& caption, const std::string& text) override;
    bool askQuestion(const std::optional<std::string>& yesLabel,
                     const std::optional<std::string>& noLabel, const std::string& caption,
                     const std::string& text) override;
    std::string chooseSaveFile(const std::string& proposedName) override;
    void askLoginDenied(const std::string& caption, const std::string& downloadPageURL) override;

    // The kinds asked, joined with ",", for quick comparisons.
    std::string kinds() const;

private:
    bool nextAnswer();
};

// Records the pages it was asked to open.
class RecordingWebPageOpener : public WebPageOpener {
public:
    bool result = true;
    std::vector<std::string> opened;
    bool openWebPage(const std::string& url) override
    {
        opened.push_back(url);
        return result;
    }
};

} // namespace apptest
