// The pixel-array transfers of the Direct2D test: a screen's worth of pixels from processor
// memory into video memory and back, through a staging and a default texture.
#include <sstream>
#include <string>

#include "core/MicrosecondClock.h"
#include "core/TransferCalibration.h"
#include "core/TransferReport.h"
#include "d2d/D2DDrawing.h"
#include "d2d/D2DResources.h"
#include "d2d/D2DTest.h"
#include "d2d/TextureMapping.h"
#include "results/BCObject.h"

int32_t D2DTest::runPixelArrayTests(int32_t firstTest, int32_t totalTests,
                                    uint64_t minimumMicroseconds, bool& failed) {
    const uint32_t height = static_cast<uint32_t>(displayHeight);
    const uint32_t areaRows = drawingAreaRows();
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

    const PixelArrayTextures textures = {stagingTexture.get(), defaultTexture.get(),
                                         textureBitmap.get(), rowPitch};
    runPixelArrayTest(true, firstTest, totalTests, minimumMicroseconds, failed, textures);
    runPixelArrayTest(false, firstTest + 1, totalTests, minimumMicroseconds, failed, textures);
    return firstTest + 2;
}

void D2DTest::runPixelArrayTest(bool write, int32_t testNumber, int32_t totalTests,
                                uint64_t minimumMicroseconds, bool& failed,
                                const PixelArrayTextures& textures) {
    const uint32_t areaRows = drawingAreaRows();
    const TransferGeometry geometry{displayWidth, areaRows, bitsPerPixel / 8};

    std::ostringstream status;
    status << statusPrefix
           << (write ? "Running WritePixelArray test (test " : "Running ReadPixelArray test (test ")
           << testNumber << " of " << totalTests << "). Please be patient...";

    const auto timedPass = [&](const TransferSplit& split) {
        setStatusMessage(status.str());
        present();
        flushAndWait();
        const uint64_t start = readMicrosecondClock();
        for (uint64_t i = 0; i < split.copies; ++i) {
            transferPixelArray(write, split.rows, textures.staging, textures.video);
        }
        const uint64_t end = readMicrosecondClock();
        return static_cast<double>(end - start) * 1e-6;
    };
    // What was written must reach the screen in reasonable time, or the transfer went somewhere
    // the display cannot use.
    const auto notShownInTime = [&] {
        const uint64_t shownFrom = readMicrosecondClock();
        renderTarget->BeginDraw();
        const D2D1_RECT_F destination = rectF(0, statusHeight, displayWidth, displayHeight);
        const D2D1_RECT_F source = rectF(0, 0, displayWidth, areaRows);
        renderTarget->DrawBitmap(textures.videoBitmap, &destination, 1.0f,
                                 D2D1_BITMAP_INTERPOLATION_MODE_NEAREST_NEIGHBOR, &source);
        renderTarget->EndDraw();
        const uint64_t shownTo = readMicrosecondClock();
        return static_cast<double>(shownTo - shownFrom) * 1e-6 > 1.0;
    };

    // Without a minimum duration nothing is timed: a frame's worth at no measured time.
    TransferMeasurement measurement{};
    if (minimumMicroseconds == 0) {
        measurement.split = TransferSplit{1, areaRows};
        measurement.bytes = transferredBytes(measurement.split, geometry);
    } else if (write) {
        measurement = measureTransfer(geometry, textures.rowPitch, minimumMicroseconds, timedPass,
                                      notShownInTime);
    } else {
        measurement = measureTransfer(geometry, textures.rowPitch, minimumMicroseconds, timedPass);
    }
    reportTransfer(output, *resultRecord(), write ? "WritePixelArray" : "ReadPixelArray",
                   measurement, failed, StreamsAfterTransfer::restoreConsoleFlags);
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
