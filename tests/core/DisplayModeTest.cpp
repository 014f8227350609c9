#include "FakeGfxTest.h"

#include <gtest/gtest.h>

#include <sstream>

#include "base/OutputPair.h"

namespace {

class DisplayModeProbe : public FakeGfxTest {
public:
    using FakeGfxTest::FakeGfxTest;
    using GfxTest::setDisplayMode;
};

TEST(DisplayMode, TakesSizeRefreshAndDepth)
{
    std::ostringstream console, transcript;
    OutputPair output(console, transcript);
    DisplayModeProbe test(output, 0x1F, 1, 1, 20);
    test.setDisplayMode(1920, 1200, 60, 16);
    EXPECT_EQ(test.getDisplayWidth(), 1920u);
    EXPECT_EQ(test.getDisplayHeight(), 1200);
    EXPECT_EQ(test.getRefreshRate(), 60u);
    EXPECT_EQ(test.getBitsPerPixel(), 16u);
}

TEST(DisplayMode, FewerThanSixteenBitsIsNotTruecolour)
{
    std::ostringstream console, transcript;
    OutputPair output(console, transcript);
    DisplayModeProbe test(output, 0x1F, 1, 1, 20);
    for (uint32_t depth : {0u, 4u, 8u, 15u}) {
        try {
            test.setDisplayMode(640, 480, 0, depth);
            ADD_FAILURE() << depth << " bits per pixel was accepted";
        } catch (const std::string& error) {
            EXPECT_EQ(error,
                      "ERROR: Your screen mode is not truecolour. Please change the screen-mode "
                      "\"color quality\" to 16-bit or higher in the display control panel settings "
                      "tab, and run this again.");
        }
    }
    EXPECT_EQ(console.str(), "");
}

} // namespace
