#include <memory>
#include <sstream>
#include <string>

#include <gtest/gtest.h>
#include <rapidxml/rapidxml.hpp>

#include "results/BCObject.h"
#include "results/ResultsTestHelpers.h"

namespace {
std::shared_ptr<BCObject> withID(const std::string& type, int32_t id) {
    auto record = std::make_shared<BCObject>(type);
    record->setID(id);
    return record;
}
}  // namespace

TEST(BCObjectXmlTest, NineLineExampleDocument) {
    BCObject result("KorvidResult");
    result.setID(99);  // its own ID is never written
    result.addField("RAMSize", "4096", 0);
    result.addField("Random_Ops_s", "1234.5", 0);
    result.addSubObject("Processor", withID("BenchmarkCPU", 12));
    auto libraries = std::make_shared<BCObjectCollection>("Libraries", "BenchmarkLibraryVersion");
    libraries->addObject(withID("BenchmarkLibraryVersion", 5));
    libraries->addObject(withID("BenchmarkLibraryVersion", 7));
    result.addSubObjectCollection(libraries);

    std::ostringstream out;
    result.writeXML(out, "\t");
    EXPECT_EQ("<KorvidResult>\n"
              "\t<RAMSize>4096</RAMSize>\n"
              "\t<Random_Ops_s>1234.5</Random_Ops_s>\n"
              "\t<Processor id=\"12\"/>\n"
              "\t<Libraries>\n"
              "\t\t<BenchmarkLibraryVersion id=\"5\"/>\n"
              "\t\t<BenchmarkLibraryVersion id=\"7\"/>\n"
              "\t</Libraries>\n"
              "</KorvidResult>\n",
              out.str());
}

TEST(BCObjectXmlTest, EmptyRecordAndEmptyCollection) {
    BCObject record("BenchmarkCPU");
    std::ostringstream empty;
    record.writeXML(empty, "\t");
    EXPECT_EQ("<BenchmarkCPU>\n</BenchmarkCPU>\n", empty.str());

    record.addSubObjectCollection(std::make_shared<BCObjectCollection>("List", "X"));
    std::ostringstream withList;
    record.writeXML(withList, "  ");
    EXPECT_EQ("<BenchmarkCPU>\n  <List>\n  </List>\n</BenchmarkCPU>\n", withList.str());
}

TEST(BCObjectXmlTest, CollectionWritesFourLinesWithItsOwnIndent) {
    BCObjectCollection libraries("Libraries", "BenchmarkLibraryVersion");
    libraries.addObject(withID("BenchmarkLibraryVersion", 5));
    libraries.addObject(withID("BenchmarkLibraryVersion", 7));
    std::ostringstream out;
    libraries.writeXML(out, "\t");
    EXPECT_EQ("\t<Libraries>\n"
              "\t\t<BenchmarkLibraryVersion id=\"5\"/>\n"
              "\t\t<BenchmarkLibraryVersion id=\"7\"/>\n"
              "\t</Libraries>\n",
              out.str());
}

TEST(BCObjectXmlTest, FieldsWriteValuesUnchangedExceptMarkup) {
    std::ostringstream out;
    BCField("Name", "", 1).writeXML(out);
    BCField("Name", "Intel(R) Core(TM) i7 @ 2.80GHz", 1).writeXML(out);
    BCField("Name", "Caf\xE9 \"x\" 'y'", 1).writeXML(out);
    EXPECT_EQ("<Name></Name>\n"
              "<Name>Intel(R) Core(TM) i7 @ 2.80GHz</Name>\n"
              "<Name>Caf\xE9 \"x\" 'y'</Name>\n",
              out.str());
}

TEST(BCObjectXmlTest, MarkupCharactersInValuesAreEscaped) {
    BCObject card("BenchmarkGraphicsCard");
    card.addField("Name", "R&D <beta>", 1);
    card.addField("Note", "&amp; stays literal", 0);
    std::ostringstream out;
    card.writeXML(out, "\t");
    EXPECT_EQ("<BenchmarkGraphicsCard>\n"
              "\t<Name>R&amp;D &lt;beta&gt;</Name>\n"
              "\t<Note>&amp;amp; stays literal</Note>\n"
              "</BenchmarkGraphicsCard>\n",
              out.str());
}

TEST(BCObjectXmlTest, EscapedDocumentParsesBackToTheStoredValues) {
    BCObject card("BenchmarkGraphicsCard");
    card.addField("Name", "R&D <beta> \"quoted\"", 1);
    auto vendor = std::make_shared<BCObject>("BenchmarkVendor");
    vendor->setID(9);
    card.addSubObject("Vendor", vendor);
    std::ostringstream out;
    card.writeXML(out, "\t");
    std::string text = out.str();

    rapidxml::xml_document<> document;
    ASSERT_NO_THROW(document.parse<0>(&text[0]));
    rapidxml::xml_node<>* root = document.first_node();
    ASSERT_NE(nullptr, root);
    EXPECT_STREQ("BenchmarkGraphicsCard", root->name());
    rapidxml::xml_node<>* name = root->first_node("Name");
    ASSERT_NE(nullptr, name);
    EXPECT_STREQ("R&D <beta> \"quoted\"", name->value());
    rapidxml::xml_node<>* ref = root->first_node("Vendor");
    ASSERT_NE(nullptr, ref);
    ASSERT_NE(nullptr, ref->first_attribute("id"));
    EXPECT_STREQ("9", ref->first_attribute("id")->value());
}

TEST(BCObjectXmlTest, SharedRecordKeepsOneIDForBothOwners) {
    auto cpu = std::make_shared<BCObject>("BenchmarkCPU");
    BCObject first("A");
    BCObject second("B");
    first.addSubObject("Processor", cpu);
    second.addSubObject("CPU", cpu);
    auto list = std::make_shared<BCObjectCollection>("CPUs", "BenchmarkCPU");
    second.addSubObjectCollection(list);
    list->addObject(cpu);
    cpu->setID(31);

    std::ostringstream a;
    std::ostringstream b;
    first.writeXML(a, "\t");
    second.writeXML(b, "\t");
    EXPECT_EQ("<A>\n\t<Processor id=\"31\"/>\n</A>\n", a.str());
    EXPECT_EQ("<B>\n\t<CPU id=\"31\"/>\n\t<CPUs>\n\t\t<BenchmarkCPU id=\"31\"/>\n\t</CPUs>\n</B>\n",
              b.str());
}

TEST(BCObjectXmlTest, CollectionFilledAfterAttachingIsWritten) {
    BCObject result("KorvidResult");
    auto drivers = std::make_shared<BCObjectCollection>("DriverLibraries", "BenchmarkLibraryVersion");
    result.addSubObjectCollection(drivers);
    drivers->addObject(withID("BenchmarkLibraryVersion", 23));
    std::ostringstream out;
    result.writeXML(out, "\t");
    EXPECT_EQ("<KorvidResult>\n"
              "\t<DriverLibraries>\n"
              "\t\t<BenchmarkLibraryVersion id=\"23\"/>\n"
              "\t</DriverLibraries>\n"
              "</KorvidResult>\n",
              out.str());
}

TEST(BCObjectXmlTest, WriteIDWithoutIDThrowsAndWritesNothing) {
    BCObject record("BenchmarkLibraryVersion");
    std::ostringstream out;
    EXPECT_EQ("ERROR: BCObject::writeID_XML called before a valid ID has been given for an object "
              "of class: BenchmarkLibraryVersion",
              thrownText([&] { record.writeID_XML(out); }));
    EXPECT_EQ("", out.str());
    record.setID(0);
    record.writeID_XML(out);
    EXPECT_EQ("<BenchmarkLibraryVersion id=\"0\"/>\n", out.str());
}

TEST(BCObjectXmlTest, SubObjectWithoutIDLeavesPartialOutputThenThrows) {
    BCObject result("KorvidResult");
    result.addField("RAMSize", "4096", 0);
    result.addSubObject("Motherboard", withID("BenchmarkMotherboard", 3));
    result.addSubObject("Processor", std::make_shared<BCObject>("BenchmarkCPU"));
    result.addField("Late", "x", 0);  // fields are written before references regardless
    std::ostringstream out;
    EXPECT_EQ("ERROR: BCObjectField::writeXML called before a valid ID has been given for an "
              "object of class: BenchmarkCPU",
              thrownText([&] { result.writeXML(out, "\t"); }));
    EXPECT_EQ("<KorvidResult>\n"
              "\t<RAMSize>4096</RAMSize>\n"
              "\t<Late>x</Late>\n"
              "\t<Motherboard id=\"3\"/>\n"
              "\t",
              out.str());
}

TEST(BCObjectXmlTest, CollectionMemberWithoutIDLeavesPartialOutputThenThrows) {
    BCObject result("KorvidResult");
    auto libraries = std::make_shared<BCObjectCollection>("Libraries", "BenchmarkLibraryVersion");
    libraries->addObject(withID("BenchmarkLibraryVersion", 5));
    libraries->addObject(std::make_shared<BCObject>("BenchmarkLibraryVersion"));
    result.addSubObjectCollection(libraries);
    std::ostringstream out;
    EXPECT_EQ("ERROR: BCObject::writeID_XML called before a valid ID has been given for an object "
              "of class: BenchmarkLibraryVersion",
              thrownText([&] { result.writeXML(out, "\t"); }));
    EXPECT_EQ("<KorvidResult>\n"
              "\t<Libraries>\n"
              "\t\t<BenchmarkLibraryVersion id=\"5\"/>\n"
              "\t\t",
              out.str());
}

TEST(BCObjectXmlTest, NegativeAndLargeIDsAreWrittenInDecimal) {
    std::ostringstream out;
    BCObjectField("A", withID("X", 2147483647), true).writeXML(out);
    BCObjectField("B", withID("X", -2), true).writeXML(out);
    EXPECT_EQ("<A id=\"2147483647\"/>\n<B id=\"-2\"/>\n", out.str());
}
