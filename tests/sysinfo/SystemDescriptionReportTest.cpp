#include <gtest/gtest.h>

#include <sstream>

#include "base/OutputPair.h"
#include "results/BCCPUObj.h"
#include "results/BCLibraryVersionObj.h"
#include "results/BCMotherboardObj.h"
#include "results/BCObject.h"
#include "results/BCObjectCollection.h"
#include "results/BCOperatingSysVersionObj.h"
#include "sysinfo/SystemDescriptionReport.h"

namespace {

SystemDescription exampleMachine()
{
    SystemDescription d;
    d.osDescription = "7 Professional Service Pack 1 (build 7601)";
    d.boardModel = "P5Q";
    d.boardManufacturer = "ASUSTeK Computer INC.";
    d.cpuName = "Intel(R) Core(TM)2 Quad CPU    Q9550  @ 2.83GHz";
    d.cpuVersion = "Model 7, Stepping 10";
    d.cpuClockSpeed = 3400000000ull;
    d.externalBusSpeed = 333000000ull;
    d.l1CacheSize = 32768;
    d.l2CacheSize = 6291456;
    d.l3CacheSize = 0;
    d.totalMemory = 8589934592ull;
    d.codePage = 1251;
    d.kernel32 = {6, 1, 7601, 17514};
    d.gdi32 = {6, 1, 7601, 17514};
    d.d2d1 = {6, 1, 7601, 17563};
    d.d3d10 = {6, 1, 7600, 16385};
    return d;
}

struct Field {
    std::string name, value;
    bool searchKey;
};

std::vector<Field> fieldsOf(const BCObject& record)
{
    std::vector<Field> fields;
    for (int i = 0; i < record.getNumFields(); ++i) {
        const auto f = record.getField(i);
        fields.push_back({f->getName(), f->getValue(), f->isSearchKey()});
    }
    return fields;
}

void expectFields(const BCObject& record, const std::vector<Field>& expected)
{
    const std::vector<Field> actual = fieldsOf(record);
    ASSERT_EQ(actual.size(), expected.size()) << record.getTypeName();
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(actual[i].name, expected[i].name);
        EXPECT_EQ(actual[i].value, expected[i].value) << expected[i].name;
        EXPECT_EQ(actual[i].searchKey, expected[i].searchKey) << expected[i].name;
    }
}

// The one sub-object of a version record, with its single Name field.
std::string linkedName(const BCObject& versionRecord, const std::string& reference,
                       const std::string& type)
{
    EXPECT_EQ(versionRecord.getNumSubObjects(), 1);
    const auto ref = versionRecord.getSubObjectField(0);
    EXPECT_EQ(ref->getName(), reference);
    EXPECT_EQ(ref->getObject()->getTypeName(), type);
    return ref->getObject()->getField(0)->getValue();
}

} // namespace

TEST(SystemDescriptionRecords, LibraryCollectionHoldsLibraryVersions)
{
    const auto libraries = makeLibraryCollection();
    EXPECT_EQ(libraries->getName(), "Libraries");
    EXPECT_EQ(libraries->getElementTypeName(), "BenchmarkLibraryVersion");
    EXPECT_EQ(libraries->getNumObjects(), 0);
}

TEST(SystemDescriptionRecords, RecordsTheMachineInTheRootRecord)
{
    BCObject root("KorvidResult");
    const auto libraries = makeLibraryCollection();
    root.addSubObjectCollection(libraries);

    const SystemDescriptionRecords records =
        recordSystemDescription(root, *libraries, exampleMachine());

    ASSERT_EQ(root.getNumSubObjects(), 3);
    EXPECT_EQ(root.getSubObjectField(0)->getName(), "OperatingSystem");
    EXPECT_EQ(root.getSubObjectField(0)->getObject(), records.operatingSystem);
    EXPECT_EQ(root.getSubObjectField(1)->getName(), "Processor");
    EXPECT_EQ(root.getSubObjectField(1)->getObject(), records.processor);
    EXPECT_EQ(root.getSubObjectField(2)->getName(), "Motherboard");
    EXPECT_EQ(root.getSubObjectField(2)->getObject(), records.motherboard);

    EXPECT_EQ(records.operatingSystem->getTypeName(), "BenchmarkOperatingSystemVersion");
    expectFields(*records.operatingSystem,
                 {{"OSVersion", "7 Professional Service Pack 1 (build 7601)", true}});
    EXPECT_EQ(linkedName(*records.operatingSystem, "OperatingSystem", "BenchmarkOperatingSystem"),
              "Windows");
    EXPECT_EQ(records.processor->getTypeName(), "BenchmarkCPU");
    expectFields(*records.processor,
                 {{"Name", "Intel(R) Core(TM)2 Quad CPU    Q9550  @ 2.83GHz", true}});
    EXPECT_EQ(records.motherboard->getTypeName(), "BenchmarkMotherboard");
    expectFields(*records.motherboard,
                 {{"Name", "P5Q", true}, {"Manufacturer", "ASUSTeK Computer INC.", true}});

    expectFields(root, {{"ProcessorVersion", "Model 7, Stepping 10", true},
                        {"ProcessorClockSpeed", "3400000000", true},
                        {"FSBClockSpeed", "333000000", true},
                        {"L1CacheSize", "32768", true},
                        {"L2CacheSize", "6291456", true},
                        {"L3CacheSize", "0", true},
                        {"RAMSize", "8589934592", true},
                        {"CodePage", "1251", true}});

    // Only kernel32 and gdi32 here; Direct2D and Direct3D 10 come with their printed lines.
    ASSERT_EQ(libraries->getNumObjects(), 2);
    ASSERT_EQ(records.libraries.size(), 2u);
    EXPECT_EQ(libraries->getObject(0), records.libraries[0]);
    expectFields(*libraries->getObject(0), {{"LibraryVersion", "6.1.7601.17514", true}});
    EXPECT_EQ(linkedName(*libraries->getObject(0), "Library", "BenchmarkLibrary"), "kernel32.dll");
    EXPECT_EQ(linkedName(*libraries->getObject(1), "Library", "BenchmarkLibrary"), "gdi32.dll");
}

TEST(SystemDescriptionRecords, RecordsUnreadableLibrariesAsZeroVersions)
{
    BCObject root("KorvidResult");
    const auto libraries = makeLibraryCollection();
    SystemDescription d = exampleMachine();
    d.kernel32 = FileVersionNumbers();
    d.gdi32 = FileVersionNumbers();
    d.boardManufacturer = "";
    const SystemDescriptionRecords records = recordSystemDescription(root, *libraries, d);
    ASSERT_EQ(libraries->getNumObjects(), 2);
    expectFields(*libraries->getObject(0), {{"LibraryVersion", "0.0.0.0", true}});
    expectFields(*libraries->getObject(1), {{"LibraryVersion", "0.0.0.0", true}});
    expectFields(*records.motherboard, {{"Name", "P5Q", true}});
}

TEST(SystemDescriptionRecords, SendsNoCodePageItDoesNotKnow)
{
    BCObject root("KorvidResult");
    const auto libraries = makeLibraryCollection();
    SystemDescription d = exampleMachine();
    d.codePage = 0;
    recordSystemDescription(root, *libraries, d);
    ASSERT_EQ(root.getNumFields(), 7);
    EXPECT_EQ(root.getField(6)->getName(), "RAMSize");
}

TEST(SystemDescriptionPrinting, PrintsTheBlockToBothStreams)
{
    std::ostringstream console, transcript;
    OutputPair out(console, transcript);
    printSystemDescription(out, exampleMachine());
    const std::string expected =
        "System Information:\n"
        "OS: Windows 7 Professional Service Pack 1 (build 7601)\n"
        "Motherboard/Device: P5Q, manufactured by: ASUSTeK Computer INC.\n"
        "CPU: Intel(R) Core(TM)2 Quad CPU    Q9550  @ 2.83GHz, Model 7, Stepping 10 @ 3.4 GHz\n"
        "L1 Cache Size: 32768, L2 Cache Size: 6291456, L3 Cache Size: 0\n"
        "Total RAM: 8 GiB\n"
        "External Bus (FSB) Speed: 333 MHz\n";
    EXPECT_EQ(console.str(), expected);
    EXPECT_EQ(transcript.str(), expected);
}

TEST(SystemDescriptionPrinting, PrintsUnknownValuesAsTheyAre)
{
    // What Wine reports: no bus speed, no caches, an empty manufacturer.
    SystemDescription d;
    d.osDescription = "7 Professional Service Pack 1 (build 7601)";
    d.boardModel = "Wine";
    d.cpuName = "Intel(R) Core(TM) i7-8700 CPU @ 3.20GHz";
    d.cpuVersion = "Intel64 Family 6 Model 158 Stepping 10";
    d.cpuClockSpeed = 3192000000ull;
    d.totalMemory = 1023;
    std::ostringstream console, transcript;
    OutputPair out(console, transcript);
    printSystemDescription(out, d);
    EXPECT_EQ(console.str(),
              "System Information:\n"
              "OS: Windows 7 Professional Service Pack 1 (build 7601)\n"
              "Motherboard/Device: Wine, manufactured by: \n"
              "CPU: Intel(R) Core(TM) i7-8700 CPU @ 3.20GHz, Intel64 Family 6 Model 158 Stepping 10 "
              "@ 3.192 GHz\n"
              "L1 Cache Size: 0, L2 Cache Size: 0, L3 Cache Size: 0\n"
              "Total RAM: 1023 bytes\n"
              "External Bus (FSB) Speed: 0 Hz\n");
}

TEST(SystemDescriptionPrinting, LibraryVersionsGoToTheConsoleOnly)
{
    std::ostringstream console, transcript;
    OutputPair out(console, transcript);
    const auto libraries = makeLibraryCollection();
    SystemDescriptionRecords records;
    printLibraryVersions(out, exampleMachine(), *libraries, records);
    EXPECT_EQ(console.str(),
              "Kernel32.dll version: 6.1.7601.17514\n"
              "Gdi32.dll version: 6.1.7601.17514\n"
              "d2d1.dll version: 6.1.7601.17563\n"
              "d3d10.dll version: 6.1.7600.16385\n");
    EXPECT_EQ(transcript.str(), "");

    ASSERT_EQ(libraries->getNumObjects(), 2);
    ASSERT_EQ(records.libraries.size(), 2u);
    EXPECT_EQ(linkedName(*libraries->getObject(0), "Library", "BenchmarkLibrary"), "d2d1.dll");
    expectFields(*libraries->getObject(0), {{"LibraryVersion", "6.1.7601.17563", true}});
    EXPECT_EQ(linkedName(*libraries->getObject(1), "Library", "BenchmarkLibrary"), "d3d10.dll");
    expectFields(*libraries->getObject(1), {{"LibraryVersion", "6.1.7600.16385", true}});
}

TEST(SystemDescriptionPrinting, LeavesOutMissingDirectXLibraries)
{
    std::ostringstream console, transcript;
    OutputPair out(console, transcript);
    BCObject root("KorvidResult");
    const auto libraries = makeLibraryCollection();
    SystemDescription d = exampleMachine();
    d.kernel32 = FileVersionNumbers();
    d.d2d1 = FileVersionNumbers();
    d.d2d1.minor = 1;  // a version without a major number counts as unknown
    SystemDescriptionRecords records = recordSystemDescription(root, *libraries, d);
    printLibraryVersions(out, d, *libraries, records);
    EXPECT_EQ(console.str(),
              "Kernel32.dll version: Unknown\n"
              "Gdi32.dll version: 6.1.7601.17514\n"
              "d3d10.dll version: 6.1.7600.16385\n");
    ASSERT_EQ(libraries->getNumObjects(), 3);
    EXPECT_EQ(linkedName(*libraries->getObject(0), "Library", "BenchmarkLibrary"), "kernel32.dll");
    EXPECT_EQ(linkedName(*libraries->getObject(1), "Library", "BenchmarkLibrary"), "gdi32.dll");
    EXPECT_EQ(linkedName(*libraries->getObject(2), "Library", "BenchmarkLibrary"), "d3d10.dll");
    EXPECT_EQ(records.libraries.size(), 3u);
}

TEST(SystemDescriptionPrinting, EndsWithTwoEmptyLines)
{
    std::ostringstream console, transcript;
    OutputPair out(console, transcript);
    out << "Total RAM: 8 GiB" << std::endl;
    printDescriptionEnd(out);
    EXPECT_EQ(console.str(), "Total RAM: 8 GiB\n\n\n");
    EXPECT_EQ(transcript.str(), "Total RAM: 8 GiB\n\n\n");
}
