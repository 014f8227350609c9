#include "ScriptedPrompts.h"

#include <gtest/gtest.h>

namespace apptest {

bool ScriptedPrompts::nextAnswer()
{
    if (answers.empty()) {
        ADD_FAILURE() << "a question was asked that the script did not expect: "
                      << asked.back().text;
        return false;
    }
    const bool answer = answers.front();
    answers.pop_front();
    return answer;
}

bool ScriptedPrompts::askYesNo(const std::string& caption, const std::string& text)
{
    asked.push_back({"yesno", caption, text, std::nullopt, std::nullopt});
    return nextAnswer();
}

bool ScriptedPrompts::askQuestion(const std::optional<std::string>& yesLabel,
                                  const std::optional<std::string>& noLabel,
                                  const std::string& caption, const std::string& text)
{
    asked.push_back({"question", caption, text, yesLabel, noLabel});
    return nextAnswer();
}

std::string ScriptedPrompts::chooseSaveFile(const std::string& proposedName)
{
    asked.push_back({"save", "", proposedName, std::nullopt, std::nullopt});
    if (savePaths.empty()) {
        ADD_FAILURE() << "the save dialog was shown unexpectedly for " << proposedName;
        return std::string();
    }
    std::string path = savePaths.front();
    savePaths.pop_front();
    return path;
}

void ScriptedPrompts::askLoginDenied(const std::string& caption, const std::string& downloadPageURL)
{
    asked.push_back({"logindenied", caption, downloadPageURL, std::nullopt, std::nullopt});
}

std::string ScriptedPrompts::kinds() const
{
    std::string joined;
    for (const Question& q : asked) {
        if (!joined.empty())
            joined += ",";
        joined += q.kind;
    }
    return joined;
}

} // namespace apptest
