#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "results/BCCPUObj.h"
#include "results/BCGraphicsCardObj.h"
#include "results/BCLibraryVersionObj.h"
#include "results/BCMotherboardObj.h"
#include "results/BCOperatingSysVersionObj.h"

namespace {
// Each field as "Name=value" with a trailing "*" when it is a search key.
std::vector<std::string> fieldsOf(const BCObject& record) {
    std::vector<std::string> fields;
    for (int i = 0; i < record.getNumFields(); ++i) {
        auto f = record.getField(i);
        fields.push_back(f->getName() + "=" + f->getValue() + (f->isSearchKey() ? "*" : ""));
    }
    return fields;
}

std::string xmlOf(const BCObject& record) {
    std::ostringstream out;
    record.writeXML(out, "\t");
    return out.str();
}

std::string queryOf(const BCObject& record) {
    std::ostringstream out;
    record.generateSearchQuery(out);
    return out.str();
}

using Fields = std::vector<std::string>;
}  // namespace

TEST(DescriptionObjectsTest, Processor) {
    auto cpu = std::make_shared<BCCPUObj>("Intel(R) Core(TM) i7 CPU");
    EXPECT_EQ("BenchmarkCPU", cpu->getTypeName());
    EXPECT_EQ(-1, cpu->getID());
    EXPECT_EQ((Fields{"Name=Intel(R) Core(TM) i7 CPU*"}), fieldsOf(*cpu));
    EXPECT_EQ(0, cpu->getNumSubObjects());
    EXPECT_EQ(0, cpu->getNumCollections());
}

TEST(DescriptionObjectsTest, MotherboardWithAndWithoutManufacturer) {
    BCMotherboardObj board("P6T", "ASUSTeK Computer INC.");
    EXPECT_EQ("BenchmarkMotherboard", board.getTypeName());
    EXPECT_EQ((Fields{"Name=P6T*", "Manufacturer=ASUSTeK Computer INC.*"}), fieldsOf(board));

    BCMotherboardObj anonymous("Board", "");
    EXPECT_EQ((Fields{"Name=Board*"}), fieldsOf(anonymous));
    EXPECT_EQ("<BenchmarkMotherboard>\n\t<Name>Board</Name>\n</BenchmarkMotherboard>\n",
              xmlOf(anonymous));
    EXPECT_EQ("BenchmarkMotherboard?Name=Board&", queryOf(anonymous));
}

TEST(DescriptionObjectsTest, GraphicsCardWithPciIDsSearchesByIDsNotName) {
    BCGraphicsCardObj card("NVIDIA GeForce GT 240", "NVIDIA", 0x0A20, 0x10DE, 0x0000, 0x1458);
    EXPECT_EQ("BenchmarkGraphicsCard", card.getTypeName());
    EXPECT_EQ((Fields{"Name=NVIDIA GeForce GT 240", "Manufacturer=NVIDIA*", "ProductID=0xa20*",
                      "VendorID=0x10de*", "SubProductID=0x0*", "SubVendorID=0x1458*"}),
              fieldsOf(card));
    EXPECT_EQ("<BenchmarkGraphicsCard>\n"
              "\t<Name>NVIDIA GeForce GT 240</Name>\n"
              "\t<Manufacturer>NVIDIA</Manufacturer>\n"
              "\t<ProductID>0xa20</ProductID>\n"
              "\t<VendorID>0x10de</VendorID>\n"
              "\t<SubProductID>0x0</SubProductID>\n"
              "\t<SubVendorID>0x1458</SubVendorID>\n"
              "</BenchmarkGraphicsCard>\n",
              xmlOf(card));
    EXPECT_EQ("BenchmarkGraphicsCard?Manufacturer=NVIDIA&ProductID=0xa20&VendorID=0x10de&"
              "SubProductID=0x0&SubVendorID=0x1458&",
              queryOf(card));
}

TEST(DescriptionObjectsTest, GraphicsCardWithoutProductIDSearchesByName) {
    BCGraphicsCardObj card("Wine Display", "", 0, 0, 0xFFFFFFFFu, 0x80000000u);
    EXPECT_EQ((Fields{"Name=Wine Display*", "ProductID=0x0*", "VendorID=0x0*",
                      "SubProductID=0xffffffff*", "SubVendorID=0x80000000*"}),
              fieldsOf(card));
    EXPECT_EQ("BenchmarkGraphicsCard?Name=Wine%20Display&ProductID=0x0&VendorID=0x0&"
              "SubProductID=0xffffffff&SubVendorID=0x80000000&",
              queryOf(card));
}

TEST(DescriptionObjectsTest, LibraryVersionOwnsItsLibraryRecord) {
    BCLibraryVersionObj version("kernel32.dll", "6.1.7601.17514");
    EXPECT_EQ("BenchmarkLibraryVersion", version.getTypeName());
    EXPECT_EQ((Fields{"LibraryVersion=6.1.7601.17514*"}), fieldsOf(version));
    ASSERT_EQ(1, version.getNumSubObjects());
    EXPECT_EQ(0, version.getNumCollections());
    auto ref = version.getSubObjectField(0);
    EXPECT_EQ("Library", ref->getName());
    EXPECT_TRUE(ref->isSearchKey());
    auto library = ref->getObject();
    EXPECT_EQ("BenchmarkLibrary", library->getTypeName());
    EXPECT_EQ(-1, library->getID());
    EXPECT_EQ((Fields{"Name=kernel32.dll*"}), fieldsOf(*library));
    EXPECT_EQ(0, library->getNumSubObjects());

    library->setID(4);
    EXPECT_EQ("BenchmarkLibrary?Name=kernel32.dll&", queryOf(*library));
    EXPECT_EQ("BenchmarkLibraryVersion?LibraryVersion=6.1.7601.17514&LibraryID=4&", queryOf(version));
    EXPECT_EQ("<BenchmarkLibraryVersion>\n"
              "\t<LibraryVersion>6.1.7601.17514</LibraryVersion>\n"
              "\t<Library id=\"4\"/>\n"
              "</BenchmarkLibraryVersion>\n",
              xmlOf(version));
}

TEST(DescriptionObjectsTest, OperatingSystemVersionOwnsItsSystemRecord) {
    BCOperatingSysVersionObj version("Microsoft Windows 7 Professional", "6.1.7601");
    EXPECT_EQ("BenchmarkOperatingSystemVersion", version.getTypeName());
    EXPECT_EQ((Fields{"OSVersion=6.1.7601*"}), fieldsOf(version));
    ASSERT_EQ(1, version.getNumSubObjects());
    auto ref = version.getSubObjectField(0);
    EXPECT_EQ("OperatingSystem", ref->getName());
    auto os = ref->getObject();
    EXPECT_EQ("BenchmarkOperatingSystem", os->getTypeName());
    EXPECT_EQ((Fields{"Name=Microsoft Windows 7 Professional*"}), fieldsOf(*os));
    os->setID(8);
    EXPECT_EQ("BenchmarkOperatingSystemVersion?OSVersion=6.1.7601&OperatingSystemID=8&",
              queryOf(version));
}

TEST(DescriptionObjectsTest, RecordsAcceptFurtherContentAndCollections) {
    auto root = std::make_shared<BCObject>("KorvidResult");
    auto drivers = std::make_shared<BCObjectCollection>("DriverLibraries", "BenchmarkLibraryVersion");
    root->addSubObjectCollection(drivers);
    drivers->addObject(std::make_shared<BCLibraryVersionObj>("nvd3dum.dll", "8.17.12.6099"));
    root->addSubObject("GraphicsCard",
                       std::make_shared<BCGraphicsCardObj>("Card", "", 1, 2, 3, 4));
    EXPECT_EQ(1, root->getCollection(0)->getNumObjects());
    EXPECT_EQ("BenchmarkGraphicsCard", root->getSubObjectField(0)->getObject()->getTypeName());
}
