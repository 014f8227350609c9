#pragma once

#include <string>

// The question shown when the results server refuses this client's login. The application
// implements it with a message box that opens the download page on "Yes"; tests script it.
class LoginDeniedPrompt {
public:
    virtual ~LoginDeniedPrompt();
    virtual void askLoginDenied(const std::string& caption, const std::string& downloadPageURL) = 0;
};
