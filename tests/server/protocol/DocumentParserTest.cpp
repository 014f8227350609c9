#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "server/protocol/DocumentParser.h"
#include "server/protocol/ProtocolError.h"

namespace {

std::string refusal(const std::string& body, const std::string& type)
{
    try {
        parseRecordDocument(body, type);
    } catch (const ProtocolError& error) {
        EXPECT_EQ(400, error.status());
        return error.what();
    }
    return "(accepted)";
}

} // namespace

// A whole result document as the client writes it, with escaped markup and a Windows-1252 byte.
TEST(DocumentParserTest, ReadsAResultDocumentAsTheClientWritesIt)
{
    const std::string body =
        "<KorvidResult>\n"
        "\t<RAMSize>4096</RAMSize>\n"
        "\t<CardNote>R&amp;D &lt;beta&gt; \xAE</CardNote>\n"
        "\t<Empty></Empty>\n"
        "\t<FillRect_16x16_Ops_s>1234.5</FillRect_16x16_Ops_s>\n"
        "\t<Processor id=\"12\"/>\n"
        "\t<GraphicsCard id=\"2147483647\"/>\n"
        "\t<Libraries>\n"
        "\t\t<BenchmarkLibraryVersion id=\"5\"/>\n"
        "\t\t<BenchmarkLibraryVersion id=\"7\"/>\n"
        "\t</Libraries>\n"
        "\t<DriverLibraries>\n"
        "\t</DriverLibraries>\n"
        "</KorvidResult>\n";
    const RecordDocument record = parseRecordDocument(body, "KorvidResult");

    EXPECT_EQ("KorvidResult", record.type);
    const std::vector<std::pair<std::string, std::string>> expectedFields = {
        {"RAMSize", "4096"},
        {"CardNote", "R&D <beta> \xC2\xAE"},
        {"Empty", ""},
        {"FillRect_16x16_Ops_s", "1234.5"}};
    std::vector<std::pair<std::string, std::string>> fields;
    for (const RecordField& field : record.fields)
        fields.emplace_back(field.name, field.value);
    EXPECT_EQ(expectedFields, fields);

    ASSERT_EQ(2u, record.references.size());
    EXPECT_EQ("Processor", record.references[0].name);
    EXPECT_EQ(12, record.references[0].id);
    EXPECT_EQ(2147483647, record.references[1].id);

    ASSERT_EQ(2u, record.collections.size());
    EXPECT_EQ("Libraries", record.collections[0].name);
    ASSERT_EQ(2u, record.collections[0].members.size());
    EXPECT_EQ("BenchmarkLibraryVersion", record.collections[0].members[1].type);
    EXPECT_EQ(7, record.collections[0].members[1].id);
    EXPECT_EQ("DriverLibraries", record.collections[1].name);
    EXPECT_TRUE(record.collections[1].members.empty());
}

TEST(DocumentParserTest, RefusesWhatIsNotARecordOfTheType)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"<BenchmarkCPU><Name>x</Name></BenchmarkCPU>",
         "the root element <BenchmarkCPU> does not match the type BenchmarkMotherboard of the "
         "address"},
        {"<BenchmarkMotherboard><Name>x</Name>", "malformed record document: unexpected end of data"},
        {"", "no record element"},
        {"just text", "malformed record document: expected <"},
        {"<BenchmarkMotherboard/><BenchmarkMotherboard/>", "more than one root element"},
        {"<BenchmarkMotherboard a=\"1\"/>", "the root element takes no attributes"},
        {"<BenchmarkMotherboard>stray<Name>x</Name></BenchmarkMotherboard>",
         "text directly inside <BenchmarkMotherboard>"},
        {"<BenchmarkMotherboard><Chipset id=\"3\"/></BenchmarkMotherboard>",
         "BenchmarkMotherboard has no reference named Chipset"},
        {"<BenchmarkMotherboard><Parts><BenchmarkCPU id=\"1\"/></Parts></BenchmarkMotherboard>",
         "BenchmarkMotherboard has no collection named Parts"},
        {"<!DOCTYPE x [<!ENTITY a \"aaaa\">]><BenchmarkMotherboard><Name>&a;</Name>"
         "</BenchmarkMotherboard>",
         "declarations, comments and CDATA are not accepted in a record document"},
        {std::string("<BenchmarkMotherboard><Name>a\0b</Name></BenchmarkMotherboard>", 50),
         "the record document contains a NUL byte"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.second, refusal(c.first, "BenchmarkMotherboard")) << c.first;
}

TEST(DocumentParserTest, RefusesBadReferencesAndMembers)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"<Processor id=\"0\"/>", "<Processor> has an invalid id \"0\""},
        {"<Processor id=\"-4\"/>", "<Processor> has an invalid id \"-4\""},
        {"<Processor id=\"2147483648\"/>", "<Processor> has an invalid id \"2147483648\""},
        {"<Processor id=\"12abc\"/>", "<Processor> has an invalid id \"12abc\""},
        {"<Processor id=\"\"/>", "<Processor> has an invalid id \"\""},
        {"<Processor ID=\"12\"/>", "<Processor> must be an empty element with one id attribute"},
        {"<Processor id=\"1\" x=\"2\"/>",
         "<Processor> must be an empty element with one id attribute"},
        {"<Processor id=\"1\">text</Processor>",
         "<Processor> must be an empty element with one id attribute"},
        {"<Libraries><BenchmarkLibrary id=\"5\"/></Libraries>",
         "the collection <Libraries> holds BenchmarkLibraryVersion records, not "
         "<BenchmarkLibrary>"},
        {"<Libraries>text<BenchmarkLibraryVersion id=\"5\"/></Libraries>",
         "text in the collection <Libraries>"},
        {"<Libraries><BenchmarkLibraryVersion/></Libraries>",
         "<BenchmarkLibraryVersion> must be an empty element with one id attribute"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.second, refusal("<KorvidResult>" + c.first + "</KorvidResult>", "KorvidResult"))
            << c.first;
}

// Nesting and size are refused before the recursive parser sees them.
TEST(DocumentParserTest, RefusesDeepAndHugeDocuments)
{
    std::string deep;
    for (int i = 0; i < 100000; ++i)
        deep += "<a>";
    EXPECT_EQ("the record document is nested too deeply", refusal(deep, "BenchmarkCPU"));

    std::string many = "<BenchmarkCPU>";
    for (int i = 0; i < 5000; ++i)
        many += "<Name/>";
    many += "</BenchmarkCPU>";
    EXPECT_EQ("too many elements in the record document", refusal(many, "BenchmarkCPU"));

    // Nine levels with quoted '>' in attribute values is still nine levels.
    std::string nine = "<BenchmarkCPU>";
    for (int i = 0; i < 8; ++i)
        nine += "<a b=\">\">";
    EXPECT_EQ("the record document is nested too deeply", refusal(nine, "BenchmarkCPU"));
}
