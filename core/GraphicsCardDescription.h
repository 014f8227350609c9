#pragma once

#include <cstdint>

class BCObject;
class OutputPair;
struct VideoControllerInfo;

// The display mode a graphics test runs in, as its set-up read it.
struct DisplayModeDescription {
    uint32_t width = 0;
    int32_t height = 0;
    uint32_t refreshRate = 0;
    uint32_t bitsPerPixel = 0;
};

// Describes the graphics card, the same way for every back end: records in `root` the
// "GraphicsCard" record, the "DriverLibraries" collection holding the driver's version record,
// and the search-key fields VRAMSize, DisplayWidth, DisplayHeight, RefreshRate, BitsPerPixel;
// prints the board, its PCI IDs, driver, video memory and display mode through the output
// pair, then two empty lines on the console only.
void describeGraphicsCard(const VideoControllerInfo& card, const DisplayModeDescription& mode,
                          BCObject& root, OutputPair& output);
