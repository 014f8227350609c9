#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "results/BCException.h"
#include "results/BCObject.h"
#include "results/ResultsTestHelpers.h"

TEST(BCObjectTest, NewRecordIsEmptyAndHasNoID) {
    BCObject record("KorvidResult");
    EXPECT_EQ("KorvidResult", record.getTypeName());
    EXPECT_EQ(-1, record.getID());
    EXPECT_FALSE(record.hasID());
    EXPECT_EQ(0, record.getNumFields());
    EXPECT_EQ(0, record.getNumSubObjects());
    EXPECT_EQ(0, record.getNumCollections());
    record.setID(0x7fffffff);
    EXPECT_EQ(0x7fffffff, record.getID());
    EXPECT_TRUE(record.hasID());
}

TEST(BCObjectTest, RepeatedAndEmptyFieldsAreKeptInOrder) {
    BCObject record("R");
    record.addField("Name", "first", 1);
    record.addField("Name", "second", 0);
    record.addField("", "", 1);
    ASSERT_EQ(3, record.getNumFields());
    EXPECT_EQ("first", record.getField(0)->getValue());
    EXPECT_TRUE(record.getField(0)->isSearchKey());
    EXPECT_EQ("second", record.getField(1)->getValue());
    EXPECT_FALSE(record.getField(1)->isSearchKey());
    EXPECT_EQ("", record.getField(2)->getName());
    EXPECT_TRUE(BCField("a", "b", 7).isSearchKey());
}

TEST(BCObjectTest, IndexedAccessorsReturnEmptyOutsideRange) {
    BCObject record("R");
    auto sub = std::make_shared<BCObject>("S");
    record.addSubObject("Sub", sub);
    record.addSubObjectCollection(std::make_shared<BCObjectCollection>("List", "S"));
    record.addField("F", "v", 0);
    EXPECT_EQ(sub, record.getSubObjectField(0)->getObject());
    EXPECT_EQ(nullptr, record.getSubObjectField(1));
    EXPECT_EQ(nullptr, record.getSubObjectField(-1));
    EXPECT_NE(nullptr, record.getCollection(0));
    EXPECT_EQ(nullptr, record.getCollection(1));
    EXPECT_EQ(nullptr, record.getCollection(-1));
    EXPECT_EQ(nullptr, record.getField(1));
    EXPECT_EQ(nullptr, record.getField(-1));
}

TEST(BCObjectTest, SubObjectIsAlwaysASearchKeyAndShared) {
    BCObject record("R");
    auto sub = std::make_shared<BCObject>("S");
    record.addSubObject("Processor", sub);
    auto ref = record.getSubObjectField(0);
    EXPECT_EQ("Processor", ref->getName());
    EXPECT_TRUE(ref->isSearchKey());
    sub->setID(12);
    EXPECT_EQ(12, ref->getObject()->getID());
}

TEST(BCObjectTest, NullPointersThrowExactTextsAndChangeNothing) {
    BCObject record("R");
    EXPECT_EQ("NULL pointer error in BCObject::addSubObject",
              thrownText([&] { record.addSubObject("X", nullptr); }));
    EXPECT_EQ("NULL pointer error in BCObject::addSubObjectCollection",
              thrownText([&] { record.addSubObjectCollection(nullptr); }));
    EXPECT_EQ("NULL pointer passed to BCObjectField::BCObjectField",
              thrownText([&] { BCObjectField field("X", nullptr, true); }));
    EXPECT_EQ(0, record.getNumSubObjects());
    EXPECT_EQ(0, record.getNumCollections());

    BCObjectCollection list("List", "S");
    EXPECT_EQ("NULL pointer error in BCObjectCollection::addObject",
              thrownText([&] { list.addObject(nullptr); }));
    EXPECT_EQ(0, list.getNumObjects());
}

TEST(BCObjectTest, CollectionRejectsOtherTypesIncludingCaseDifferences) {
    BCObjectCollection list("DriverLibraries", "BenchmarkLibraryVersion");
    auto good = std::make_shared<BCObject>("BenchmarkLibraryVersion");
    list.addObject(good);
    EXPECT_EQ("ERROR: Attempted to add an object of type BenchmarkLibrary to a collection of type "
              "BenchmarkLibraryVersion",
              thrownText([&] { list.addObject(std::make_shared<BCObject>("BenchmarkLibrary")); }));
    EXPECT_EQ("ERROR: Attempted to add an object of type benchmarkLibraryVersion to a collection of "
              "type BenchmarkLibraryVersion",
              thrownText([&] {
                  list.addObject(std::make_shared<BCObject>("benchmarkLibraryVersion"));
              }));
    EXPECT_EQ("ERROR: Attempted to add an object of type BenchmarkLibraryVersionX to a collection "
              "of type BenchmarkLibraryVersion",
              thrownText([&] {
                  list.addObject(std::make_shared<BCObject>("BenchmarkLibraryVersionX"));
              }));
    ASSERT_EQ(1, list.getNumObjects());
    EXPECT_EQ(good, list.getObject(0));
    EXPECT_EQ(nullptr, list.getObject(1));
    EXPECT_EQ(nullptr, list.getObject(-1));
    EXPECT_EQ("DriverLibraries", list.getName());
    EXPECT_EQ("BenchmarkLibraryVersion", list.getElementTypeName());
}

TEST(BCObjectTest, CollectionAttachedThenFilledIsSeenThroughTheRecord) {
    BCObject record("R");
    auto list = std::make_shared<BCObjectCollection>("List", "S");
    record.addSubObjectCollection(list);
    list->addObject(std::make_shared<BCObject>("S"));
    list->addObject(std::make_shared<BCObject>("S"));
    EXPECT_EQ(2, record.getCollection(0)->getNumObjects());
}

TEST(BCExceptionTest, CarriesMessageAndCodesThroughCopies) {
    BCException original("BenchmarkClient::getObjectID failed. Server returned response code: 403\n",
                         403, 0);
    BCException copy(original);
    EXPECT_EQ("BenchmarkClient::getObjectID failed. Server returned response code: 403\n",
              copy.getMessage());
    EXPECT_EQ(403, copy.getResponseCode());
    EXPECT_EQ(0, copy.getTransferErrorCode());
    BCException assigned("x", 0, 67);
    assigned = original;
    EXPECT_EQ(403, assigned.getResponseCode());
    EXPECT_EQ(0, assigned.getTransferErrorCode());
    try {
        throw BCException("ERROR: Search query (u) failed with error: Login denied.", 0, 67);
    } catch (const BCException& e) {
        EXPECT_EQ(67, e.getTransferErrorCode());
        EXPECT_EQ(0, e.getResponseCode());
    }
}
