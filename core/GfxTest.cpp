#include "core/GfxTest.h"

#include "client/BenchmarkClient.h"
#include "core/GraphicsCardDescription.h"
#include "base/VideoControllerInfo.h"
#include "results/BCObject.h"

GfxTest::GfxTest(BenchmarkClient& client, const std::string& statusPrefix, OutputPair& output,
                 uint32_t testFlags)
    : statusPrefix(statusPrefix), client(client), output(output), testFlags(testFlags) {}

GfxTest::~GfxTest() = default;

std::shared_ptr<BCObject> GfxTest::resultRecord() {
    return client.getRootObject();
}

void GfxTest::describeCard(const VideoControllerInfo& card)
{
    cardName = card.cardName;
    DisplayModeDescription mode;
    mode.width = displayWidth;
    mode.height = displayHeight;
    mode.refreshRate = refreshRate;
    mode.bitsPerPixel = bitsPerPixel;
    describeGraphicsCard(card, mode, *resultRecord(), output);
}

void GfxTest::setDisplayMode(uint32_t width, uint32_t height, uint32_t frequency, uint32_t depth)
{
    displayWidth = width;
    displayHeight = static_cast<int32_t>(height);
    refreshRate = frequency;
    bitsPerPixel = depth;
    if (bitsPerPixel < 16) {
        throw std::string(
            "ERROR: Your screen mode is not truecolour. Please change the screen-mode \"color "
            "quality\" to 16-bit or higher in the display control panel settings tab, and run "
            "this again.");
    }
}
