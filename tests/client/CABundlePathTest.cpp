#include <string>

#include <gtest/gtest.h>

#include "client/ProgramPath.h"

TEST(CABundlePath, BesideTheProgramFile)
{
    EXPECT_EQ("C:\\Program Files\\Korvid\\curl-ca-bundle.crt",
              caBundlePathFor("C:\\Program Files\\Korvid\\korvid.exe", '\\'));
    EXPECT_EQ("Z:\\curl-ca-bundle.crt", caBundlePathFor("Z:\\korvid.exe", '\\'));
    EXPECT_EQ("/opt/korvid/bin/curl-ca-bundle.crt", caBundlePathFor("/opt/korvid/bin/korvid", '/'));
}

TEST(CABundlePath, PathWithoutSeparatorIsKeptWhole)
{
    EXPECT_EQ("korvid.exe\\curl-ca-bundle.crt", caBundlePathFor("korvid.exe", '\\'));
    // Forward slashes are not the Windows separator here.
    EXPECT_EQ("C:/x/korvid.exe\\curl-ca-bundle.crt", caBundlePathFor("C:/x/korvid.exe", '\\'));
}

TEST(ProgramPath, NamesThisTestProgram)
{
    const std::string path = programFilePath();
    ASSERT_FALSE(path.empty());
    const std::string::size_type cut = path.rfind(programPathSeparator());
    ASSERT_NE(std::string::npos, cut);
    const std::string file = path.substr(cut + 1);
    EXPECT_EQ(0u, file.find("korvid_tests")) << path;
#ifdef _WIN32
    EXPECT_EQ('\\', programPathSeparator());
    EXPECT_EQ(":\\", path.substr(1, 2)) << path;
    EXPECT_EQ(".exe", path.substr(path.size() - 4)) << path;
#else
    EXPECT_EQ('/', programPathSeparator());
    EXPECT_EQ('/', path[0]) << path;
#endif
}
