// The ground floor's codings against hand-worked bytes: each case a plausible slip would break.
#include <gtest/gtest.h>

#include <limits>
#include <optional>
#include <string>

#include "server/pages/JsonWriter.h"
#include "server/text/Base64.h"
#include "server/text/Digest.h"
#include "server/text/Hex.h"
#include "server/text/PercentCoding.h"
#include "server/text/Utf8.h"

TEST(TextCodingTest, Base64RoundsAndRefusals)
{
    struct Case {
        std::string encoded;
        std::optional<std::string> decoded;
    };
    const Case cases[] = {
        {"", std::string()},
        {"eDp5", std::string("x:y")},
        {"Zm9vOmJhcg==", std::string("foo:bar")},
        {"Zm9vOmJhcg", std::string("foo:bar")},  // padding left out
        {"Zm9vOmJh", std::string("foo:ba")},
        {"Zm9vOmI=", std::string("foo:b")},
        {"AP8=", std::string("\x00\xff", 2)},
        {"Zm9v Ymfy", std::nullopt},     // a blank inside
        {"Zm9v=Ymfy", std::nullopt},     // data after padding
        {"Zm9vOmJhcg===", std::nullopt}, // three padding characters
        {"Zm9vO", std::nullopt},         // one character left over: no encoder writes that
        {"Zm9v-_==", std::nullopt},      // the URL alphabet is another coding
        {"Zm8=", std::string("fo")},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(base64Decode(c.encoded), c.decoded) << c.encoded;
        if (c.decoded && c.encoded.size() % 4 == 0) {
            EXPECT_EQ(base64Encode(*c.decoded), c.encoded);
        }
    }
}

TEST(TextCodingTest, PercentCodingLenientStrictAndPlus)
{
    struct Case {
        std::string encoded;
        PlusSign plus;
        std::string lenient;
        std::optional<std::string> strict;
    };
    const Case cases[] = {
        {"a%20b+c", PlusSign::Literal, "a b+c", std::string("a b+c")},
        {"a%20b+c", PlusSign::Blank, "a b c", std::string("a b c")},
        {"%41%4a%4A", PlusSign::Literal, "AJJ", std::string("AJJ")},
        {"100%", PlusSign::Literal, "100%", std::nullopt},
        {"%zz1", PlusSign::Literal, "%zz1", std::nullopt},
        {"%4", PlusSign::Literal, "%4", std::nullopt},
        {"%0d%0a", PlusSign::Literal, "\r\n", std::string("\r\n")},
        {"%00", PlusSign::Literal, std::string(1, '\0'), std::string(1, '\0')},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(percentDecode(c.encoded, c.plus), c.lenient) << c.encoded;
        EXPECT_EQ(percentDecodeStrict(c.encoded, c.plus), c.strict) << c.encoded;
    }
    EXPECT_EQ(percentEncode("a b&c=d/é~-._"), "a%20b%26c%3Dd%2F%C3%A9~-._");
}

TEST(TextCodingTest, Utf8SequencesAndDigests)
{
    struct Case {
        std::string bytes;
        std::size_t length;  // of the sequence at 0
    };
    const Case cases[] = {
        {"A", 1},
        {"\xc3\xa9", 2},
        {"\xe2\x82\xac", 3},
        {"\xf0\x9f\x98\x80", 4},
        {"\xc0\xaf", 0},          // overlong '/'
        {"\xe0\x9f\xbf", 0},      // overlong three-byte form
        {"\xed\xa0\x80", 0},      // a surrogate
        {"\xf4\x90\x80\x80", 0},  // past U+10FFFF
        {"\xf8\x88\x80\x80", 0},  // no lead byte of UTF-8
        {"\xf5\x80\x80", 0},
        {"\xe2\x82", 0},          // cut short
        {"\x80", 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(utf8SequenceLength(c.bytes, 0), c.length) << hexLower(c.bytes);
        EXPECT_EQ(isValidUtf8(c.bytes), c.length == c.bytes.size()) << hexLower(c.bytes);
    }
    EXPECT_TRUE(isValidUtf8("Korvid \xd0\x97\xd0\xbe\xd1\x8f"));
    EXPECT_FALSE(isValidUtf8("ok\xff"));

    EXPECT_EQ(hexLower(std::string("\x00\x0f\xf0\xab", 4)), "000ff0ab");
    EXPECT_EQ(hexDigitValue('F'), 15);
    EXPECT_EQ(hexDigitValue('g'), -1);
    EXPECT_EQ(hexDecode("00Ff0a"), std::string("\x00\xff\x0a", 3));
    EXPECT_EQ(hexDecode("abc"), std::nullopt);
    EXPECT_EQ(hexDecode("0g"), std::nullopt);
    // FIPS 180-2's example "abc".
    EXPECT_EQ(sha256Hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(sha256Base64("abc"), "ungWv48Bz+pBQUDeXa4iI7ADYaOWF3qctBD/YfIAFa0=");
}

// The pages' JSON: always valid UTF-8, markup escaped, numbers as the pages have written them.
TEST(TextCodingTest, JsonWriterOutput)
{
    JsonWriter j;
    j.beginObject()
        .field("name", std::string("R\xff" "D <b> & \"x\""))
        .field("whole", 12.0)
        .field("part", 0.1)
        .field("none", std::numeric_limits<double>::infinity())
        .field("count", int64_t{-3})
        .field("flag", true);
    j.key("list").beginArray().value("a").beginObject().field("z", 1).field("a", 2).endObject().null().endArray();
    j.endObject();
    EXPECT_EQ(j.text(), "{\"name\":\"R\xef\xbf\xbd" "D \\u003cb\\u003e \\u0026 \\\"x\\\"\",\"whole\":12,\"part\":0.1,"
                        "\"none\":null,\"count\":-3,\"flag\":true,\"list\":[\"a\",{\"z\":1,\"a\":2},null]}");
    EXPECT_EQ(jsonEscape("\xe9t\xe9"), "\"\xef\xbf\xbdt\xef\xbf\xbd\"");
}
