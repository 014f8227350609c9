#include "app/MessageBoxPrompts.h"

#include <gtest/gtest.h>

#include <future>

#include "WinTestSupport.h"

namespace {

using namespace apptest;

const char* const kDialogTitle = "Choose a filename to save the results to";
constexpr int kFileNameCombo = 0x47C;  // cmb13 of the explorer-style dialog
constexpr int kFileNameEdit = 0x480;   // edt1 of the old-style dialog

struct SeenDialog {
    bool found = false;
    std::string proposed;
};

// On a second thread: waits for the save dialog, reads the proposed name, then either types
// `answer` and presses OK, or cancels when answer is empty.
std::future<SeenDialog> answerDialog(const std::string& answer)
{
    return std::async(std::launch::async, [answer] {
        SeenDialog seen;
        HWND dialog = findWindow(kDialogTitle);
        if (!dialog)
            return seen;
        seen.found = true;
        // Wine fills the dialog's folder list after showing it; closing it before that has
        // finished can end the process with an X error.
        Sleep(700);
        const int field = GetDlgItem(dialog, kFileNameCombo) ? kFileNameCombo : kFileNameEdit;
        seen.proposed = itemText(dialog, field);
        if (answer.empty()) {
            SendMessageA(GetDlgItem(dialog, IDCANCEL), BM_CLICK, 0, 0);
        } else {
            SetDlgItemTextA(dialog, field, answer.c_str());
            SendMessageA(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
        }
        return seen;
    });
}

class SaveDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (GetSystemMetrics(SM_CXSCREEN) <= 0)
            GTEST_SKIP() << "no display for the save dialog";
    }
};

// One dialog per test program: in a Wine prefix whose other processes hold windows, a second
// save dialog in the same process has been seen to end it with an X error (BadWindow).
TEST_F(SaveDialogTest, ProposesTheNameAndReturnsTheChosenPath)
{
    char directory[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, directory);
    const std::string chosen = std::string(directory) + "korvid chosen result.kvdresult";
    DeleteFileA(chosen.c_str());

    auto dialog = answerDialog(chosen);
    const std::string path = chooseSaveFile("Example Card__2013-01-02_14-03-09.kvdresult");
    const SeenDialog seen = dialog.get();
    ASSERT_TRUE(seen.found);
    EXPECT_EQ(seen.proposed, "Example Card__2013-01-02_14-03-09.kvdresult");
    EXPECT_EQ(path, chosen);
}

} // namespace
