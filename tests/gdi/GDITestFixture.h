#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "base/OutputPair.h"
#include "client/BenchmarkClient.h"
#include "gdi/GDITest.h"

// A GDITest on whatever display the tests run on, with a server client that never connects
// and an output pair whose two streams the tests read back.
class RecordingGDITest : public GDITest {
public:
    RecordingGDITest(BenchmarkClient& client, OutputPair& output, uint32_t flags = 0x1F)
        : GDITest(client, "Korvid 2.9 (2012/06/11). ", output, flags) {}

    void setStatusMessage(const std::string& text) override
    {
        statusMessages.push_back(text);
        GDITest::setStatusMessage(text);
    }
    int shadeBlendCaps() override
    {
        return blendCapsOverride >= 0 ? blendCapsOverride : GDITest::shadeBlendCaps();
    }

    std::vector<std::string> statusMessages;
    int blendCapsOverride = -1; // >= 0: what the device claims instead of the real caps
};

struct GDITestWorld {
    GDITestWorld();

    std::ostringstream console;
    std::ostringstream transcript;
    OutputPair output{console, transcript};
    BenchmarkClient client;
};

// The window's pixels, read from its device context (Wine keeps a GDI window's drawing in its
// own copy of the window, readable without a message loop).
class WindowPixels {
public:
    WindowPixels(HDC dc, int width, int height);

    // 0x00RRGGBB
    uint32_t at(int x, int y) const { return pixels_[static_cast<size_t>(y) * width_ + x]; }
    int width() const { return width_; }
    int height() const { return height_; }
    // Pixels in rows [top, bottom) that differ from `other`.
    int differingPixels(const WindowPixels& other, int top, int bottom) const;
    // Pixels in rows [top, bottom) that are not black.
    int nonBlackPixels(int top, int bottom) const;

private:
    int width_;
    int height_;
    std::vector<uint32_t> pixels_;
};

// Paints rows [top, bottom) of the window black.
void blacken(HDC dc, int width, int top, int bottom);

// Paints rows [top, bottom) so that two pixels are alike only 256 columns and 256 rows apart:
// a copy moved by less changes every pixel it lands on.
void paintTexture(HDC dc, int width, int top, int bottom);

// A field's value in a record, "<missing>" when it has none.
std::string fieldValue(const BCObject& record, const std::string& name);
