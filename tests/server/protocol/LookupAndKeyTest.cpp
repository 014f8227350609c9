#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "results/BCCPUObj.h"
#include "results/BCField.h"
#include "results/BCObjectField.h"
#include "results/BCGraphicsCardObj.h"
#include "results/BCLibraryVersionObj.h"
#include "results/BCMotherboardObj.h"
#include "results/UrlEncode.h"
#include "server/protocol/DocumentParser.h"
#include "server/protocol/LookupLine.h"
#include "server/protocol/LookupQuery.h"
#include "server/protocol/MeasurementName.h"
#include "server/protocol/ProtocolError.h"
#include "server/protocol/Replies.h"
#include "server/protocol/SearchKey.h"
#include "server/protocol/TextEncoding.h"

namespace {

using Pairs = std::vector<std::pair<std::string, std::string>>;

SearchKey keyOf(const std::string& document, const std::string& type)
{
    return SearchKey::ofRecord(parseRecordDocument(document, type));
}

int refusedStatus(const std::string& query)
{
    try {
        parseLookupQuery(query);
    } catch (const ProtocolError& error) {
        return error.status();
    }
    return 0;
}

std::string lookupRefusal(const std::string& query)
{
    try {
        parseLookupQuery(query);
    } catch (const ProtocolError& error) {
        EXPECT_EQ(400, error.status());
        return error.what();
    }
    return "(accepted)";
}

std::string repeated(const std::string& text, int times)
{
    std::string out;
    for (int i = 0; i < times; ++i)
        out += text;
    return out;
}

std::string documentOf(const BCObject& record)
{
    std::ostringstream out;
    record.writeXML(out, "\t");
    return out.str();
}

// The pairs of the client's lookup as it holds them, in UTF-8.
Pairs searchPairsOf(const BCObject& record)
{
    Pairs pairs;
    for (int i = 0; i < record.getNumFields(); ++i) {
        if (record.getField(i)->isSearchKey())
            pairs.emplace_back(record.getField(i)->getName(), toUtf8(record.getField(i)->getValue()));
    }
    for (int i = 0; i < record.getNumSubObjects(); ++i)
        pairs.emplace_back(record.getSubObjectField(i)->getName() + "ID",
                           std::to_string(record.getSubObjectField(i)->getObject()->getID()));
    return pairs;
}

// The query the client appends to the API base: "Type?name=value&...".
std::string queryOf(const BCObject& record)
{
    std::ostringstream out;
    record.generateSearchQuery(out);
    const std::string text = out.str();
    return text.substr(text.find('?') + 1);
}

} // namespace

// The lookup a client makes and the record it submitted meet on one key; the equality rule's
// cases side by side.
TEST(SearchKeyTest, LookupsMeetTheRecordsTheyDescribe)
{
    // The client's query for a motherboard and the document it posts.
    EXPECT_EQ(parseLookupQuery("Name=P8P67%20%28Rev%201%29&Manufacturer=ASUSTeK&").canonical(),
              keyOf("<BenchmarkMotherboard>\n\t<Name>P8P67 (Rev 1)</Name>\n"
                    "\t<Manufacturer>ASUSTeK</Manufacturer>\n</BenchmarkMotherboard>\n",
                    "BenchmarkMotherboard")
                  .canonical());
    // Order does not matter; a pair more or less does.
    EXPECT_EQ(parseLookupQuery("b=2&a=1&").canonical(), parseLookupQuery("a=1&b=2&").canonical());
    EXPECT_NE(parseLookupQuery("Name=P8P67&").canonical(),
              keyOf("<BenchmarkMotherboard><Name>P8P67</Name><Manufacturer>ASUS</Manufacturer>"
                    "</BenchmarkMotherboard>",
                    "BenchmarkMotherboard")
                  .canonical());
    // A card with a product ID is found by its IDs; its name is not part of the key.
    const std::string card = "<BenchmarkGraphicsCard><Name>GeForce</Name><ProductID>0xa20</ProductID>"
                             "<VendorID>0x10de</VendorID><SubProductID>0x0</SubProductID>"
                             "<SubVendorID>0x0</SubVendorID></BenchmarkGraphicsCard>";
    EXPECT_EQ(parseLookupQuery("ProductID=0xa20&VendorID=0x10de&SubProductID=0x0&SubVendorID=0x0&")
                  .canonical(),
              keyOf(card, "BenchmarkGraphicsCard").canonical());
    // Without a product ID the name is all there is to tell cards apart.
    EXPECT_EQ(parseLookupQuery("Name=Wine%20GPU&ProductID=0x0&VendorID=0x0&SubProductID=0x0&"
                               "SubVendorID=0x0&")
                  .canonical(),
              keyOf("<BenchmarkGraphicsCard><Name>Wine GPU</Name><ProductID>0x0</ProductID>"
                    "<VendorID>0x0</VendorID><SubProductID>0x0</SubProductID>"
                    "<SubVendorID>0x0</SubVendorID></BenchmarkGraphicsCard>",
                    "BenchmarkGraphicsCard")
                  .canonical());
    // References take part as <name>ID.
    EXPECT_EQ(parseLookupQuery("LibraryVersion=6.1.7601.17514&LibraryID=4&").canonical(),
              keyOf("<BenchmarkLibraryVersion><LibraryVersion>6.1.7601.17514</LibraryVersion>"
                    "<Library id=\"4\"/></BenchmarkLibraryVersion>",
                    "BenchmarkLibraryVersion")
                  .canonical());
    // An empty value is a value.
    EXPECT_NE(parseLookupQuery("Name=&").canonical(), parseLookupQuery("").canonical());
    // Length prefixes keep "a=b;c" apart from two pairs.
    EXPECT_NE(SearchKey(Pairs{{"a", "1;1:b=1:c"}}).canonical(),
              SearchKey(Pairs{{"a", "1"}, {"b", "c"}}).canonical());
    // Long keys are hashed, and stay distinct.
    const std::string longKey = SearchKey(Pairs{{"Name", std::string(600, 'x')}}).canonical();
    EXPECT_EQ(0u, longKey.find("sha256:"));
    EXPECT_EQ(7u + 64u, longKey.size());
    EXPECT_NE(longKey, SearchKey(Pairs{{"Name", std::string(601, 'x')}}).canonical());
}

TEST(LookupQueryTest, DecodesAsTheClientEncodes)
{
    const SearchKey key = parseLookupQuery("Name=Intel%28R%29%20Core%28TM%29%20i7%20%AE&"
                                           "Plus=a+b&Empty=&Eq=a%3Db&");
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"Empty", ""},
        {"Eq", "a=b"},
        {"Name", "Intel(R) Core(TM) i7 \xC2\xAE"},
        {"Plus", "a+b"}};
    EXPECT_EQ(expected, key.pairs());

    EXPECT_EQ(400, refusedStatus("Name"));
    EXPECT_EQ(400, refusedStatus("Name=%4"));
    EXPECT_EQ(400, refusedStatus("Name=%G1&"));
    EXPECT_EQ(400, refusedStatus("Name=a%00b&"));
}

TEST(TextEncodingTest, KeepsUtf8AndReadsEverythingElseAsWindows1252)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"plain ASCII", "plain ASCII"},
        {"Intel(R) Core(TM) \xAE", "Intel(R) Core(TM) \xC2\xAE"},
        {"\xC2\xAE already UTF-8", "\xC2\xAE already UTF-8"},
        {"\x80 \x99 \x9F", "\xE2\x82\xAC \xE2\x84\xA2 \xC5\xB8"},
        {"\x81\x8D", "\xC2\x81\xC2\x8D"},
        {"\xE9t\xE9", "\xC3\xA9t\xC3\xA9"},
        // Overlong forms, surrogates and truncated sequences are not UTF-8.
        {"\xC0\xAF", "\xC3\x80\xC2\xAF"},
        {"\xED\xA0\x80", "\xC3\xAD\xC2\xA0\xE2\x82\xAC"},
        {"\xE2\x82", "\xC3\xA2\xE2\x80\x9A"},
        {"\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.second, toUtf8(c.first)) << c.first;
}

TEST(MeasurementNameTest, SplitsMeasurementFieldsOnly)
{
    struct Case {
        std::string name, value;
        bool measurement;
        std::string test;
        int width, height;
        std::string unit;
        double rate;
    };
    const std::vector<Case> cases = {
        {"FillRect_256x256_Ops_s", "1234.5", true, "FillRect", 256, 256, "Ops_s", 1234.5},
        {"CompositeSrcMask_16x16_MP_s", "0.25", true, "CompositeSrcMask", 16, 16, "MP_s", 0.25},
        {"Random_Ops_s", "1e+06", true, "Random", 0, 0, "Ops_s", 1e6},
        {"WritePixelArray_MiB_s", "3072", true, "WritePixelArray", 0, 0, "MiB_s", 3072},
        {"RAMSize", "4096", false, "", 0, 0, "", 0},
        {"CompositePremultAlpha", "1", false, "", 0, 0, "", 0},
        {"FillRect_256x_Ops_s", "1", false, "", 0, 0, "", 0},
        {"FillRect_0x16_Ops_s", "1", false, "", 0, 0, "", 0},
        {"Fill_Rect_16x16_Ops_s", "1", false, "", 0, 0, "", 0},
        {"_Ops_s", "1", false, "", 0, 0, "", 0},
        {"FillRect_16x16_Ops_s", "fast", false, "", 0, 0, "", 0},
        {"FillRect_16x16_Ops_s", "inf", false, "", 0, 0, "", 0},
        {"FillRect_16x16_Ops_s", "", false, "", 0, 0, "", 0},
    };
    for (const Case& c : cases) {
        const auto m = parseMeasurement(c.name, c.value);
        ASSERT_EQ(c.measurement, m.has_value()) << c.name << "=" << c.value;
        if (!m)
            continue;
        EXPECT_EQ(c.test, m->test);
        EXPECT_EQ(c.width, m->width);
        EXPECT_EQ(c.height, m->height);
        EXPECT_EQ(c.unit, m->unit);
        EXPECT_DOUBLE_EQ(c.rate, m->value);
    }
    EXPECT_EQ("<BenchmarkCPU><ID>12</ID></BenchmarkCPU>\n", idReply("BenchmarkCPU", 12));
    EXPECT_EQ("<SearchResponse/>\n", notFoundReply());
}

// A lookup finds what a submission of the same bytes stored: the client's own document and
// query for records with the texts that the two sides could read apart.
TEST(SearchKeyTest, TheClientsLookupFindsWhatItsDocumentStored)
{
    const std::vector<std::string> texts = {
        "P8P67", "   ", "\t\r\n ", "", "  padded  ", "R&D <beta> \"quoted\" 'single'", "Intel(R) \xAE",
        "\xC2\xAE UTF-8", "a+b=c&d%20", "&amp; &#48;", "line\r\nbreak", "]]>"};
    for (const std::string& text : texts) {
        std::vector<std::shared_ptr<BCObject>> records = {
            std::make_shared<BCMotherboardObj>(text, text), std::make_shared<BCCPUObj>(text),
            std::make_shared<BCGraphicsCardObj>(text, "", 0, 0, 0, 0),
            std::make_shared<BCGraphicsCardObj>(text, text, 0x6cd, 0x10de, 0, 0)};
        auto version = std::make_shared<BCLibraryVersionObj>("d2d1.dll", text);
        version->getSubObjectField(0)->getObject()->setID(42);
        records.push_back(version);
        for (const auto& record : records) {
            SearchKey sent;
            const RecordDocument stored =
                parseRecordDocument(documentOf(*record), record->getTypeName(), DocumentLimits(), &sent);
            const std::string query = queryOf(*record);
            EXPECT_EQ(SearchKey::ofRecord(stored).canonical(), parseLookupQuery(query).canonical())
                << record->getTypeName() << " " << query;
            // What the parser says the sender looks up is what the sender's query holds.
            EXPECT_EQ(sent.canonical(), SearchKey(searchPairsOf(*record)).canonical()) << query;
        }
    }
    // Blanks alone are the empty value on both sides; blanks around a text are kept.
    EXPECT_EQ(keyOf("<BenchmarkCPU><Name>   </Name></BenchmarkCPU>", "BenchmarkCPU").canonical(),
              parseLookupQuery("Name=&").canonical());
    EXPECT_EQ(keyOf("<BenchmarkCPU><Name>&#32;</Name></BenchmarkCPU>", "BenchmarkCPU").canonical(),
              parseLookupQuery("Name=%09%0D%0A&").canonical());
    EXPECT_EQ((Pairs{{"Name", " x "}}), keyOf("<BenchmarkCPU><Name> x </Name></BenchmarkCPU>", "BenchmarkCPU").pairs());
    EXPECT_NE(parseLookupQuery("Name=%20x%20&").canonical(), parseLookupQuery("Name=x&").canonical());
}

TEST(LookupQueryTest, RefusesNamesAndValuesBeyondTheirBounds)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {std::string(128, 'N') + "=1&", "(accepted)"},
        {std::string(129, 'N') + "=1&", "a name in the query is longer than 128 bytes"},
        {"Name=" + std::string(4096, 'x') + "&", "(accepted)"},
        {"Name=" + std::string(4097, 'x') + "&", "the value of Name in the query is longer than 4096 bytes"},
        // Measured as stored: %AE is two bytes of UTF-8.
        {"Name=" + repeated("%AE", 2048) + "&", "(accepted)"},
        {"Name=" + repeated("%AE", 2049) + "&", "the value of Name in the query is longer than 4096 bytes"},
        {"Name=a%00b&", "NUL byte in the query"},
        {std::string("Name=a\0b&", 10), "NUL byte in the query"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.second, lookupRefusal(c.first)) << c.first.substr(0, 40);
}

// The server counts a lookup as the client's encoder writes it, byte for byte.
TEST(LookupLineTest, CountsTheClientsEncodingOfTheLookup)
{
    for (int byte = 0; byte < 256; ++byte) {
        const std::string text(1, static_cast<char>(byte));
        EXPECT_EQ(urlEncode(text).size(), percentEncodedBytes(text)) << byte;
    }
    auto card = std::make_shared<BCGraphicsCardObj>("Wine GPU (R) ~_.-", "ATI & co", 0, 0x1002, 0, 0);
    const std::string base = "/api/v1/";
    std::ostringstream line;
    line << "GET " << base;
    card->generateSearchQuery(line);
    line << " HTTP/1.1";
    EXPECT_EQ(line.str().size(),
              lookupRequestLineBytes("BenchmarkGraphicsCard", parseLookupQuery(queryOf(*card)), base.size()));
    // "GET /api/v1/BenchmarkCPU?Name=a%20b& HTTP/1.1"
    EXPECT_EQ(45u, lookupRequestLineBytes("BenchmarkCPU", SearchKey(Pairs{{"Name", "a b"}}), 8));
    // A Windows-1252 byte counts as the two UTF-8 bytes it is stored as: never less than the
    // client's one escape.
    EXPECT_EQ(45u + 3u, lookupRequestLineBytes("BenchmarkCPU", parseLookupQuery("Name=a%AEb&"), 8));
}
