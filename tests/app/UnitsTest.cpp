#include "base/Units.h"

#include "base/OutputPair.h"

#include <gtest/gtest.h>

#include <iomanip>
#include <sstream>

namespace {

struct Printed {
    std::string console, transcript;
};

// precision < 0 keeps the streams' defaults (6 significant digits, general notation).
template <typename F>
Printed print(F writer, uint64_t value, int precision = -1)
{
    std::ostringstream console, transcript;
    if (precision >= 0) {
        console << std::setprecision(precision);
        transcript << std::setprecision(precision);
    }
    OutputPair out(console, transcript);
    writer(out, value);
    return {console.str(), transcript.str()};
}

std::string size(uint64_t bytes, int precision = -1)
{
    Printed p = print(printSize, bytes, precision);
    EXPECT_EQ(p.console, p.transcript);
    return p.console;
}

std::string frequency(uint64_t hertz, int precision = -1)
{
    Printed p = print(printFrequency, hertz, precision);
    EXPECT_EQ(p.console, p.transcript);
    return p.console;
}

TEST(PrintSize, UnitBoundaries)
{
    EXPECT_EQ(size(0), "0 bytes");
    EXPECT_EQ(size(1023), "1023 bytes");
    EXPECT_EQ(size(1024), "1 KiB");
    EXPECT_EQ(size(1536), "1.5 KiB");
    EXPECT_EQ(size((1ull << 20) - 1), "1024 KiB"); // 1023.999 rounds at six digits
    EXPECT_EQ(size(1ull << 20), "1 MiB");
    EXPECT_EQ(size(8589934592ull), "8 GiB");
    EXPECT_EQ(size(1ull << 40), "1 TiB");
    EXPECT_EQ(size(5ull << 50), "5120 TiB"); // no larger unit
    EXPECT_EQ(size(UINT64_MAX), "1.67772e+07 TiB");
}

TEST(PrintSize, UsesTheStreamsPrecision)
{
    EXPECT_EQ(size(3221225472ull + 536870912ull / 3, 3), "3.17 GiB");
    EXPECT_EQ(size(1000, 3), "1000 bytes");
    EXPECT_EQ(size(1ull << 30 | 1ull << 20, 3), "1 GiB");
    EXPECT_EQ(size(1ull << 30 | 1ull << 20), "1.00098 GiB");
}

TEST(PrintFrequency, UnitBoundaries)
{
    EXPECT_EQ(frequency(0), "0 Hz");
    EXPECT_EQ(frequency(999), "999 Hz");
    EXPECT_EQ(frequency(1000), "1 KHz");
    EXPECT_EQ(frequency(999999), "999.999 KHz");
    EXPECT_EQ(frequency(100000000), "100 MHz");
    EXPECT_EQ(frequency(3400000000ull), "3.4 GHz");
    EXPECT_EQ(frequency(1000000000000ull), "1 THz");
    EXPECT_EQ(frequency(2500000000000000ull), "2500 THz");
}

TEST(PrintFrequency, UsesTheStreamsPrecision)
{
    EXPECT_EQ(frequency(2666666666ull, 3), "2.67 GHz");
    EXPECT_EQ(frequency(2666666666ull), "2.66667 GHz");
    EXPECT_EQ(frequency(133333333, 3), "133 MHz");
}

} // namespace
