#include "app/MessageBoxPrompts.h"

#include <gtest/gtest.h>

#include <future>
#include <thread>

#include "WinTestSupport.h"

namespace {

using namespace apptest;

constexpr int kMessageTextId = 0xFFFF;  // the static text control of a message box

struct SeenBox {
    bool found = false;
    std::string yes;
    std::string no;
    std::string text;
};

// On a second thread: waits for the box with that caption, reads its buttons and text, and
// presses the button `press` (IDYES or IDNO).
std::future<SeenBox> answerBox(const std::string& caption, int press)
{
    return std::async(std::launch::async, [caption, press] {
        SeenBox seen;
        HWND box = findWindow(caption);
        if (!box)
            return seen;
        seen.found = true;
        seen.yes = itemText(box, IDYES);
        seen.no = itemText(box, IDNO);
        seen.text = itemText(box, kMessageTextId);
        SendMessageA(GetDlgItem(box, press), BM_CLICK, 0, 0);
        return seen;
    });
}

class MessageBoxTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Message boxes need a display; without one there is nothing to test here.
        if (GetSystemMetrics(SM_CXSCREEN) <= 0)
            GTEST_SKIP() << "no display for message boxes";
    }
};

TEST_F(MessageBoxTest, RelabelsExactlyOneBox)
{
    auto first = answerBox("Korvid relabel test 1", IDYES);
    EXPECT_TRUE(askQuestion(std::string("Continue"), std::string("Cancel"),
                            "Korvid relabel test 1", "First question"));
    const SeenBox one = first.get();
    ASSERT_TRUE(one.found);
    EXPECT_EQ(one.yes, "Continue");
    EXPECT_EQ(one.no, "Cancel");
    EXPECT_EQ(one.text, "First question");

    // The next box shows the system's own labels again.
    auto second = answerBox("Korvid relabel test 2", IDNO);
    EXPECT_FALSE(askQuestion(std::nullopt, std::nullopt, "Korvid relabel test 2", "Second"));
    const SeenBox two = second.get();
    ASSERT_TRUE(two.found);
    EXPECT_EQ(two.yes, "&Yes");
    EXPECT_EQ(two.no, "&No");
}

TEST_F(MessageBoxTest, OneLabelLeavesTheOtherButton)
{
    auto box = answerBox("Korvid relabel test 3", IDNO);
    EXPECT_FALSE(askQuestion(std::string("Go on"), std::nullopt, "Korvid relabel test 3", "?"));
    const SeenBox seen = box.get();
    ASSERT_TRUE(seen.found);
    EXPECT_EQ(seen.yes, "Go on");
    EXPECT_EQ(seen.no, "&No");

    MessageBoxPrompts prompts;
    auto plain = answerBox("Korvid plain box", IDYES);
    EXPECT_TRUE(prompts.askYesNo("Korvid plain box", "Save the results to disk?"));
    const SeenBox after = plain.get();
    ASSERT_TRUE(after.found);
    EXPECT_EQ(after.yes, "&Yes");
    EXPECT_EQ(after.no, "&No");
    EXPECT_EQ(after.text, "Save the results to disk?");
}

TEST_F(MessageBoxTest, LoginDeniedQuestionNoOpensNothing)
{
    MessageBoxPrompts prompts;
    auto box = answerBox("Korvid login test", IDNO);
    // With No nothing may be opened: the URL would fail loudly if the shell were asked.
    prompts.askLoginDenied("Korvid login test", "http://results.test/Benchmark/Korvid/Downloads");
    const SeenBox seen = box.get();
    ASSERT_TRUE(seen.found);
    EXPECT_EQ(seen.text, "The server login denied. This client could be obsolete. Visit the "
                         "download page to check for updates?");
    EXPECT_EQ(seen.yes, "&Yes");
}

TEST_F(MessageBoxTest, LoginDeniedQuestionYesOpensTheDownloadPage)
{
    char directory[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, directory);
    const std::string record = std::string(directory) + "korvid-login-record-" +
                               std::to_string(GetCurrentProcessId()) + ".txt";
    DeleteFileA(record.c_str());
    SetEnvironmentVariableA("KORVID_BROWSER_RECORD", record.c_str());
    ScopedUserKey key(openWithListKey("htm"));
    ASSERT_TRUE(key.setText("a", programDirectory() + "korvid_test_browser.exe"));
    ASSERT_TRUE(key.setText("MRUList", "a"));

    MessageBoxPrompts prompts;
    auto box = answerBox("Korvid login test 2", IDYES);
    prompts.askLoginDenied("Korvid login test 2",
                           "http://results.test/Benchmark/Korvid/Downloads");
    ASSERT_TRUE(box.get().found);
    bool opened = waitFor([&] {
        return GetFileAttributesA(record.c_str()) != INVALID_FILE_ATTRIBUTES;
    });
    EXPECT_TRUE(opened);
    SetEnvironmentVariableA("KORVID_BROWSER_RECORD", nullptr);
    Sleep(200);
    DeleteFileA(record.c_str());
}

} // namespace
