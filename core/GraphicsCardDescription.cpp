#include "core/GraphicsCardDescription.h"

#include <ios>
#include <memory>
#include <ostream>
#include <string>

#include "base/OutputPair.h"
#include "base/Units.h"
#include "results/BCGraphicsCardObj.h"
#include "results/BCLibraryVersionObj.h"
#include "results/BCObject.h"
#include "results/BCObjectCollection.h"
#include "base/VideoControllerInfo.h"

namespace {

constexpr int kSearchKey = 1;

void recordCard(const VideoControllerInfo& card, const DisplayModeDescription& mode,
                BCObject& root)
{
    root.addSubObject("GraphicsCard",
                      std::make_shared<BCGraphicsCardObj>(card.cardName, "", card.productID,
                                                          card.vendorID, card.subProductID,
                                                          card.subVendorID));
    auto drivers = std::make_shared<BCObjectCollection>("DriverLibraries",
                                                        "BenchmarkLibraryVersion");
    root.addSubObjectCollection(drivers);
    drivers->addObject(std::make_shared<BCLibraryVersionObj>(card.driverNames,
                                                             card.driverVersion));
    root.addField("VRAMSize", std::to_string(card.videoMemorySize), kSearchKey);
    root.addField("DisplayWidth", std::to_string(mode.width), kSearchKey);
    root.addField("DisplayHeight", std::to_string(mode.height), kSearchKey);
    root.addField("RefreshRate", std::to_string(mode.refreshRate), kSearchKey);
    root.addField("BitsPerPixel", std::to_string(mode.bitsPerPixel), kSearchKey);
}

void printCard(const VideoControllerInfo& card, const DisplayModeDescription& mode,
               OutputPair& output)
{
    output << "Board name: " << card.cardName << std::endl;
    output << "Product ID: 0x" << std::hex << card.productID << " Vendor ID: 0x" << card.vendorID
           << " SubProduct ID: 0x" << card.subProductID << " SubVendor ID: 0x"
           << card.subVendorID << std::dec << std::endl;
    output << "Card driver: " << card.driverNames << " (" << card.driverVersion << ")"
           << std::endl;
    output << "VRAM: ";
    if (card.videoMemorySize == 0) {
        output << "Unknown";
    } else {
        printSize(output, card.videoMemorySize);
    }
    output << std::endl;
    output << "Display mode: " << mode.width << "x" << mode.height << "@" << mode.refreshRate
           << " (" << mode.bitsPerPixel << " bpp)" << std::endl;
    output.console() << std::endl << std::endl;
}

} // namespace

void describeGraphicsCard(const VideoControllerInfo& card, const DisplayModeDescription& mode,
                          BCObject& root, OutputPair& output)
{
    recordCard(card, mode, root);
    printCard(card, mode, output);
}
