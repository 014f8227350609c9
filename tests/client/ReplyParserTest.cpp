#include <cstdint>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "client/ReplyParser.h"
#include "results/BCException.h"

namespace {

const std::string kInvalidLead =
    "BenchmarkClient::extractObjectID failed. Got an invalid response from the server: \n";

int32_t parse(const std::string& reply, const std::string& type = "BenchmarkCPU")
{
    // An exact-size heap copy without a terminator, so that a read past the end is caught.
    std::vector<char> bytes(reply.begin(), reply.end());
    return extractObjectIDFromReply(bytes.data(), bytes.size(), type);
}

// The message of the BCException that parsing throws, or "" when it does not throw.
std::string failure(const std::string& reply, const std::string& type = "BenchmarkCPU")
{
    try {
        parse(reply, type);
    } catch (const BCException& e) {
        EXPECT_EQ(0, e.getResponseCode());
        EXPECT_EQ(0, e.getTransferErrorCode());
        return e.getMessage();
    }
    return std::string();
}

std::string invalid(const std::string& reply) { return kInvalidLead + reply + "\n"; }

}  // namespace

TEST(ReplyParser, RecordAtTheRootGivesItsID)
{
    EXPECT_EQ(12, parse("<BenchmarkCPU><ID>12</ID></BenchmarkCPU>"));
    EXPECT_EQ(4, parse("<BenchmarkLibrary>\n\t<ID>4</ID>\n</BenchmarkLibrary>\n", "BenchmarkLibrary"));
}

TEST(ReplyParser, RecordInsideAWrapperGivesItsID)
{
    EXPECT_EQ(12, parse("<Results><BenchmarkCPU><Name>x</Name><ID>12</ID></BenchmarkCPU></Results>"));
}

TEST(ReplyParser, EmptyWrapperMeansNotFound)
{
    EXPECT_EQ(-1, parse("<SearchResponse/>"));
    EXPECT_EQ(-1, parse("<SearchResponse></SearchResponse>"));
    EXPECT_EQ(-1, parse("<SearchResponse>\n  \n</SearchResponse>"));
}

TEST(ReplyParser, WrapperAroundAnotherTypeIsRejectedWithTheReply)
{
    const std::string reply = "<Results><BenchmarkMotherboard><ID>7</ID></BenchmarkMotherboard></Results>";
    EXPECT_EQ("BenchmarkClient::extractObjectID failed. Searched for an object of type BenchmarkCPU but the "
              "server returned an object of type BenchmarkMotherboard. Server response: \n" +
                  reply + "\n",
              failure(reply));
}

TEST(ReplyParser, RootNameIsMatchedAsASubstringOfTheType)
{
    // "Benchmark" occurs within "BenchmarkCPU": the root is taken as the record itself.
    EXPECT_EQ(12, parse("<Benchmark><ID>12</ID></Benchmark>"));
    EXPECT_EQ(invalid("<Benchmark><BenchmarkCPU><ID>12</ID></BenchmarkCPU></Benchmark>"),
              failure("<Benchmark><BenchmarkCPU><ID>12</ID></BenchmarkCPU></Benchmark>"));
    // "CPU" as the inner element's name also occurs within the type.
    EXPECT_EQ(3, parse("<List><CPU><ID>3</ID></CPU></List>"));
    // Text before the first element is the wrapper's first child; its empty name matches
    // every type, and it has no ID.
    EXPECT_EQ(invalid("<List>x<BenchmarkCPU><ID>3</ID></BenchmarkCPU></List>"),
              failure("<List>x<BenchmarkCPU><ID>3</ID></BenchmarkCPU></List>"));
}

TEST(ReplyParser, MissingIDIsInvalid)
{
    EXPECT_EQ(invalid("<BenchmarkCPU><Name>x</Name></BenchmarkCPU>"),
              failure("<BenchmarkCPU><Name>x</Name></BenchmarkCPU>"));
    // Only an element named exactly "ID" counts: not an attribute, not another case.
    EXPECT_EQ(invalid("<BenchmarkCPU ID=\"5\"/>"), failure("<BenchmarkCPU ID=\"5\"/>"));
    EXPECT_EQ(invalid("<BenchmarkCPU><id>5</id></BenchmarkCPU>"), failure("<BenchmarkCPU><id>5</id></BenchmarkCPU>"));
    // The first "ID" child is used even when a later one would be valid.
    EXPECT_EQ(invalid("<BenchmarkCPU><ID>0</ID><ID>9</ID></BenchmarkCPU>"),
              failure("<BenchmarkCPU><ID>0</ID><ID>9</ID></BenchmarkCPU>"));
    EXPECT_EQ(8, parse("<BenchmarkCPU><Name>a</Name><ID>8</ID><ID>9</ID></BenchmarkCPU>"));
}

TEST(ReplyParser, IDTextIsReadLikeAtol)
{
    EXPECT_EQ(42, parse("<BenchmarkCPU><ID>42abc</ID></BenchmarkCPU>"));
    EXPECT_EQ(17, parse("<BenchmarkCPU><ID> \t\n17 </ID></BenchmarkCPU>"));
    EXPECT_EQ(8, parse("<BenchmarkCPU><ID>+8</ID></BenchmarkCPU>"));
    EXPECT_EQ(-5, parse("<BenchmarkCPU><ID>-5</ID></BenchmarkCPU>"));
    EXPECT_EQ(2147483647, parse("<BenchmarkCPU><ID>2147483647</ID></BenchmarkCPU>"));
    EXPECT_EQ(12, parse("<BenchmarkCPU><ID>&#49;2</ID></BenchmarkCPU>"));
    for (const std::string id : {"0", "abc", "", "-", "00", " x1", "2147483648", "99999999999999999999"}) {
        const std::string reply = "<BenchmarkCPU><ID>" + id + "</ID></BenchmarkCPU>";
        EXPECT_EQ(invalid(reply), failure(reply)) << id;
    }
}

TEST(ReplyParser, DocumentsWithoutARecordAreInvalid)
{
    for (const std::string reply : {"", "   \n", "<?xml version=\"1.0\"?>", "<!-- nothing -->", "ID 12",
                                    "<BenchmarkCPU><ID>12</ID>", "<BenchmarkCPU><ID>12</ID></BenchmarkCPU",
                                    "<>", "<BenchmarkCPU><ID>1&#99999999;</ID></BenchmarkCPU>"}) {
        EXPECT_EQ(invalid(reply), failure(reply)) << reply;
    }
}

TEST(ReplyParser, PrologueAndByteOrderMarkAreSkipped)
{
    EXPECT_EQ(5, parse("\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<!-- reply -->\n"
                       "<!DOCTYPE BenchmarkCPU [<!ELEMENT ID (#PCDATA)>]>\n"
                       "<BenchmarkCPU a='1' b=\"x>y\"><![CDATA[<ID>1</ID>]]><ID>5</ID></BenchmarkCPU>"));
}

TEST(ReplyParser, EveryByteOfTheReplyIsKeptInTheMessage)
{
    const std::string reply("\x00<BenchmarkCPU>\xff\x01", 17);
    EXPECT_EQ(invalid(reply), failure(reply));
    // Bytes after an embedded NUL are outside the document.
    EXPECT_EQ(12, parse(std::string("<BenchmarkCPU><ID>12</ID></BenchmarkCPU>\0<<<", 44)));
}

TEST(ReplyParser, DebugLinesNameRootMatchAndID)
{
    std::vector<std::tuple<int, int, std::string>> lines;
    const ReplyDebugSink sink = [&lines](int threshold, int tag, const std::string& text) {
        lines.emplace_back(threshold, tag, text);
    };
    const std::string wrapped = "<Results><BenchmarkCPU><ID>12</ID></BenchmarkCPU></Results>";
    EXPECT_EQ(12, extractObjectIDFromReply(wrapped.data(), wrapped.size(), "BenchmarkCPU", sink));
    const std::vector<std::tuple<int, int, std::string>> expected = {
        {4, 4, "Root node: Results"},
        {4, 4, "Match found. Extracting object ID for a: BenchmarkCPU"},
        {4, 4, "Object ID: 12"}};
    EXPECT_EQ(expected, lines);

    lines.clear();
    const std::string empty = "<Results/>";
    EXPECT_EQ(-1, extractObjectIDFromReply(empty.data(), empty.size(), "BenchmarkCPU", sink));
    const std::vector<std::tuple<int, int, std::string>> notFound = {
        {4, 4, "Root node: Results"}, {3, 3, "No match found. Cannot get object's ID."}};
    EXPECT_EQ(notFound, lines);
}

TEST(ReplyNesting, FollowsTheParsersTokens)
{
    EXPECT_EQ(0u, xmlNestingBound("", 10));
    EXPECT_EQ(0u, xmlNestingBound("<a/>", 10));
    EXPECT_EQ(2u, xmlNestingBound("<a><b/><c></c><d x='1'>t</d></a>", 10));
    // Markup inside comments, CDATA, processing instructions, DOCTYPE and attribute values.
    EXPECT_EQ(1u, xmlNestingBound("<a><!-- <b><c> --><![CDATA[<b><c>]]><?p <b> ?></a>", 10));
    EXPECT_EQ(1u, xmlNestingBound("<!DOCTYPE a [<!ELEMENT a ANY> <x>]><a></a>", 10));
    // A closing tag inside an attribute value does not close anything.
    EXPECT_EQ(3u, xmlNestingBound("<a x=\"</a>\"><a y='</a>'><a z=\"/>\">", 10));
    // Past the limit the count stops.
    std::string many;
    for (int i = 0; i < 50; ++i)
        many += "<a>";
    EXPECT_EQ(11u, xmlNestingBound(many.c_str(), 10));
}

TEST(ReplyNesting, DeepNestingIsRejectedWithoutExhaustingTheStack)
{
    std::string deep;
    for (int i = 0; i < 200000; ++i)
        deep += "<BenchmarkCPU>";
    deep += "<ID>1</ID>";
    EXPECT_EQ(invalid(deep), failure(deep));

    std::string deepAttributes;
    for (int i = 0; i < 100000; ++i)
        deepAttributes += "<a v=\"</a>\" w='/>'>";
    EXPECT_EQ(invalid(deepAttributes), failure(deepAttributes));

    // Nesting that ordinary documents use is accepted.
    std::string nested = "<BenchmarkCPU><ID>6</ID>";
    for (int i = 0; i < 200; ++i)
        nested += "<x>";
    for (int i = 0; i < 200; ++i)
        nested += "</x>";
    nested += "</BenchmarkCPU>";
    EXPECT_EQ(6, parse(nested));
}

TEST(ReplyParser, EveryTruncationEitherGivesTheIDOrIsInvalid)
{
    const std::string full =
        "\xEF\xBB\xBF<?xml version=\"1.0\"?><!DOCTYPE r [<!ENTITY e \"x\">]><!-- c -->"
        "<Results k=\"v&amp;w\"><BenchmarkCPU><![CDATA[z]]><ID>&#x31;2</ID></BenchmarkCPU></Results>";
    for (size_t length = 0; length <= full.size(); ++length) {
        const std::string reply = full.substr(0, length);
        try {
            const int32_t id = parse(reply);
            EXPECT_TRUE(id == 12 || id == -1) << length;
        } catch (const BCException& e) {
            EXPECT_EQ(invalid(reply), e.getMessage()) << length;
        }
    }
}

TEST(ReplyParser, RandomBytesNeverCrash)
{
    // Bytes biased towards markup so that the parser gets deep into its states.
    const std::string alphabet = "<>/!?-[]\"'= \tIDBenchmarkCPU0123&#x;\xEF\xBB\xBF";
    std::mt19937 random(20261207);
    for (int round = 0; round < 20000; ++round) {
        std::string reply(random() % 64, ' ');
        for (char& c : reply)
            c = random() % 8 == 0 ? static_cast<char>(random() % 256) : alphabet[random() % alphabet.size()];
        try {
            parse(reply);
        } catch (const BCException& e) {
            const std::string& message = e.getMessage();
            EXPECT_TRUE(message == invalid(reply) || message.find("Searched for an object of type") != std::string::npos);
        }
    }
}
