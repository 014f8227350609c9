#include <memory>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "results/BCObject.h"
#include "results/ResultsTestHelpers.h"
#include "results/UrlEncode.h"

namespace {
std::string queryOf(const BCObject& record) {
    std::ostringstream out;
    record.generateSearchQuery(out);
    return out.str();
}
}  // namespace

TEST(UrlEncodeTest, KeepsOnlyUnreservedCharacters) {
    EXPECT_EQ("", urlEncode(""));
    EXPECT_EQ("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_.~",
              urlEncode("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_.~"));
    EXPECT_EQ("%20%21%22%23%24%25%26%27%28%29%2A%2B%2C%2F%3A%3B%3C%3D%3E%3F%40%5B%5C%5D%5E%60%7B%7C%7D",
              urlEncode(" !\"#$%&'()*+,/:;<=>?@[\\]^`{|}"));
}

TEST(UrlEncodeTest, ControlAndHighBytesBecomeTwoUpperCaseHexDigits) {
    EXPECT_EQ("%00%0A%1F%7F", urlEncode(std::string("\0\n\x1f\x7f", 4)));
    EXPECT_EQ("%80%E9%FF", urlEncode("\x80\xE9\xFF"));
    EXPECT_EQ("Caf%C3%A9", urlEncode("Caf\xC3\xA9"));
}

TEST(SearchQueryTest, ProcessorNameExample) {
    BCObject cpu("BenchmarkCPU");
    cpu.addField("Name", "Intel(R) Core(TM) i7 CPU", 1);
    EXPECT_EQ("BenchmarkCPU?Name=Intel%28R%29%20Core%28TM%29%20i7%20CPU&", queryOf(cpu));
}

TEST(SearchQueryTest, OnlySearchKeysInFieldThenReferenceOrderNoCollections) {
    BCObject record("BenchmarkLibraryVersion");
    auto library = std::make_shared<BCObject>("BenchmarkLibrary");
    library->setID(4);
    record.addSubObject("Library", library);
    record.addField("LibraryVersion", "6.1.7601.17514", 1);
    record.addField("Comment", "not searched", 0);
    record.addField("Name", "", 1);
    auto list = std::make_shared<BCObjectCollection>("L", "BenchmarkLibrary");
    list->addObject(library);
    record.addSubObjectCollection(list);
    EXPECT_EQ("BenchmarkLibraryVersion?LibraryVersion=6.1.7601.17514&Name=&LibraryID=4&",
              queryOf(record));
}

TEST(SearchQueryTest, RecordWithoutSearchKeysGivesTypeAndQuestionMark) {
    BCObject record("KorvidResult");
    EXPECT_EQ("KorvidResult?", queryOf(record));
    record.addField("RAMSize", "4096", 0);
    EXPECT_EQ("KorvidResult?", queryOf(record));
}

TEST(SearchQueryTest, OnlyASubObject) {
    BCObject result("KorvidResult");
    auto cpu = std::make_shared<BCObject>("BenchmarkCPU");
    cpu->setID(12);
    result.addSubObject("Processor", cpu);
    EXPECT_EQ("KorvidResult?ProcessorID=12&", queryOf(result));
}

TEST(SearchQueryTest, KeysAndValuesAreEncodedIncludingHighBytes) {
    BCObject record("T");
    record.addField("Na me", "a@b\xE9&=", 1);
    auto sub = std::make_shared<BCObject>("S");
    sub->setID(1);
    record.addSubObject("Ref Name", sub);
    EXPECT_EQ("T?Na%20me=a%40b%E9%26%3D&Ref%20NameID=1&", queryOf(record));
}

TEST(SearchQueryTest, SubObjectWithoutIDThrowsAfterWritingTheFields) {
    BCObject record("BenchmarkLibraryVersion");
    record.addField("LibraryVersion", "1.0", 1);
    record.addSubObject("Library", std::make_shared<BCObject>("BenchmarkLibrary"));
    record.addField("Extra", "x y", 1);
    std::ostringstream out;
    EXPECT_EQ("ERROR: BCObject::generateSearchQuery called before a valid ID has been given for "
              "field: Library, of class: BenchmarkLibrary",
              thrownText([&] { record.generateSearchQuery(out); }));
    EXPECT_EQ("BenchmarkLibraryVersion?LibraryVersion=1.0&Extra=x%20y&", out.str());
}
