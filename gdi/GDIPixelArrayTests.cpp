// "WritePixelArray" and "ReadPixelArray": whole frames of the drawing area copied between a
// system-memory bitmap and the window, calibrated until one pass lasts the minimum duration.
#include "gdi/GDITest.h"

#include <sstream>

#include "core/MicrosecondClock.h"
#include "core/TransferCalibration.h"
#include "core/TransferReport.h"
#include "gdi/PixelArrayBitmap.h"
#include "results/BCObject.h"

int32_t GDITest::runPixelArrayTests(int32_t firstTest, int32_t totalTests,
                                    uint64_t minimumMicroseconds, bool& failed)
{
    const int32_t areaRows = displayHeight - statusHeight;
    const TransferGeometry geometry{displayWidth,
                                    static_cast<uint32_t>(areaRows > 0 ? areaRows : 0),
                                    bitsPerPixel / 8};
    const uint64_t frameBytes = static_cast<uint64_t>(packedRowPitch(geometry)) * geometry.rows;

    PixelArrayBitmap pixels(dc.get(), displayWidth, displayHeight, bitsPerPixel);
    fillWithRandomWords(pixels.bits(), frameBytes);

    HDC window = dc.get();
    HDC memory = pixels.dc();
    const int width = static_cast<int>(displayWidth);

    struct Transfer {
        const char* name;
        const char* statusText;
        bool write;
    };
    const Transfer transfers[] = {
        {"WritePixelArray", "Running WritePixelArray test (test ", true},
        {"ReadPixelArray", "Running ReadPixelArray test (test ", false},
    };

    int32_t testNumber = firstTest;
    for (const Transfer& transfer : transfers) {
        std::ostringstream status;
        status << statusPrefix << transfer.statusText << testNumber << " of " << totalTests
               << "). Please be patient...";
        setStatusMessage(status.str());

        const TransferMeasurement result = measureTransfer(
            geometry, packedRowPitch(geometry), minimumMicroseconds, [&](const TransferSplit& split) {
                const int rows = static_cast<int>(split.rows);
                finishDrawing();
                const uint64_t start = readMicrosecondClock();
                if (transfer.write) {
                    for (uint64_t copy = 0; copy < split.copies; ++copy) {
                        BitBlt(window, 0, statusHeight, width, rows, memory, 0, 0, SRCCOPY);
                    }
                } else {
                    for (uint64_t copy = 0; copy < split.copies; ++copy) {
                        BitBlt(memory, 0, 0, width, rows, window, 0, statusHeight, SRCCOPY);
                    }
                }
                finishDrawing();
                return static_cast<double>(readMicrosecondClock() - start) * 1e-6;
            });

        reportTransfer(output, *resultRecord(), transfer.name, result, failed);
        ++testNumber;
    }
    return firstTest + 2;
}
