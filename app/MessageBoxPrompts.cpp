#include "app/MessageBoxPrompts.h"

#include <windows.h>
#include <commdlg.h>

#include <algorithm>
#include <cstring>

#include "app/WebPage.h"
#include "client/WideText.h"

namespace {

constexpr UINT kQuestionStyle = MB_ICONQUESTION | MB_YESNO;

// The labels for the next message box, kept by askQuestion for its hook. Only the process's
// single thread asks questions.
std::optional<std::string> yesButtonLabel;
std::optional<std::string> noButtonLabel;
HHOOK buttonHook = nullptr;

// Relabels the buttons when the box is about to be activated, then removes itself, so exactly
// one message box is changed.
LRESULT CALLBACK relabelButtonsHook(int code, WPARAM value, LPARAM /*detail*/)
{
    if (code == HCBT_ACTIVATE) {
        HWND box = reinterpret_cast<HWND>(value);
        if (yesButtonLabel)
            SetDlgItemTextA(box, IDYES, yesButtonLabel->c_str());
        if (noButtonLabel)
            SetDlgItemTextA(box, IDNO, noButtonLabel->c_str());
        UnhookWindowsHookEx(buttonHook);
        buttonHook = nullptr;
    }
    return 0;
}

bool showQuestionBox(const std::string& caption, const std::string& text)
{
    return MessageBoxA(nullptr, text.c_str(), caption.c_str(), kQuestionStyle) == IDYES;
}

} // namespace

bool askQuestion(const std::optional<std::string>& yesLabel,
                 const std::optional<std::string>& noLabel, const std::string& caption,
                 const std::string& text)
{
    if (yesLabel || noLabel) {
        yesButtonLabel = yesLabel;
        noButtonLabel = noLabel;
        buttonHook = SetWindowsHookExA(WH_CBT, relabelButtonsHook, nullptr, GetCurrentThreadId());
    }
    const bool yes = showQuestionBox(caption, text);
    // A box that never became active (it could not be created) must not leave the hook behind
    // for the next, unrelated box.
    if (buttonHook) {
        UnhookWindowsHookEx(buttonHook);
        buttonHook = nullptr;
    }
    return yes;
}

void askLoginDenied(const std::string& caption, const std::string& downloadPageURL)
{
    if (showQuestionBox(caption, "The server login denied. This client could be obsolete. "
                                 "Visit the download page to check for updates?"))
        openWebPage(downloadPageURL);
}

std::string chooseSaveFile(const std::string& proposedName)
{
    // The wide-character dialog: its answer is a local path in any folder, also one the ANSI
    // code page cannot spell.
    wchar_t fileName[2048] = {};
    const std::wstring proposed = wideFromCodePage(proposedName, CP_UTF8);
    proposed.copy(fileName, std::min<size_t>(proposed.size(), 2047));

    OPENFILENAMEW dialog = {};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = nullptr;
    dialog.lpstrFilter = L"All\0\0";
    dialog.nFilterIndex = 0;
    dialog.lpstrFile = fileName;
    dialog.nMaxFile = sizeof fileName / sizeof fileName[0];
    dialog.lpstrFileTitle = nullptr;
    dialog.lpstrInitialDir = nullptr;
    dialog.lpstrTitle = L"Choose a filename to save the results to";
    dialog.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST;
    if (!GetSaveFileNameW(&dialog))
        return std::string();
    return codePageFromWide(fileName, CP_UTF8);
}

bool MessageBoxPrompts::askYesNo(const std::string& caption, const std::string& text)
{
    return showQuestionBox(caption, text);
}

bool MessageBoxPrompts::askQuestion(const std::optional<std::string>& yesLabel,
                                    const std::optional<std::string>& noLabel,
                                    const std::string& caption, const std::string& text)
{
    return ::askQuestion(yesLabel, noLabel, caption, text);
}

std::string MessageBoxPrompts::chooseSaveFile(const std::string& proposedName)
{
    return ::chooseSaveFile(proposedName);
}

void MessageBoxPrompts::askLoginDenied(const std::string& caption,
                                       const std::string& downloadPageURL)
{
    ::askLoginDenied(caption, downloadPageURL);
}
