#pragma once

#include <optional>
#include <string>

#include "client/LoginDeniedPrompt.h"

// Every question the program asks the user. The Windows implementation shows modal message
// boxes and the save dialog; tests script the answers. Callers handle yesToAll themselves (the
// login-denied question is shown even then).
class Prompts : public LoginDeniedPrompt {
public:
    ~Prompts() override = default;

    // A plain Yes/No box with a question icon. True only for Yes.
    virtual bool askYesNo(const std::string& caption, const std::string& text) = 0;

    // A Yes/No box whose buttons may carry other labels for this one question. True only for
    // the first button.
    virtual bool askQuestion(const std::optional<std::string>& yesLabel,
                             const std::optional<std::string>& noLabel,
                             const std::string& caption, const std::string& text) = 0;

    // The save dialog, proposing proposedName. The chosen path, or empty when cancelled.
    virtual std::string chooseSaveFile(const std::string& proposedName) = 0;

    // askLoginDenied(caption, downloadPageURL) from LoginDeniedPrompt: asks whether to visit
    // the download page and opens it on Yes.
};

// Opens a web page in the user's browser; true when something was started.
class WebPageOpener {
public:
    virtual ~WebPageOpener() = default;
    virtual bool openWebPage(const std::string& url) = 0;
};
