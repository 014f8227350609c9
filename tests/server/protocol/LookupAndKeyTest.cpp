#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "server/protocol/DocumentParser.h"
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
