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
        // The client writes IDs as plain numbers; "007" would be looked up as ProcessorID=007.
        {"<Processor id=\"007\"/>", "<Processor> has an invalid id \"007\""},
        {"<Processor id=\"" + std::string(40, '9') + "\"/>", "<Processor> has an invalid id"},
        // A reference's name is no field name.
        {"<Processor>12</Processor>", "<Processor> must be an empty element with one id attribute"},
        // A twice-sent reference would file the result under one card and show another's IDs.
        {"<GraphicsCard id=\"1\"/><GraphicsCard id=\"2\"/>", "the reference <GraphicsCard> is sent twice"},
        {"<Libraries/><DriverLibraries/><Libraries></Libraries>", "the collection <Libraries> is sent twice"},
        {"<GraphicsCardID>5</GraphicsCardID>",
         "the field <GraphicsCardID> would be looked up as the reference <GraphicsCard>"},
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

namespace {

std::string repeated(const std::string& text, std::size_t times)
{
    std::string out;
    for (std::size_t i = 0; i < times; ++i)
        out += text;
    return out;
}

std::string cpu(const std::string& content)
{
    return "<BenchmarkCPU>" + content + "</BenchmarkCPU>";
}

} // namespace

// Every tag is read whole before the recursive parser sees the document, and one the shape
// check cannot read is refused: the parser takes '"' or '-' for name bytes and reads over '<'
// inside attribute values, so its nesting could differ from what was counted.
TEST(DocumentParserTest, RefusesTagsTheShapeCheckCannotRead)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"<BenchmarkCPU><f\">" + repeated("<a>", 300000),
         "malformed record document: unreadable tag at byte 14"},
        {cpu("<Name a=\"<b>\">x</Name>"), "malformed record document: unreadable tag at byte 14"},
        {cpu("<Name a=\"&#60;\"/>"), "malformed record document: unreadable tag at byte 14"},
        {cpu("<Name a=1/>"), "malformed record document: unreadable tag at byte 14"},
        {cpu("<Name a=\"1\"b=\"2\"/>"), "malformed record document: unreadable tag at byte 14"},
        {cpu("<Na-me>x</Na-me>"), "malformed record document: unreadable tag at byte 14"},
        {cpu("<1Name>x</1Name>"), "malformed record document: unreadable tag at byte 14"},
        {"< BenchmarkCPU/>", "malformed record document: unreadable tag at byte 0"},
        {cpu("<Name>x</Name junk>"), "malformed record document: unreadable tag at byte 21"},
        {cpu("<Name/ >"), "malformed record document: unreadable tag at byte 14"},
        {"<BenchmarkCPU><Name", "malformed record document: the tag at byte 14 is not closed"},
        {"<BenchmarkCPU><Name a=\"x>" + repeated(">", 20), "malformed record document: the tag at byte 14 is not closed"},
        {cpu("<Name>x</Nam>"), "malformed record document: </Nam> closes <Name>"},
        {"</BenchmarkCPU>", "malformed record document: </BenchmarkCPU> closes no element"},
        {"<?pi x?><BenchmarkCPU/>", "processing instructions are not accepted in a record document"},
        {cpu("<?xml version=\"1.0\"?>" + repeated("<a>", 20)),
         "processing instructions are not accepted in a record document"},
        {"<BenchmarkCPU/><?xml version=\"1.0\"?>", "processing instructions are not accepted in a record document"},
        {cpu("<![CDATA[<a>]]>"), "declarations, comments and CDATA are not accepted in a record document"},
        {"<BenchmarkCPU/>\n<BenchmarkCPU/>", "more than one root element"},
        {cpu("<" + std::string(129, 'N') + "/>"), "an element or attribute name is longer than 128 bytes"},
        {cpu("<Name " + std::string(129, 'a') + "=\"1\"/>"), "an element or attribute name is longer than 128 bytes"},
        // A quoted '>' is read as part of the value on both sides.
        {cpu("<Name a=\">\"/>"), "BenchmarkCPU has no reference named Name"},
        // What passes: a declaration at the start (after a byte order mark), blanks in tags.
        {"\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"windows-1252\"?>\n" + cpu("<Name\n>x</Name\t>"),
         "(accepted)"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.second, refusal(c.first, "BenchmarkCPU")) << c.first.substr(0, 80);
}

// The bounds of DocumentLimits, each just inside and just beyond, measured as stored (UTF-8).
TEST(DocumentParserTest, RefusesNamesValuesAndCollectionsBeyondTheirBounds)
{
    auto result = [](const std::string& content) { return "<KorvidResult>" + content + "</KorvidResult>"; };
    auto field = [](const std::string& name, const std::string& value) {
        return "<" + name + ">" + value + "</" + name + ">";
    };
    auto members = [](std::size_t count) {
        return "<Libraries>" + repeated("<BenchmarkLibraryVersion id=\"3\"/>", count) + "</Libraries>";
    };
    const std::string measurement64 = std::string(58, 'A') + "_Ops_s";
    const std::string measurement65 = std::string(59, 'A') + "_Ops_s";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {result(field("CardNote", std::string(4096, 'x'))), "(accepted)"},
        {result(field("CardNote", std::string(4097, 'x'))), "the value of <CardNote> is longer than 4096 bytes"},
        // 0xAE is two bytes in UTF-8.
        {result(field("CardNote", std::string(2048, '\xAE'))), "(accepted)"},
        {result(field("CardNote", std::string(2049, '\xAE'))), "the value of <CardNote> is longer than 4096 bytes"},
        // "&amp;" is one byte stored.
        {result(field("CardNote", repeated("&amp;", 4096))), "(accepted)"},
        {result(field(std::string(128, 'N'), "1")), "(accepted)"},
        {result(field(measurement64, "1.5")), "(accepted)"},
        {result(field(std::string(4000, 'A') + "_Ops_s", "1")),
         "an element or attribute name is longer than 128 bytes"},
        {result(field(measurement65, "1.5")), "the measurement name <" + measurement65 + "> is longer than 64 bytes"},
        {result(field(measurement65, "fast")), "the measurement name <" + measurement65 + "> is longer than 64 bytes"},
        // Names as long that name no test are machine fields.
        {result(field(std::string(65, 'A') + "_Speed", "1")), "(accepted)"},
        {result(members(64)), "(accepted)"},
        {result(members(65)), "the collection <Libraries> holds more than 64 records"},
        // A card name of some hundred characters, in Windows-1252 and in UTF-8.
        {"<BenchmarkGraphicsCard>" + field("Name", repeated("Radeon\xAE X ", 40)) + "</BenchmarkGraphicsCard>",
         "(accepted)"},
        {"<BenchmarkGraphicsCard>" + field("Name", repeated("\xE2\x84\xA2", 300)) + "</BenchmarkGraphicsCard>",
         "(accepted)"},
    };
    for (const auto& c : cases) {
        const std::string type = c.first.substr(1, c.first.find('>') - 1);
        EXPECT_EQ(c.second, refusal(c.first, type)) << c.first.substr(0, 80);
    }
}

// A NUL cuts a stored text short on one storage and fails on the other: refused raw and as
// any character reference the parser decodes to 0.
TEST(DocumentParserTest, RefusesNulAsByteAndAsCharacterReference)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {cpu(std::string("<Name>a\0b</Name>", 16)), "the record document contains a NUL byte"},
        {cpu("<Name>a&#0;b</Name>"), "the value of <Name> contains a NUL character"},
        {cpu("<Name>&#x0;</Name>"), "the value of <Name> contains a NUL character"},
        {cpu("<Name>&#;</Name>"), "the value of <Name> contains a NUL character"},
        {cpu("<Name>&#00000;</Name>"), "the value of <Name> contains a NUL character"},
        // 2^64 wraps to 0 in the parser's arithmetic.
        {cpu("<Name>&#18446744073709551616;</Name>"), "the value of <Name> contains a NUL character"},
        {cpu("<Name>&#1;</Name>"), "(accepted)"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.second, refusal(c.first, "BenchmarkCPU")) << c.first;
}

// Fields that would pose as a reference's lookup pair, per type.
TEST(DocumentParserTest, RefusesFieldsNamedAsAReferencesLookupPair)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"<BenchmarkLibraryVersion><LibraryVersion>1.0</LibraryVersion><LibraryID>4</LibraryID>"
         "</BenchmarkLibraryVersion>",
         "the field <LibraryID> would be looked up as the reference <Library>"},
        {"<BenchmarkOperatingSystemVersion><OperatingSystemID>1</OperatingSystemID>"
         "</BenchmarkOperatingSystemVersion>",
         "the field <OperatingSystemID> would be looked up as the reference <OperatingSystem>"},
        // Types without that reference may have such a field.
        {"<BenchmarkLibrary><LibraryID>4</LibraryID></BenchmarkLibrary>", "(accepted)"},
        {"<BenchmarkLibraryVersion><Library_ID>4</Library_ID></BenchmarkLibraryVersion>", "(accepted)"},
    };
    for (const auto& c : cases) {
        const std::string type = c.first.substr(1, c.first.find('>') - 1);
        EXPECT_EQ(c.second, refusal(c.first, type)) << c.first;
    }
}

// The request line of the lookup "GET " + 64-byte base + "BenchmarkCPU?Name=" + value + "&"
// + " HTTP/1.1" is 96 bytes plus the encoded value: 2698 slashes (3 bytes each) and two
// letters make 8192, one letter more 8193.
TEST(DocumentParserTest, RefusesADescriptionRecordWhoseLookupWouldNotFitARequestLine)
{
    const std::string fits = std::string(2698, '/') + "ab";
    EXPECT_EQ("(accepted)", refusal(cpu("<Name>" + fits + "</Name>"), "BenchmarkCPU"));
    EXPECT_EQ("the lookup of this record would need a request line of 8193 bytes, over the 8192 bytes a "
              "request line may have",
              refusal(cpu("<Name>" + fits + "c</Name>"), "BenchmarkCPU"));
    // Blanks alone are stored empty, but the sender's lookup carries them.
    EXPECT_EQ("the lookup of this record would need a request line of 8196 bytes, over the 8192 bytes a "
              "request line may have",
              refusal(cpu("<Name>" + std::string(2700, ' ') + "</Name>"), "BenchmarkCPU"));
    // Two values of a motherboard count together; a result is never looked up.
    const std::string half(1400, '/');  // 98 + (5 + 4200 + 1) + (13 + 4200 + 1) bytes
    EXPECT_EQ("the lookup of this record would need a request line of 8518 bytes, over the 8192 bytes a "
              "request line may have",
              refusal("<BenchmarkMotherboard><Name>" + half + "</Name><Manufacturer>" + half +
                                        "</Manufacturer></BenchmarkMotherboard>",
                                    "BenchmarkMotherboard"));
    EXPECT_EQ("(accepted)", refusal("<KorvidResult><Name>" + half + "</Name><Manufacturer>" + half +
                                        "</Manufacturer></KorvidResult>",
                                    "KorvidResult"));
    // A graphics card with a product ID is looked up without its name.
    EXPECT_EQ("(accepted)", refusal("<BenchmarkGraphicsCard><Name>" + std::string(4000, '/') +
                                        "</Name><ProductID>0x6cd</ProductID></BenchmarkGraphicsCard>",
                                    "BenchmarkGraphicsCard"));
}
