// What the GDI test's disturbance watch sees on a real (Wine) display.
#include <gtest/gtest.h>

#include <windows.h>

#include <sstream>

#include "base/OutputPair.h"
#include "client/BenchmarkClient.h"
#include "core/DisturbanceWatch.h"
#include "gdi/GDITest.h"

namespace {

class WatchedGDITest : public GDITest {
public:
    using GDITest::GDITest;
    using GDITest::disturbanceWatch;
};

}  // namespace

TEST(GDIDisturbanceWatch, AnotherForegroundWindowAndMinimisingAreReported) {
    std::ostringstream console;
    std::ostringstream transcript;
    OutputPair output{console, transcript};
    BenchmarkClient client{"KorvidResult", "https://localhost:9/api/v1/", "Korvid_Windows_2.9",
                           "TestKey", "http://localhost:9/Benchmark/Korvid/Result/",
                           "Korvid/2.9 (Windows)"};
    WatchedGDITest test(client, "Korvid 2.9 (2012/06/11). ", output, 0x1F);
    DisturbanceWatch* watch = test.disturbanceWatch();
    ASSERT_NE(watch, nullptr);
    EXPECT_EQ(watch->poll(), 0u);

    // Another top-level window of the thread comes to the foreground.
    HWND other = CreateWindowExA(WS_EX_TOPMOST, "STATIC", "intruder", WS_POPUP | WS_VISIBLE, 0, 0,
                                 64, 64, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(other, nullptr);
    SetForegroundWindow(other);
    EXPECT_EQ(watch->poll(), static_cast<uint32_t>(DISTURBANCE_LOST_FOREGROUND));
    DestroyWindow(other);

    SetForegroundWindow(test.getWindow());
    EXPECT_EQ(watch->poll(), 0u);
    ShowWindow(test.getWindow(), SW_MINIMIZE);
    EXPECT_TRUE(watch->poll() & DISTURBANCE_MINIMISED);
}
