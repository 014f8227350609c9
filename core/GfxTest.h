#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "core/TestGroupFlags.h"

class DisturbanceWatch;

struct VideoControllerInfo;

class BenchmarkClient;
class BCObject;
class OutputPair;

// The abstract graphics test: one graphics system's window and timed drawing operations.
// Back ends (GDITest, D2DTest) fill the display members in their constructor. runTests is the
// benchmark runner: it chooses sizes and counts, calls the timed operations, prints the tables
// and records every rate in the client's root record.
//
// Timed operations (fillRectTest .. randomTest) return the elapsed seconds for exactly `count`
// operations, including the time the graphics system needs to finish them; a negative value
// means the operation is not supported here (or not hardware accelerated).
class GfxTest {
public:
    GfxTest(BenchmarkClient& client, const std::string& statusPrefix, OutputPair& output,
            uint32_t testFlags);
    virtual ~GfxTest();
    GfxTest(const GfxTest&) = delete;
    GfxTest& operator=(const GfxTest&) = delete;

    // Runs the "WritePixelArray" and "ReadPixelArray" tests completely (status messages,
    // printed lines, result fields); sets `failed` when one gives up. Returns firstTest plus the
    // number of tests it ran.
    virtual int32_t runPixelArrayTests(int32_t firstTest, int32_t totalTests,
                                       uint64_t minimumMicroseconds, bool& failed) = 0;
    // How many tests runPixelArrayTests counts as.
    virtual int32_t pixelArrayTestCount() = 0;
    virtual double fillRectTest(int32_t width, int32_t height, int32_t count) = 0;
    virtual double bltBitMapTest(int32_t width, int32_t height, int32_t count) = 0;
    virtual double overlappedBltBitMapTest(int32_t width, int32_t height, int32_t count) = 0;
    // Sets premultipliedAlpha when the blending used premultiplied alpha.
    virtual double compositeTest(int32_t width, int32_t height, int32_t count,
                                 bool& premultipliedAlpha) = 0;
    // Sets combinedAlphas when the mask's alpha was multiplied by the source's alpha, and
    // premultipliedAlpha when the source's alpha was premultiplied.
    virtual double compositeSrcMaskTest(int32_t width, int32_t height, int32_t count,
                                        bool& premultipliedAlpha, bool& combinedAlphas) = 0;
    // Stores the pixels the count operations drew or transferred in pixelCount.
    virtual double randomTest(int32_t count, uint64_t& pixelCount) = 0;
    // Clears the status strip and writes the text into it.
    virtual void setStatusMessage(const std::string& text) = 0;

    // The benchmark runner. minimumMicroseconds: the shortest timed run accepted.
    // Returns true when no test failed.
    bool runTests(uint64_t minimumMicroseconds);
    // Whether something outside the program disturbed a test of the last runTests (each such
    // test was reported with a warning line): its figures are then not a normal result.
    bool wasDisturbed() const { return disturbed; }

    const std::string& getStatusPrefix() const { return statusPrefix; }
    uint32_t getTestFlags() const { return testFlags; }
    const std::string& getCardName() const { return cardName; }
    uint32_t getDisplayWidth() const { return displayWidth; }
    int32_t getDisplayHeight() const { return displayHeight; }
    int32_t getStatusHeight() const { return statusHeight; }
    uint32_t getRefreshRate() const { return refreshRate; }
    uint32_t getBitsPerPixel() const { return bitsPerPixel; }

protected:
    // The record every result field goes to: the client's root record.
    virtual std::shared_ptr<BCObject> resultRecord();
    // The back end's watch on its window and device, asked between measurements; none by
    // default.
    virtual DisturbanceWatch* disturbanceWatch() { return nullptr; }

    // Takes the current display mode's size, refresh rate and depth; a mode of fewer than 16
    // bits per pixel cannot be tested and throws the set-up error text.
    void setDisplayMode(uint32_t width, uint32_t height, uint32_t frequency, uint32_t depth);
    // Records the card and its driver in the result with the display mode above, and prints
    // them; the card's name names the result file.
    void describeCard(const VideoControllerInfo& card);
#ifdef _WIN32
    // Reads the current display mode of the desktop (EnumDisplaySettingsA) into setDisplayMode.
    void readCurrentDisplayMode();
#endif

    std::string statusPrefix;
    BenchmarkClient& client;
    OutputPair& output;
    uint32_t testFlags;
    std::string cardName;
    uint32_t displayWidth = 0;
    int32_t displayHeight = 0;
    int32_t statusHeight = 0;
    uint32_t refreshRate = 0;
    uint32_t bitsPerPixel = 0;

private:
    bool disturbed = false;
};
