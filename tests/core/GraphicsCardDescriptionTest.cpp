#include "core/GraphicsCardDescription.h"

#include "base/OutputPair.h"
#include "results/BCObject.h"
#include "base/VideoControllerInfo.h"

#include <gtest/gtest.h>

#include <iomanip>
#include <memory>
#include <sstream>
#include <string>

namespace {

struct Described {
    std::string console, transcript;
    std::shared_ptr<BCObject> root = std::make_shared<BCObject>("KorvidResult");
};

VideoControllerInfo geforce()
{
    VideoControllerInfo card;
    card.cardName = "NVIDIA GeForce GTX 470";
    card.productID = 0x6cd;
    card.vendorID = 0x10de;
    card.subProductID = 0;
    card.subVendorID = 0;
    card.driverNames = "nvd3dum.dll";
    card.driverVersion = "8.17.12.7533";
    card.videoMemorySize = 0xFFF00000ull;
    return card;
}

Described describe(const VideoControllerInfo& card, DisplayModeDescription mode,
                   int precision = 3)
{
    Described d;
    std::ostringstream console, transcript;
    // The run has set a precision of 3 by the time a graphics test is created.
    console << std::setprecision(precision);
    transcript << std::setprecision(precision);
    OutputPair out(console, transcript);
    describeGraphicsCard(card, mode, *d.root, out);
    d.console = console.str();
    d.transcript = transcript.str();
    return d;
}

std::string field(const BCObject& record, const std::string& name)
{
    for (int i = 0; i < record.getNumFields(); ++i) {
        if (record.getField(i)->getName() == name) {
            return record.getField(i)->getValue();
        }
    }
    return "<missing>";
}

} // namespace

TEST(GraphicsCardDescription, PrintsTheCardThroughBothStreams)
{
    Described d = describe(geforce(), {1920, 1080, 60, 32});
    EXPECT_EQ(d.transcript,
              "Board name: NVIDIA GeForce GTX 470\n"
              "Product ID: 0x6cd Vendor ID: 0x10de SubProduct ID: 0x0 SubVendor ID: 0x0\n"
              "Card driver: nvd3dum.dll (8.17.12.7533)\n"
              "VRAM: 4 GiB\n"
              "Display mode: 1920x1080@60 (32 bpp)\n");
    // The two empty lines go to the console only.
    EXPECT_EQ(d.console, d.transcript + "\n\n");
}

TEST(GraphicsCardDescription, DecimalIsRestoredAfterTheIDs)
{
    VideoControllerInfo card = geforce();
    card.productID = 0xC960;
    card.subVendorID = 0x1462;
    Described d = describe(card, {1280, 1024, 75, 16});
    EXPECT_NE(d.transcript.find("Product ID: 0xc960 Vendor ID: 0x10de SubProduct ID: 0x0 "
                                "SubVendor ID: 0x1462\n"),
              std::string::npos);
    EXPECT_NE(d.transcript.find("Display mode: 1280x1024@75 (16 bpp)\n"), std::string::npos);
}

TEST(GraphicsCardDescription, UnknownVideoMemory)
{
    VideoControllerInfo card = geforce();
    card.videoMemorySize = 0;
    Described d = describe(card, {320, 240, 0, 32});
    EXPECT_NE(d.transcript.find("\nVRAM: Unknown\n"), std::string::npos);
    EXPECT_EQ(field(*d.root, "VRAMSize"), "0");
}

TEST(GraphicsCardDescription, VideoMemoryWithUnits)
{
    VideoControllerInfo card = geforce();
    card.videoMemorySize = 268435456;
    Described d = describe(card, {320, 240, 0, 32});
    EXPECT_NE(d.transcript.find("\nVRAM: 256 MiB\n"), std::string::npos);
}

TEST(GraphicsCardDescription, RecordsCardDriverAndDisplayMode)
{
    Described d = describe(geforce(), {320, 240, 0, 32});
    const BCObject& root = *d.root;

    ASSERT_EQ(root.getNumSubObjects(), 1);
    EXPECT_EQ(root.getSubObjectField(0)->getName(), "GraphicsCard");
    std::shared_ptr<BCObject> card = root.getSubObjectField(0)->getObject();
    EXPECT_EQ(card->getTypeName(), "BenchmarkGraphicsCard");
    EXPECT_EQ(field(*card, "Name"), "NVIDIA GeForce GTX 470");
    EXPECT_EQ(field(*card, "ProductID"), "0x6cd");
    EXPECT_EQ(field(*card, "VendorID"), "0x10de");
    EXPECT_EQ(field(*card, "SubProductID"), "0x0");
    EXPECT_EQ(field(*card, "SubVendorID"), "0x0");
    EXPECT_EQ(field(*card, "Manufacturer"), "<missing>");

    ASSERT_EQ(root.getNumCollections(), 1);
    std::shared_ptr<BCObjectCollection> drivers = root.getCollection(0);
    EXPECT_EQ(drivers->getName(), "DriverLibraries");
    EXPECT_EQ(drivers->getElementTypeName(), "BenchmarkLibraryVersion");
    ASSERT_EQ(drivers->getNumObjects(), 1);
    std::shared_ptr<BCObject> driver = drivers->getObject(0);
    EXPECT_EQ(field(*driver, "LibraryVersion"), "8.17.12.7533");
    ASSERT_EQ(driver->getNumSubObjects(), 1);
    EXPECT_EQ(field(*driver->getSubObjectField(0)->getObject(), "Name"), "nvd3dum.dll");

    const char* names[] = {"VRAMSize", "DisplayWidth", "DisplayHeight", "RefreshRate",
                           "BitsPerPixel"};
    const char* values[] = {"4293918720", "320", "240", "0", "32"};
    ASSERT_EQ(root.getNumFields(), 5);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(root.getField(i)->getName(), names[i]);
        EXPECT_EQ(root.getField(i)->getValue(), values[i]);
        EXPECT_TRUE(root.getField(i)->isSearchKey()) << names[i];
    }
}
