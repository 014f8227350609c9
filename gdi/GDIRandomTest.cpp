// The random test: a weighted mix of the six GDI operations and an empty place, at random
// sizes and positions.
#include "gdi/GDITest.h"

#include <memory>

#include "core/MicrosecondClock.h"
#include "core/RTODummy.h"
#include "core/RandomGenerator.h"
#include "core/RandomTestConductor.h"
#include "core/RandomTestMaximumSize.h"
#include "gdi/DrawingPlacement.h"
#include "gdi/GdiplusRectanglePainter.h"
#include "gdi/PixelArrayBitmap.h"
#include "gdi/RTOBltRectGDI.h"
#include "gdi/RTOCompositeGDI.h"
#include "gdi/RTOFillRectGDI.h"
#include "gdi/RTOOverlappedBltRectGDI.h"
#include "gdi/RTOReadPixelArrayGDI.h"
#include "gdi/RTOWritePixelArrayGDI.h"
#include "gdi/SourceBitmap.h"

double GDITest::randomTest(int32_t count, uint64_t& pixelCount)
{
    const int32_t maximumSize = randomTestMaximumSize(displayWidth, displayHeight, statusHeight);
    const int width = static_cast<int>(displayWidth);

    PixelArrayBitmap pixels(dc.get(), displayWidth, displayHeight, bitsPerPixel);
    SourceBitmap source(dc.get(), width, displayHeight);

    // The shared source: translucent rectangles over the whole display size.
    {
        GdiplusRectanglePainter painter(source.dc());
        for (int i = 0; i < 300; ++i) {
            const int a = positionInRange(nextRandom(), width);
            const int b = positionInRange(nextRandom(), displayHeight);
            const int rectangleWidth = a / 2 + 1;
            const int rectangleHeight = b / 2 + 1;
            const int x = positionInRange(nextRandom(), width - rectangleWidth);
            const int y = positionInRange(nextRandom(), displayHeight - rectangleHeight);
            painter.fill(x, y, rectangleWidth, rectangleHeight);
        }
        painter.flush();
    }

    const uint64_t bits =
        static_cast<uint64_t>(bitsPerPixel) * static_cast<uint64_t>(displayHeight) * displayWidth;
    if (bits > 7) {
        fillWithRandomWords(pixels.bits(), bits / 8);
    }

    const GDIRandomOperation::Surfaces onPixelArray{dc.get(), pixels.dc(), displayWidth,
                                                    displayHeight, statusHeight,
                                                    randomDrawObserver};
    GDIRandomOperation::Surfaces onSource = onPixelArray;
    onSource.memory = source.dc();

    RandomTestConductor conductor;
    conductor.addOperation(1, std::make_shared<RTOWritePixelArrayGDI>(maximumSize, onPixelArray));
    conductor.addOperation(1, std::make_shared<RTOReadPixelArrayGDI>(maximumSize, onPixelArray));
    conductor.addOperation(20, std::make_shared<RTOFillRectGDI>(maximumSize, onSource));
    conductor.addOperation(20, std::make_shared<RTOBltRectGDI>(maximumSize, onSource));
    conductor.addOperation(20, std::make_shared<RTOOverlappedBltRectGDI>(maximumSize, onSource));
    conductor.addOperation(20, std::make_shared<RTOCompositeGDI>(maximumSize, onSource));
    conductor.addOperation(20, std::make_shared<RTODummy>());

    conductor.prepareAll();
    finishDrawing();
    const uint64_t start = readMicrosecondClock();
    conductor.executeRandomOperations(count);
    finishDrawing();
    const uint64_t end = readMicrosecondClock();

    pixelCount = conductor.collectPixelCount();
    return static_cast<double>(end - start) * 1e-6;
}
