#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "client/BenchmarkClient.h"
#include "core/DisturbanceWatch.h"
#include "core/GfxTest.h"
#include "results/BCObject.h"

// One call of a timed operation as the runner made it.
struct FakeCall {
    std::string operation;  // "fill", "blit", "overlapped", "composite", "srcmask", "random"
    int32_t width = 0;
    int32_t height = 0;
    int32_t count = 0;
    std::string status;  // the status message set last before the call
};

// A server client that never connects: the runner's fields go to its root record.
class OfflineClient {
protected:
    BenchmarkClient offlineClient{"KorvidResult", "https://localhost:9/api/v1/", "Korvid_Windows_2.9",
                                  "key", "http://localhost:9/result/", "Korvid/2.9 (Windows)"};
};

// A graphics test whose timed operations return times chosen per call by the test, and which
// records every call.
class FakeGfxTest : private OfflineClient, public GfxTest {
public:
    FakeGfxTest(OutputPair& output, uint32_t flags, uint32_t width, int32_t height,
                int32_t statusStrip, const std::string& prefix = "Korvid 2.9 (2012/06/11). ");

    // Chooses the seconds each timed call returns; by default 2.0 for every call.
    std::function<double(const FakeCall&)> timeFor;
    // Pixels randomTest reports for a count.
    std::function<uint64_t(int32_t)> randomPixelsFor;

    std::vector<FakeCall> calls;
    std::vector<std::string> statusMessages;
    // The client's root record.
    std::shared_ptr<BCObject> record;

    // What the compositing operations report through their out parameters.
    bool compositeSetsPremultiplied = false;
    bool srcMaskSetsPremultiplied = false;
    bool srcMaskSetsCombined = false;

    // runPixelArrayTests: what it was called with, and what it does.
    int32_t pixelArrayCount = 2;
    bool pixelArraySetsFailure = false;
    int32_t pixelArrayFirst = -1;
    int32_t pixelArrayTotal = -1;
    uint64_t pixelArrayMinimum = 0;

    int32_t runPixelArrayTests(int32_t firstTest, int32_t totalTests,
                               uint64_t minimumMicroseconds, bool& failed) override;
    int32_t pixelArrayTestCount() override { return pixelArrayCount; }
    double fillRectTest(int32_t width, int32_t height, int32_t count) override;
    double bltBitMapTest(int32_t width, int32_t height, int32_t count) override;
    double overlappedBltBitMapTest(int32_t width, int32_t height, int32_t count) override;
    double compositeTest(int32_t width, int32_t height, int32_t count,
                         bool& premultipliedAlpha) override;
    double compositeSrcMaskTest(int32_t width, int32_t height, int32_t count,
                                bool& premultipliedAlpha, bool& combinedAlphas) override;
    double randomTest(int32_t count, uint64_t& pixelCount) override;
    void setStatusMessage(const std::string& text) override;

    // Disturbances that happen during the timed call of that index (0 for the first) or during
    // the pixel-array tests; the watch reports each at the next poll. pollsAt: how many timed
    // calls had been made at each poll.
    std::map<size_t, uint32_t> disturbancesDuringCall;
    uint32_t pixelArrayDisturbances = 0;
    std::vector<size_t> pollsAt;

    // Calls of one operation, in order.
    std::vector<FakeCall> callsOf(const std::string& operation) const;
    // "name=value" of every field of the record, in order; searchKeys gets each field's flag.
    std::vector<std::string> fields(std::vector<bool>* searchKeys = nullptr) const;

protected:
    DisturbanceWatch* disturbanceWatch() override { return &watch_; }

private:
    class Watch : public DisturbanceWatch {
    public:
        explicit Watch(FakeGfxTest& test) : test_(test) {}
        uint32_t poll() override;
        uint32_t pending = 0;

    private:
        FakeGfxTest& test_;
    };
    Watch watch_{*this};

    double timed(const std::string& operation, int32_t width, int32_t height, int32_t count);
};
