#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "core/GfxTest.h"
#include "gdi/GDIDisturbanceWatch.h"
#include "gdi/WindowClassRegistration.h"
#include "gdi/WindowDC.h"
#include "gdi/WindowHandle.h"

class RandomDrawObserver;

// The graphics test drawn with GDI (GDI+ paints the translucent sources). Construction opens a
// topmost full-screen popup window with a white status strip over a black drawing area and
// records and prints the graphics card; destruction releases the device context, destroys the
// window and unregisters the window class, in that order (also when construction fails).
class GDITest : public GfxTest {
public:
    // Throws a std::string message beginning "ERROR: " when the display or the window cannot
    // be set up, or the video-controller query's message when it fails.
    GDITest(BenchmarkClient& client, const std::string& statusPrefix, OutputPair& output,
            uint32_t testFlags);
    ~GDITest() override;

    int32_t runPixelArrayTests(int32_t firstTest, int32_t totalTests,
                               uint64_t minimumMicroseconds, bool& failed) override;
    int32_t pixelArrayTestCount() override { return 2; }
    double fillRectTest(int32_t width, int32_t height, int32_t count) override;
    double bltBitMapTest(int32_t width, int32_t height, int32_t count) override;
    double overlappedBltBitMapTest(int32_t width, int32_t height, int32_t count) override;
    double compositeTest(int32_t width, int32_t height, int32_t count,
                         bool& premultipliedAlpha) override;
    double compositeSrcMaskTest(int32_t width, int32_t height, int32_t count,
                                bool& premultipliedAlpha, bool& combinedAlphas) override;
    double randomTest(int32_t count, uint64_t& pixelCount) override;
    void setStatusMessage(const std::string& text) override;

    HWND getWindow() const { return window.get(); }
    HDC getDC() const { return dc.get(); }

    // Test seam: told of every square the random test's operations draw (null: nobody).
    void setRandomDrawObserver(RandomDrawObserver* observer) { randomDrawObserver = observer; }

protected:
    // The device's blending capabilities (GetDeviceCaps SHADEBLENDCAPS of the window's DC);
    // 0 means no alpha blending, and compositeTest reports "not supported".
    virtual int shadeBlendCaps();
    // Watches the window for another taking the foreground, or for being minimised.
    DisturbanceWatch* disturbanceWatch() override;

private:
    // Makes GDI finish all queued drawing: GdiFlush, then reading a pixel of the window.
    void finishDrawing();
    // Fills the first `bytes` bytes (rounded up to whole 32-bit words) with one random draw per
    // word.
    static void fillWithRandomWords(void* bits, uint64_t bytes);
    // The 200 GDI rectangles of a blit source, painted into the w × h bitmap of `target`.
    void paintBlitSource(HDC target, int32_t width, int32_t height);

    // Released in reverse: dc, then window, then the class registration.
    WindowClassRegistration instance;
    WindowHandle window;
    WindowDC dc;
    HGDIOBJ statusFont = nullptr; // stock object: never deleted
    RandomDrawObserver* randomDrawObserver = nullptr;
    std::unique_ptr<GDIDisturbanceWatch> watch;  // made at the first question, for the window
};
