// What the Direct2D test's disturbance watch sees on a real (Wine) display.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <sstream>

#include "base/OutputPair.h"
#include "client/BenchmarkClient.h"
#include "core/DisturbanceWatch.h"
#include "d2d/D2DTest.h"

namespace {

class WatchedD2DTest : public D2DTest {
public:
    using D2DTest::D2DTest;
    using D2DTest::disturbanceWatch;
};

}  // namespace

TEST(D2DDisturbanceWatch, AnUndisturbedTestReportsNothingAMinimisedWindowIsReported) {
    std::ostringstream console;
    std::ostringstream transcript;
    OutputPair output{console, transcript};
    BenchmarkClient client{"KorvidResult", "https://localhost:9/api/v1/", "Korvid_Windows_2.9",
                           "TestKey", "http://localhost:9/Benchmark/Korvid/Result/",
                           "Korvid/2.9 (Windows)"};
    WatchedD2DTest test(client, "Korvid 2.9 (2012/06/11). ", output, 0x1F);
    DisturbanceWatch* watch = test.disturbanceWatch();
    ASSERT_NE(watch, nullptr);
    EXPECT_EQ(watch->poll(), 0u);
    ASSERT_GE(test.fillRectTest(16, 16, 10), 0.0);
    EXPECT_EQ(watch->poll(), 0u);

    ShowWindow(test.getWindow(), SW_MINIMIZE);
    const HRESULT present = test.getSwapChain()->Present(0, 0);
    std::printf("Present of the minimised full-screen swap chain: 0x%08lx\n",
                static_cast<unsigned long>(present));
    ASSERT_GE(test.fillRectTest(16, 16, 10), 0.0);  // presents through the watch
    const uint32_t seen = watch->poll();
    EXPECT_TRUE(seen & DISTURBANCE_MINIMISED) << seen;
    if (present == DXGI_STATUS_OCCLUDED) {
        EXPECT_TRUE(seen & DISTURBANCE_OCCLUDED) << seen;
    }
}
