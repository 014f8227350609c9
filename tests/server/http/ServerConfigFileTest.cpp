#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "server/http/ServerConfigFile.h"
#include "tests/app/TempDirectory.h"

namespace {

// The entries as "line:name=value" lines, or the error's text.
std::string read(const std::string& content)
{
    apptest::TempDirectory folder;
    const std::string path = folder.file("korvid-server.conf");
    std::ofstream(path, std::ios::binary) << content;
    std::string text;
    try {
        for (const ConfigEntry& entry : readConfigFile(path))
            text += std::to_string(entry.line) + ":" + entry.name + "=" + entry.value + "\n";
    } catch (const std::runtime_error& error) {
        std::string message = error.what();
        const std::size_t at = message.find(path);
        if (at != std::string::npos)
            message.replace(at, path.size(), "FILE");
        return message;
    }
    return text;
}

} // namespace

TEST(ServerConfigFileTest, ReadsNameValueLines)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"", ""},
        {"# only a comment\n\n   \n\t# indented comment\n", ""},
        {"database = sqlite:/var/lib/korvid-server/korvid-results.db\n",
         "1:database=sqlite:/var/lib/korvid-server/korvid-results.db\n"},
        // Blanks around go, blanks inside stay; "=" and "#" inside a value are the value's.
        {"  threads=4\npackages =  /srv/korvid packages  \n",
         "1:threads=4\n2:packages=/srv/korvid packages\n"},
        {"database = postgresql://korvid:pa#ss=word@db/korvid?sslmode=require\n",
         "1:database=postgresql://korvid:pa#ss=word@db/korvid?sslmode=require\n"},
        // Repeated options come in order, each with its line; CRLF line ends and a last line
        // without one are read alike.
        {"http = 127.0.0.1:8080\r\n# second listener\r\nhttp = [::1]:8080",
         "1:http=127.0.0.1:8080\n3:http=[::1]:8080\n"},
        {"max-body = 2048\n", "1:max-body=2048\n"},
    };
    for (const auto& [content, expected] : cases)
        EXPECT_EQ(expected, read(content)) << content;
}

TEST(ServerConfigFileTest, RefusesWhatIsNoOptionLineNamingFileAndLine)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"threads 4\n", "FILE:1: expected \"name = value\", not \"threads 4\""},
        {"# fine\n--threads = 4\n",
         "FILE:2: \"--threads\" is no option name (lower-case letters, digits and -, without the "
         "leading --)"},
        {"Threads = 4\n",
         "FILE:1: \"Threads\" is no option name (lower-case letters, digits and -, without the "
         "leading --)"},
        {"max body = 4\n",
         "FILE:1: \"max body\" is no option name (lower-case letters, digits and -, without the "
         "leading --)"},
        {" = 4\n",
         "FILE:1: \"\" is no option name (lower-case letters, digits and -, without the leading --)"},
        {"http = 127.0.0.1:8080\ndatabase =   \n", "FILE:2: database needs a value"},
        {std::string("key = a\0b\n", 10), "FILE:1: a NUL character"},
    };
    for (const auto& [content, expected] : cases)
        EXPECT_EQ(expected, read(content)) << content;
}

TEST(ServerConfigFileTest, AFileThatCannotBeReadOrIsNoConfigurationIsRefused)
{
    EXPECT_THROW(readConfigFile("/nonexistent/korvid-server.conf"), std::runtime_error);
    try {
        readConfigFile("/nonexistent/korvid-server.conf");
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ("cannot read /nonexistent/korvid-server.conf: No such file or directory", error.what());
    }
    EXPECT_EQ("FILE is larger than 1 MiB: not a configuration file",
              read(std::string(2 << 20, '#')));
}
