#include "base/OutputPair.h"

#include <gtest/gtest.h>

#include <iomanip>
#include <sstream>

namespace {

// Records the order in which the two streams receive their text.
struct OrderLog {
    std::string events;
};

class LoggingBuf : public std::stringbuf {
public:
    LoggingBuf(OrderLog& log, char tag) : log_(log), tag_(tag) {}
    int sync() override
    {
        log_.events += tag_;
        log_.events += 'F';
        return 0;
    }
    std::streamsize xsputn(const char* s, std::streamsize n) override
    {
        log_.events += tag_;
        return std::stringbuf::xsputn(s, n);
    }

private:
    OrderLog& log_;
    char tag_;
};

TEST(OutputPair, WritesEveryValueToConsoleThenTranscript)
{
    OrderLog log;
    LoggingBuf consoleBuf(log, 'c'), transcriptBuf(log, 't');
    std::ostream console(&consoleBuf), transcript(&transcriptBuf);
    OutputPair out(console, transcript);

    out << "Total RAM: " << 42 << std::endl;

    EXPECT_EQ(consoleBuf.str(), "Total RAM: 42\n");
    EXPECT_EQ(transcriptBuf.str(), "Total RAM: 42\n");
    // Text, then number, each to the console first; then the console's line is ended and
    // flushed before the transcript's.
    EXPECT_EQ(log.events, "ctctcFtF");
}

TEST(OutputPair, ManipulatorsActOnBothStreams)
{
    std::ostringstream console, transcript;
    OutputPair out(console, transcript);
    out << std::fixed << std::setprecision(3) << 1.0 << " " << std::defaultfloat << 2.5;
    EXPECT_EQ(console.str(), "1.000 2.5");
    EXPECT_EQ(transcript.str(), "1.000 2.5");
    EXPECT_EQ(console.precision(), 3);
    EXPECT_EQ(transcript.precision(), 3);
}

TEST(OutputPair, ConsoleOnlyTextStaysOutOfTheTranscript)
{
    std::ostringstream console, transcript;
    OutputPair out(console, transcript);
    out.console() << "Kernel32.dll version: 6.1.7601.17514\n";
    out << "shared";
    out.endLine();
    EXPECT_EQ(console.str(), "Kernel32.dll version: 6.1.7601.17514\nshared\n");
    EXPECT_EQ(transcript.str(), "shared\n");
}

} // namespace
