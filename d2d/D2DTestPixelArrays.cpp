// The pixel-array transfers of the Direct2D test: a screen's worth of pixels from processor
// memory into video memory and back, through a staging and a default texture.
#include <iomanip>
#include <sstream>
#include <string>

#include "app/OutputPair.h"
#include "core/MicrosecondClock.h"
#include "d2d/D2DDrawing.h"
#include "d2d/D2DGeometry.h"
#include "d2d/D2DResources.h"
#include "d2d/D2DTest.h"
#include "d2d/TextureMapping.h"
#include "results/BCObject.h"

namespace {

// Bytes of the first timed pass of each test.
const uint64_t START_BUDGET = 16588800;

}  // namespace

int32_t D2DTest::runPixelArrayTests(int32_t firstTest, int32_t totalTests,
                                    uint64_t minimumMicroseconds, bool& failed) {
    const uint32_t height = static_cast<uint32_t>(displayHeight);
    const uint32_t areaRows = displayHeight > statusHeight
                                  ? static_cast<uint32_t>(displayHeight - statusHeight)
                                  : 0;
    const D2D1_PIXEL_FORMAT pixelFormat = renderTarget->GetPixelFormat();

    // Released in reverse: the texture bitmap, the default texture, the staging texture.
    ComPtr<ID3D10Texture2D> stagingTexture =
        createTransferTexture(device.get(), displayWidth, height, pixelFormat.format, true);
    const uint32_t rowPitch = fillWithRandomWords(stagingTexture.get(), areaRows);
    ComPtr<ID3D10Texture2D> defaultTexture =
        createTransferTexture(device.get(), displayWidth, height, pixelFormat.format, false);
    ComPtr<ID2D1Bitmap> textureBitmap;
    {
        ComPtr<IDXGISurface> surface;
        if (defaultTexture->QueryInterface(__uuidof(IDXGISurface), surface.putVoid()) != S_OK ||
            !surface) {
            throw std::string("ERROR: Could not get a texture's surface.");
        }
        D2D1_BITMAP_PROPERTIES properties;
        properties.pixelFormat = pixelFormat;
        properties.dpiX = 96.0f;
        properties.dpiY = 96.0f;
        if (renderTarget->CreateSharedBitmap(__uuidof(IDXGISurface), surface.get(), &properties,
                                             textureBitmap.put()) != S_OK ||
            !textureBitmap) {
            throw std::string("ERROR: Cannot use a texture as a Direct2D bitmap.");
        }
    }

    runPixelArrayTest(true, firstTest, totalTests, minimumMicroseconds, failed,
                      stagingTexture.get(), defaultTexture.get(), textureBitmap.get(), rowPitch);
    runPixelArrayTest(false, firstTest + 1, totalTests, minimumMicroseconds, failed,
                      stagingTexture.get(), defaultTexture.get(), textureBitmap.get(), rowPitch);
    return firstTest + 2;
}

void D2DTest::runPixelArrayTest(bool write, int32_t testNumber, int32_t totalTests,
                                uint64_t minimumMicroseconds, bool& failed,
                                ID3D10Texture2D* stagingTexture, ID3D10Texture2D* defaultTexture,
                                ID2D1Bitmap* textureBitmap, uint32_t rowPitch) {
    const uint32_t areaRows = displayHeight > statusHeight
                                  ? static_cast<uint32_t>(displayHeight - statusHeight)
                                  : 0;
    const uint64_t frameBytes = static_cast<uint64_t>(areaRows) * rowPitch;
    const double minimumSeconds = static_cast<double>(minimumMicroseconds) / 1000000.0;

    std::ostringstream status;
    status << statusPrefix
           << (write ? "Running WritePixelArray test (test " : "Running ReadPixelArray test (test ")
           << testNumber << " of " << totalTests << "). Please be patient...";

    uint64_t budget = START_BUDGET;
    PixelArrayPass pass = {1, areaRows};
    int32_t retries = 0;
    double elapsed = 0.0;
    if (minimumSeconds > 0.0) {
        for (;;) {
            setStatusMessage(status.str());
            swapChain->Present(0, 0);
            pass = splitByteBudget(budget, frameBytes, rowPitch, areaRows);

            flushAndWait();
            const uint64_t start = readMicrosecondClock();
            for (uint64_t i = 0; i < pass.passCount; ++i) {
                transferPixelArray(write, pass.rows, stagingTexture, defaultTexture);
            }
            const uint64_t end = readMicrosecondClock();
            elapsed = static_cast<double>(end - start) * 1e-6;

            bool giveUp = false;
            if (write) {
                // What was written must reach the screen in reasonable time, or the transfer
                // went somewhere the display cannot use.
                const uint64_t shownFrom = readMicrosecondClock();
                renderTarget->BeginDraw();
                const D2D1_RECT_F destination =
                    rectF(0, statusHeight, displayWidth, displayHeight);
                const D2D1_RECT_F source = rectF(0, 0, displayWidth, areaRows);
                renderTarget->DrawBitmap(textureBitmap, &destination, 1.0f,
                                         D2D1_BITMAP_INTERPOLATION_MODE_NEAREST_NEIGHBOR,
                                         &source);
                renderTarget->EndDraw();
                const uint64_t shownTo = readMicrosecondClock();
                giveUp = static_cast<double>(shownTo - shownFrom) * 1e-6 > 1.0;
            }
            if (!giveUp) {
                if (elapsed >= minimumSeconds) {
                    break;
                }
                ++retries;
                giveUp = retries > 10;
            }
            if (giveUp) {
                output << "Test failed. Your graphics card drivers may be faulty." << std::endl;
                failed = true;
                break;
            }
            budget = nextByteBudget(budget, elapsed, minimumSeconds, minimumMicroseconds);
        }
    }

    const uint64_t bytes = pixelArrayBytes(pass.rows, displayWidth, pass.passCount,
                                           bitsPerPixel / 8);
    const double rate = mebibytesPerSecond(bytes, elapsed);

    const std::ios_base::fmtflags flags = output.console().flags();
    output << (write ? "WritePixelArray: " : "ReadPixelArray: ") << std::fixed
           << std::setprecision(3) << rate << " MiB/s (took " << std::setprecision(6) << elapsed
           << " seconds). " << std::endl;
    output.console().flags(flags);
    output.transcript().flags(flags);

    std::ostringstream value;
    value << rate;
    resultRecord()->addField(write ? "WritePixelArray_MiB_s" : "ReadPixelArray_MiB_s",
                             value.str(), 1);
}

void D2DTest::transferPixelArray(bool write, uint32_t rows, ID3D10Texture2D* stagingTexture,
                                 ID3D10Texture2D* defaultTexture) {
    const D3D10_BOX box = {0, 0, 0, displayWidth, rows, 1};
    if (write) {
        device->CopySubresourceRegion(defaultTexture, 0, 0, 0, 0, stagingTexture, 0, &box);
    } else {
        device->CopySubresourceRegion(stagingTexture, 0, 0, 0, 0, defaultTexture, 0, &box);
    }
    device->Flush();
    flushAndWait();
    // Mapping makes the processor wait: for writing, until the device has read the staging
    // texture; for reading, until the copied pixels have arrived.
    TextureMapping mapping;
    if (!mapping.map(stagingTexture, write ? D3D10_MAP_WRITE : D3D10_MAP_READ)) {
        throw std::string("ERROR: Cannot map the staging texture for CPU access.");
    }
    if (write) {
        *static_cast<uint32_t*>(mapping.data()) = 0;
    }
}
