// What an arriving result means, from hand-written documents: the records it names, and what the
// pages select and group it by.
#include <gtest/gtest.h>

#include "server/model/ArrivingResult.h"

namespace {

// Card 7, processor 3, an OS version 5 naming its OS 4, and two driver library versions: 12
// (b.dll 1.2, library 11) and 10 (a.dll 3.4, library 9).
model::DescribedRecords machine()
{
    return {
        {7, {"BenchmarkGraphicsCard", {{"Name", "GeForce 470"}, {"ProductID", "0x6cd"}, {"Name", "later"}}, {}, {}}},
        {3, {"BenchmarkCPU", {{"Name", "AMD EPYC"}}, {}, {}}},
        {5, {"BenchmarkOperatingSystemVersion", {{"OSVersion", "10 Pro"}}, {{"OperatingSystem", 4}}, {}}},
        {4, {"BenchmarkOperatingSystem", {{"Name", "Windows"}}, {}, {}}},
        {12, {"BenchmarkLibraryVersion", {{"LibraryVersion", "1.2"}}, {{"Library", 11}}, {}}},
        {11, {"BenchmarkLibrary", {{"Name", "b.dll"}}, {}, {}}},
        {10, {"BenchmarkLibraryVersion", {{"LibraryVersion", "3.4"}}, {{"Library", 9}}, {}}},
        {9, {"BenchmarkLibrary", {{"Name", "a.dll"}}, {}, {}}},
    };
}

RecordDocument result(std::vector<RecordField> fields)
{
    return {"KorvidResult",
            std::move(fields),
            {{"Processor", 3}, {"GraphicsCard", 7}, {"OperatingSystem", 5}, {"Motherboard", 8}},
            {{"Libraries", {{"BenchmarkLibraryVersion", 9}}},
             {"DriverLibraries", {{"BenchmarkLibraryVersion", 12}, {"BenchmarkLibraryVersion", 10},
                                  {"BenchmarkLibraryVersion", 12}}}}};
}

} // namespace

TEST(ArrivingResult, ReadsTheRecordsItNamesAndThoseTheyName)
{
    std::set<int32_t> referring;
    EXPECT_EQ(model::describedBy(result({}), &referring), (std::set<int32_t>{3, 5, 7, 10, 12}));
    EXPECT_EQ(referring, (std::set<int32_t>{5, 10, 12}));
    model::DescribedRecords first = machine();
    for (int32_t named : {4, 9, 11})
        first.erase(named);
    EXPECT_EQ(model::namedBy(first), (std::set<int32_t>{4, 9, 11}));
    EXPECT_TRUE(model::namedBy(machine()).empty());
}

TEST(ArrivingResult, AResultMeansItsMachineItsModeAndItsRates)
{
    const model::ArrivingResult a = model::arrivingResult(
        result({{"DisplayWidth", "1920"}, {"FillRect_16x16_Ops_s", "1000.5"}, {"DisplayHeight", "1080"},
                {"RefreshRate", "60"}, {"BitsPerPixel", "32"}, {"FillRect_16x16_Ops_s", "9"},
                {"CompositeSrcMaskCombineAlphas", "1"}, {"Random_Ops_s", "80000"}, {"RAMSize", "4096"}}),
        machine());
    EXPECT_EQ(a.cohort.graphicsCardId, 7);
    EXPECT_EQ(a.cardName, "GeForce 470");  // the first Name
    EXPECT_EQ(a.cpuName, "AMD EPYC");
    EXPECT_EQ(a.osText, "Windows 10 Pro");
    // Listed order, each once; the key sorted, so that the same drivers make one cohort.
    EXPECT_EQ(a.driverText, "b.dll 1.2; a.dll 3.4");
    EXPECT_EQ(a.cohort.driverKey, "10,12");
    EXPECT_EQ(a.cohort.system, model::GraphicsSystem::Direct2D);
    EXPECT_EQ(a.cohort.width, 1920);
    EXPECT_EQ(a.cohort.height, 1080);
    EXPECT_EQ(a.cohort.bitsPerPixel, 32);
    EXPECT_EQ(a.refreshRate, 60);

    ASSERT_EQ(a.rates.size(), 2u);  // a repeated rate counts once, as first sent
    EXPECT_EQ(a.rates[0].id.fieldName(), "FillRect_16x16_Ops_s");
    EXPECT_EQ(a.rates[0].value, 1000.5);
    EXPECT_EQ(a.rates[1].id.fieldName(), "Random_Ops_s");
    EXPECT_EQ(a.rates[1].value, 80000);
    std::vector<std::string> others;
    for (const RecordField& field : a.otherFields)
        others.push_back(field.name + "=" + field.value);
    EXPECT_EQ(others, (std::vector<std::string>{"DisplayWidth=1920", "DisplayHeight=1080", "RefreshRate=60",
                                                "BitsPerPixel=32", "CompositeSrcMaskCombineAlphas=1",
                                                "RAMSize=4096"}));
}

TEST(ArrivingResult, WhatIsMissingOrMalformedMeansNothing)
{
    struct Case {
        const char* what;
        std::vector<RecordField> fields;
        int32_t width;
        int32_t height;
        int32_t bits;
    };
    const Case cases[] = {
        {"none", {}, 0, 0, 0},
        {"nine digits", {{"DisplayWidth", "123456789"}, {"DisplayHeight", "0768"}, {"BitsPerPixel", "16"}},
         123456789, 768, 16},
        {"ten digits, a sign, a blank, empty",
         {{"DisplayWidth", "1234567890"}, {"DisplayHeight", "-768"}, {"BitsPerPixel", "32 "}}, 0, 0, 0},
        {"only the first counts", {{"DisplayWidth", "x"}, {"DisplayWidth", "800"}, {"BitsPerPixel", ""}}, 0, 0, 0},
    };
    for (const Case& c : cases) {
        const model::ArrivingResult a = model::arrivingResult(result(c.fields), machine());
        EXPECT_EQ(a.cohort.width, c.width) << c.what;
        EXPECT_EQ(a.cohort.height, c.height) << c.what;
        EXPECT_EQ(a.cohort.bitsPerPixel, c.bits) << c.what;
        EXPECT_EQ(a.cohort.system, model::GraphicsSystem::GDI) << c.what;
    }

    // Records not given: no names; an OS version without its OS is the version alone.
    model::DescribedRecords partial = machine();
    partial.erase(7);
    partial.erase(4);
    partial.erase(9);
    const RecordDocument bare{"KorvidResult", {}, {{"OperatingSystem", 5}}, {}};
    const model::ArrivingResult a = model::arrivingResult(result({}), partial);
    EXPECT_EQ(a.cohort.graphicsCardId, 7);
    EXPECT_EQ(a.cardName, "");
    EXPECT_EQ(a.osText, "10 Pro");
    EXPECT_EQ(a.driverText, "b.dll 1.2;  3.4");
    const model::ArrivingResult none = model::arrivingResult(bare, {});
    EXPECT_EQ(none.cohort.graphicsCardId, 0);
    EXPECT_EQ(none.osText, "");
    EXPECT_EQ(none.cohort.driverKey, "");
}
