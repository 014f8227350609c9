#include "app/WebPage.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "WinTestSupport.h"

namespace {

using namespace apptest;

std::string readText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The recording browser built beside the tests, and the file it writes to.
class RecordingBrowserTest : public ::testing::Test {
protected:
    std::string browser = programDirectory() + "korvid_test_browser.exe";
    std::string record;

    void SetUp() override
    {
        char directory[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, directory);
        record = std::string(directory) + "korvid-browser-record-" +
                 std::to_string(GetCurrentProcessId()) + ".txt";
        std::remove(record.c_str());
        SetEnvironmentVariableA("KORVID_BROWSER_RECORD", record.c_str());
        ASSERT_NE(GetFileAttributesA(browser.c_str()), INVALID_FILE_ATTRIBUTES)
            << "the recording browser is built with the tests: " << browser;
    }
    void TearDown() override
    {
        SetEnvironmentVariableA("KORVID_BROWSER_RECORD", nullptr);
        std::remove(record.c_str());
    }

    // What the browser recorded, once it has finished writing.
    std::string recorded()
    {
        std::string text;
        waitFor([&] {
            text = readText(record);
            return text.find("end\n") != std::string::npos;
        });
        return text;
    }
};

// The made-up extension's whole key, removed after each test.
std::string testExtensionKey()
{
    return "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.kvdtest";
}

TEST(MostRecentProgram, ReadsTheFirstEntryOfTheMRUList)
{
    ScopedUserKey extension(testExtensionKey());
    ScopedUserKey key(openWithListKey("kvdtest"));
    ASSERT_TRUE(key.setText("a", "C:\\Programs\\first.exe"));
    ASSERT_TRUE(key.setText("b", "C:\\Programs\\second browser.exe"));
    ASSERT_TRUE(key.setText("MRUList", "ba"));
    EXPECT_EQ(mostRecentProgramFor("kvdtest"), "C:\\Programs\\second browser.exe");
    ASSERT_TRUE(key.setText("MRUList", "ab"));
    EXPECT_EQ(mostRecentProgramFor("kvdtest"), "C:\\Programs\\first.exe");
}

TEST(MostRecentProgram, EmptyWithoutAUsableEntry)
{
    ScopedUserKey extension(testExtensionKey());
    ScopedUserKey key(openWithListKey("kvdtest"));
    EXPECT_EQ(mostRecentProgramFor("kvdtest"), "");  // no key at all
    ASSERT_TRUE(key.create());
    EXPECT_EQ(mostRecentProgramFor("kvdtest"), "");  // no MRUList
    ASSERT_TRUE(key.setText("MRUList", "c"));
    EXPECT_EQ(mostRecentProgramFor("kvdtest"), "");  // the entry it names is missing
    ASSERT_TRUE(key.setText("MRUList", ""));
    ASSERT_TRUE(key.setText("", "C:\\default value must not count.exe"));
    EXPECT_EQ(mostRecentProgramFor("kvdtest"), "");  // an empty list names nothing
}

TEST_F(RecordingBrowserTest, OpenWebPageStartsTheRecordedProgramWithTheURL)
{
    ScopedUserKey key(openWithListKey("htm"));
    ASSERT_TRUE(key.setText("a", browser));
    ASSERT_TRUE(key.setText("MRUList", "a"));
    const std::string url = "http://results.test/Benchmark/Korvid/Result/42";
    EXPECT_TRUE(openWebPage(url));
    const std::string text = recorded();
    EXPECT_NE(text.find("arg " + url + "\n"), std::string::npos) << text;
    // The URL is the program's only argument.
    EXPECT_EQ(text.find("arg "), text.rfind("arg ")) << text;
}

TEST_F(RecordingBrowserTest, ProgramThatCannotStartFailsWithoutSecondTry)
{
    ScopedUserKey key(openWithListKey("htm"));
    ASSERT_TRUE(key.setText("a", "C:\\no such folder\\no such browser.exe"));
    ASSERT_TRUE(key.setText("MRUList", "a"));
    EXPECT_FALSE(openWebPage("http://results.test/Benchmark/Korvid/Result/1"));
}

} // namespace
