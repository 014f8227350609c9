#include "FakeGfxTest.h"

#include "base/OutputPair.h"

#include "results/BCField.h"

FakeGfxTest::FakeGfxTest(OutputPair& output, uint32_t flags, uint32_t width, int32_t height,
                         int32_t statusStrip, const std::string& prefix)
    : GfxTest(offlineClient, prefix, output, flags),
      timeFor([](const FakeCall&) { return 2.0; }),
      randomPixelsFor([](int32_t count) { return static_cast<uint64_t>(count) * 1000u; }),
      record(offlineClient.getRootObject()) {
    displayWidth = width;
    displayHeight = height;
    statusHeight = statusStrip;
    cardName = "Fake card";
}

int32_t FakeGfxTest::runPixelArrayTests(int32_t firstTest, int32_t totalTests,
                                        uint64_t minimumMicroseconds, bool& failed) {
    pixelArrayFirst = firstTest;
    pixelArrayTotal = totalTests;
    pixelArrayMinimum = minimumMicroseconds;
    output << "WritePixelArray: fake" << std::endl << "ReadPixelArray: fake" << std::endl;
    if (pixelArraySetsFailure) {
        failed = true;
    }
    watch_.pending |= pixelArrayDisturbances;
    return firstTest + pixelArrayCount;
}

uint32_t FakeGfxTest::Watch::poll() {
    test_.pollsAt.push_back(test_.calls.size());
    const uint32_t seen = pending;
    pending = 0;
    return seen;
}

double FakeGfxTest::timed(const std::string& operation, int32_t width, int32_t height,
                          int32_t count) {
    FakeCall call;
    call.operation = operation;
    call.width = width;
    call.height = height;
    call.count = count;
    call.status = statusMessages.empty() ? std::string() : statusMessages.back();
    const auto disturbance = disturbancesDuringCall.find(calls.size());
    if (disturbance != disturbancesDuringCall.end()) {
        watch_.pending |= disturbance->second;
    }
    calls.push_back(call);
    return timeFor(call);
}

double FakeGfxTest::fillRectTest(int32_t width, int32_t height, int32_t count) {
    return timed("fill", width, height, count);
}

double FakeGfxTest::bltBitMapTest(int32_t width, int32_t height, int32_t count) {
    return timed("blit", width, height, count);
}

double FakeGfxTest::overlappedBltBitMapTest(int32_t width, int32_t height, int32_t count) {
    return timed("overlapped", width, height, count);
}

double FakeGfxTest::compositeTest(int32_t width, int32_t height, int32_t count,
                                  bool& premultipliedAlpha) {
    if (compositeSetsPremultiplied) {
        premultipliedAlpha = true;
    }
    return timed("composite", width, height, count);
}

double FakeGfxTest::compositeSrcMaskTest(int32_t width, int32_t height, int32_t count,
                                         bool& premultipliedAlpha, bool& combinedAlphas) {
    if (srcMaskSetsPremultiplied) {
        premultipliedAlpha = true;
    }
    if (srcMaskSetsCombined) {
        combinedAlphas = true;
    }
    return timed("srcmask", width, height, count);
}

double FakeGfxTest::randomTest(int32_t count, uint64_t& pixelCount) {
    pixelCount = randomPixelsFor(count);
    return timed("random", 0, 0, count);
}

void FakeGfxTest::setStatusMessage(const std::string& text) {
    statusMessages.push_back(text);
}

std::vector<FakeCall> FakeGfxTest::callsOf(const std::string& operation) const {
    std::vector<FakeCall> result;
    for (const auto& call : calls) {
        if (call.operation == operation) {
            result.push_back(call);
        }
    }
    return result;
}

std::vector<std::string> FakeGfxTest::fields(std::vector<bool>* searchKeys) const {
    std::vector<std::string> result;
    for (int i = 0; i < record->getNumFields(); ++i) {
        const auto field = record->getField(i);
        result.push_back(field->getName() + "=" + field->getValue());
        if (searchKeys) {
            searchKeys->push_back(field->isSearchKey());
        }
    }
    return result;
}
