#pragma once

#include <optional>
#include <string>

#include "app/Prompts.h"

// The questions as Windows message boxes (question icon, Yes and No) and the common save
// dialog. Everything runs modally on the calling thread.
class MessageBoxPrompts : public Prompts {
public:
    bool askYesNo(const std::string& caption, const std::string& text) override;
    bool askQuestion(const std::optional<std::string>& yesLabel,
                     const std::optional<std::string>& noLabel, const std::string& caption,
                     const std::string& text) override;
    std::string chooseSaveFile(const std::string& proposedName) override;
    void askLoginDenied(const std::string& caption, const std::string& downloadPageURL) override;
};

// The same operations as free functions, for callers without a Prompts object.

// A Yes/No box whose two buttons carry the given labels (a missing one keeps the system's text)
// for this one box only. True for the first button.
bool askQuestion(const std::optional<std::string>& yesLabel,
                 const std::optional<std::string>& noLabel, const std::string& caption,
                 const std::string& text);

// The login-denied question; opens the download page on Yes.
void askLoginDenied(const std::string& caption, const std::string& downloadPageURL);

// The save dialog proposing proposedName (a local path, at most 2047 characters of it). The
// chosen local path, or empty text when the user cancels.
std::string chooseSaveFile(const std::string& proposedName);
