#pragma once

#include <string>

#include "app/Prompts.h"

// The program the user most recently chose to open files with this extension (from the
// Explorer's OpenWithList of the current user), or empty text.
std::string mostRecentProgramFor(const std::string& extension);

// Opens the URL with the most recent HTML program, or with the shell's handler for the URL
// when there is none. True when the shell started something.
bool openWebPage(const std::string& url);

class ShellWebPageOpener : public WebPageOpener {
public:
    bool openWebPage(const std::string& url) override { return ::openWebPage(url); }
};
