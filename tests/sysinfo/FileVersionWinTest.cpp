#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <string>

#include "sysinfo/FileVersion.h"

TEST(FileVersionWin, ReadsASystemLibraryByItsBareName)
{
    uint32_t major = 0, minor = 0, build = 0, revision = 0;
    ASSERT_TRUE(getFileVersion("kernel32.dll", &major, &minor, &build, &revision));
    EXPECT_GE(major, 5u);
    EXPECT_LE(major, 0xFFFFu);
    EXPECT_LE(minor, 0xFFFFu);
    EXPECT_LE(build, 0xFFFFu);
    EXPECT_LE(revision, 0xFFFFu);

    // The same numbers through the full path, and the result alone without references.
    char system[MAX_PATH] = {};
    ASSERT_GT(GetSystemDirectoryA(system, MAX_PATH), 0u);
    uint32_t major2 = 0, minor2 = 0, build2 = 0, revision2 = 0;
    ASSERT_TRUE(getFileVersion(std::string(system) + "\\kernel32.dll", &major2, &minor2, &build2,
                               &revision2));
    EXPECT_EQ(major2, major);
    EXPECT_EQ(minor2, minor);
    EXPECT_EQ(build2, build);
    EXPECT_EQ(revision2, revision);
    EXPECT_TRUE(getFileVersion("kernel32.dll"));
}

TEST(FileVersionWin, WritesOnlyTheNumbersAskedFor)
{
    uint32_t major = 0, build = 0;
    ASSERT_TRUE(getFileVersion("gdi32.dll", &major, nullptr, &build, nullptr));
    EXPECT_NE(major, 0u);
    uint32_t fullMajor = 0, minor = 0, fullBuild = 0, revision = 0;
    ASSERT_TRUE(getFileVersion("gdi32.dll", &fullMajor, &minor, &fullBuild, &revision));
    EXPECT_EQ(major, fullMajor);
    EXPECT_EQ(build, fullBuild);
}

TEST(FileVersionWin, MissingFileLeavesTheNumbersAlone)
{
    uint32_t major = 7, minor = 7, build = 7, revision = 7;
    EXPECT_FALSE(getFileVersion("korvid-no-such-library.dll", &major, &minor, &build, &revision));
    EXPECT_EQ(major, 7u);
    EXPECT_EQ(minor, 7u);
    EXPECT_EQ(build, 7u);
    EXPECT_EQ(revision, 7u);
    EXPECT_FALSE(getFileVersion("korvid-no-such-library.dll"));
    EXPECT_FALSE(getFileVersion(""));
}

TEST(FileVersionWin, FileWithoutVersionResourceIsNotAnError)
{
    char dir[MAX_PATH] = {};
    ASSERT_GT(GetTempPathA(MAX_PATH, dir), 0u);
    const std::string path = std::string(dir) + "korvid-version-test.dll";
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fputs("not a library", f);
    std::fclose(f);
    uint32_t major = 3;
    EXPECT_FALSE(getFileVersion(path, &major));
    EXPECT_EQ(major, 3u);
    std::remove(path.c_str());
}
