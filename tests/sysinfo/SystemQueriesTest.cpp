#include <gtest/gtest.h>

#include <algorithm>

#include "FakeWMI.h"
#include "sysinfo/SystemQueries.h"

namespace {

bool wasRead(const FakeWMIObject& object, const std::string& property)
{
    return std::find(object.reads.begin(), object.reads.end(), property) != object.reads.end();
}

std::string thrownText(const std::function<void()>& call)
{
    try {
        call();
    } catch (const std::string& text) {
        return text;
    }
    return "(nothing thrown)";
}

// A Win32_Processor object as a real machine lists it.
FakeWMIObject& addProcessor(FakeWMIQueryRunner& wmi, const std::string& id)
{
    return wmi.add()
        .text("ProcessorId", id)
        .text("Name", "Intel(R) Core(TM)2 Duo CPU     E8400  @ 3.00GHz")
        .text("Version", "Model 7, Stepping 10")
        .number("MaxClockSpeed", 3000)
        .number("ExtClock", 333)
        .number("L2CacheSize", 6144)
        .number("L3CacheSize", 0);
}

} // namespace

TEST(OperatingSystemQuery, BuildsVersionServicePackAndBuild)
{
    FakeWMIQueryRunner wmi;
    wmi.add()
        .text("Caption", "Microsoft Windows XP Professional")
        .number("OSType", 18)
        .text("CSDVersion", "Service Pack 3")
        .text("BuildNumber", "2600");
    EXPECT_EQ(queryOperatingSystem(wmi), "XP Professional Service Pack 3 (build 2600)");
    EXPECT_EQ(wmi.queries, (std::vector<std::string>{"SELECT * FROM Win32_OperatingSystem"}));
    EXPECT_EQ(wmi.failureTexts,
              (std::vector<std::string>{"Query for operating system information failed."}));
}

TEST(OperatingSystemQuery, AddsNoServicePackUpToSystemType16)
{
    FakeWMIQueryRunner wmi;
    FakeWMIObject& os = wmi.add()
                            .text("Caption", "Microsoft Windows Millennium Edition")
                            .number("OSType", 16)
                            .text("CSDVersion", "Service Pack 1")
                            .text("BuildNumber", "3000");
    EXPECT_EQ(queryOperatingSystem(wmi), "Millennium Edition (build 3000)");
    EXPECT_FALSE(wasRead(os, "CSDVersion"));
}

TEST(OperatingSystemQuery, LeavesOutWhatCannotBeRead)
{
    FakeWMIQueryRunner noType;
    noType.add().text("Caption", "Microsoft Windows 7 Ultimate").text("CSDVersion", "Service Pack 1");
    EXPECT_EQ(queryOperatingSystem(noType), "7 Ultimate");

    FakeWMIQueryRunner noServicePack;
    noServicePack.add().text("Caption", "Microsoft Windows 10 Pro").number("OSType", 18).text(
        "BuildNumber", "19045");
    EXPECT_EQ(queryOperatingSystem(noServicePack), "10 Pro (build 19045)");
}

TEST(OperatingSystemQuery, IsEmptyAtOnceWithoutCaption)
{
    FakeWMIQueryRunner wmi;
    wmi.add().text("Caption", "Microsoft Windows 7 Professional").text("BuildNumber", "7601");
    wmi.add().number("OSType", 18).text("BuildNumber", "7601");
    wmi.add().text("Caption", "Microsoft Windows 8");
    EXPECT_EQ(queryOperatingSystem(wmi), "");
    EXPECT_EQ(wmi.visited, 2);  // the third object is not taken
    EXPECT_FALSE(wasRead(wmi.objects[1], "BuildNumber"));
}

TEST(OperatingSystemQuery, AppendsSeveralSystemsToOneText)
{
    FakeWMIQueryRunner wmi;
    wmi.add().text("Caption", "Microsoft Windows 7 Professional").text("BuildNumber", "7601");
    wmi.add().text("Caption", "Other");
    EXPECT_EQ(queryOperatingSystem(wmi), "7 Professional (build 7601)Other");
}

TEST(MotherboardQuery, ReadsModelAndManufacturer)
{
    FakeWMIQueryRunner wmi;
    wmi.add().text("Model", "Wine").text("Manufacturer", "The Wine Project");
    std::string manufacturer;
    EXPECT_EQ(queryMotherboard(wmi, &manufacturer), "Wine");
    EXPECT_EQ(manufacturer, "The Wine Project");
    EXPECT_EQ(wmi.queries, (std::vector<std::string>{"SELECT * FROM Win32_ComputerSystem"}));
    EXPECT_EQ(wmi.failureTexts,
              (std::vector<std::string>{"Query for motherboard information failed."}));
}

TEST(MotherboardQuery, KeepsPreviousValuesWhenUnreadable)
{
    FakeWMIQueryRunner wmi;
    wmi.add().text("Model", "P5Q").text("Manufacturer", "ASUSTeK");
    wmi.add();  // nothing readable: the first object's values stay
    std::string manufacturer = "caller's";
    EXPECT_EQ(queryMotherboard(wmi, &manufacturer), "P5Q");
    EXPECT_EQ(manufacturer, "ASUSTeK");

    FakeWMIQueryRunner empty;
    empty.add();
    std::string untouched = "caller's";
    EXPECT_EQ(queryMotherboard(empty, &untouched), "");
    EXPECT_EQ(untouched, "caller's");
}

TEST(MotherboardQuery, ReadsNoManufacturerUnlessAsked)
{
    FakeWMIQueryRunner wmi;
    FakeWMIObject& board = wmi.add().text("Model", "X58").text("Manufacturer", "Gigabyte");
    EXPECT_EQ(queryMotherboard(wmi, nullptr), "X58");
    EXPECT_FALSE(wasRead(board, "Manufacturer"));
}

TEST(ProcessorQuery, ConvertsEveryValue)
{
    FakeWMIQueryRunner wmi;
    addProcessor(wmi, "BFEBFBFF0001067A").number("MaxClockSpeed", 2400).number("L2CacheSize", 512)
        .number("L3CacheSize", 8192);
    FakeCpuidReader cpuid(0x80000008u, 0x40000000u);
    std::string version, name;
    uint64_t clock = 1, bus = 1;
    uint32_t l1 = 1, l2 = 1, l3 = 1;
    queryProcessor(wmi, cpuid, &version, &clock, &name, &bus, &l1, &l2, &l3);
    EXPECT_EQ(name, "Intel(R) Core(TM)2 Duo CPU     E8400  @ 3.00GHz");
    EXPECT_EQ(version, "Model 7, Stepping 10");
    EXPECT_EQ(clock, 2400000000ull);
    EXPECT_EQ(bus, 333000000ull);
    EXPECT_EQ(l1, 65536u);
    EXPECT_EQ(l2, 524288u);
    EXPECT_EQ(l3, 8388608u);
    EXPECT_EQ(wmi.queries, (std::vector<std::string>{"SELECT * FROM Win32_Processor"}));
    EXPECT_EQ(wmi.failureTexts, (std::vector<std::string>{"Query for CPU details failed."}));
}

TEST(ProcessorQuery, GivesZeroForMissingSpeedsAndCaches)
{
    // What Wine lists: no ExtClock, L2CacheSize or L3CacheSize.
    FakeWMIQueryRunner wmi;
    wmi.add()
        .text("ProcessorId", "BFEBFBFF000906EA")
        .text("Name", "Intel(R) Core(TM) i7-8700 CPU @ 3.20GHz")
        .text("Version", "Intel64 Family 6 Model 158 Stepping 10")
        .number("MaxClockSpeed", 3192);
    FakeCpuidReader cpuid(0x80000004u, 0x40000000u);
    std::string version, name;
    uint64_t clock = 7, bus = 7;
    uint32_t l1 = 7, l2 = 7, l3 = 7;
    queryProcessor(wmi, cpuid, &version, &clock, &name, &bus, &l1, &l2, &l3);
    EXPECT_EQ(clock, 3192000000ull);
    EXPECT_EQ(bus, 0ull);
    EXPECT_EQ(l1, 0u);
    EXPECT_EQ(l2, 0u);
    EXPECT_EQ(l3, 0u);
}

TEST(ProcessorQuery, ReadsOnlyWhatIsAskedFor)
{
    FakeWMIQueryRunner wmi;
    FakeWMIObject& cpu = addProcessor(wmi, "A");
    FakeCpuidReader cpuid(0x80000008u, 0x40000000u);
    std::string name;
    queryProcessor(wmi, cpuid, nullptr, nullptr, &name, nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(cpu.reads, (std::vector<std::string>{"ProcessorId", "Name"}));
    EXPECT_TRUE(cpuid.leaves.empty());
}

TEST(ProcessorQuery, CountsSocketsWithOneIDAsOneProcessor)
{
    FakeWMIQueryRunner wmi;
    addProcessor(wmi, "BFEBFBFF00000F43").text("Name", "First");
    addProcessor(wmi, "BFEBFBFF00000F43").text("Name", "Second");
    FakeCpuidReader cpuid(0, 0);
    std::string name;
    queryProcessor(wmi, cpuid, nullptr, nullptr, &name, nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(name, "Second");  // the last object's values remain
}

TEST(ProcessorQuery, RefusesProcessorsWithDifferentIDs)
{
    FakeWMIQueryRunner wmi;
    addProcessor(wmi, "BFEBFBFF00000F43");
    addProcessor(wmi, "BFEBFBFF00000F44");
    FakeCpuidReader cpuid(0, 0);
    std::string name;
    EXPECT_EQ(thrownText([&] {
                  queryProcessor(wmi, cpuid, nullptr, nullptr, &name, nullptr, nullptr, nullptr,
                                 nullptr);
              }),
              "ERROR: Multiple processors detected. Not supported at present.");

    // Each object differing from the first counts, also after a repeat of the first.
    FakeWMIQueryRunner three;
    addProcessor(three, "A");
    addProcessor(three, "A");
    addProcessor(three, "B");
    EXPECT_EQ(thrownText([&] {
                  queryProcessor(three, cpuid, nullptr, nullptr, nullptr, nullptr, nullptr,
                                 nullptr, nullptr);
              }),
              "ERROR: Multiple processors detected. Not supported at present.");
}

TEST(ProcessorQuery, NeedsAProcessorWithIDAndName)
{
    FakeCpuidReader cpuid(0, 0);
    std::string version, name;

    FakeWMIQueryRunner none;
    EXPECT_EQ(thrownText([&] {
                  queryProcessor(none, cpuid, &version, nullptr, &name, nullptr, nullptr, nullptr,
                                 nullptr);
              }),
              "ERROR: Could not get CPU details.");

    FakeWMIQueryRunner noID;
    noID.add().text("Name", "x").text("Version", "y");
    EXPECT_EQ(thrownText([&] {
                  queryProcessor(noID, cpuid, &version, nullptr, &name, nullptr, nullptr, nullptr,
                                 nullptr);
              }),
              "ERROR: Could not get CPU's ID.");

    FakeWMIQueryRunner noName;
    noName.add().text("ProcessorId", "A").text("Version", "y");
    EXPECT_EQ(thrownText([&] {
                  queryProcessor(noName, cpuid, &version, nullptr, &name, nullptr, nullptr,
                                 nullptr, nullptr);
              }),
              "ERROR: Could not get CPU details.");
}

TEST(ProcessorQuery, TakesAVersionThatIsNullOrBlankAsEmpty)
{
    // Windows 10 and 11 list an 11th-generation Core with Version blank, or unset (NULL, which
    // reads as unreadable, like a property the object lacks).
    struct Case {
        const char* what;
        bool listed;
        const char* version;
    };
    const Case cases[] = {
        {"blank", true, ""},
        {"NULL or absent", false, nullptr},
    };
    for (const Case& c : cases) {
        FakeWMIQueryRunner wmi;
        FakeWMIObject& cpu = wmi.add()
                                 .text("ProcessorId", "BFEBFBFF000806C1")
                                 .text("Name", "11th Gen Intel(R) Core(TM) i7-1165G7 @ 2.80GHz")
                                 .number("MaxClockSpeed", 2803);
        if (c.listed) {
            cpu.text("Version", c.version);
        }
        FakeCpuidReader cpuid(0, 0);
        std::string version = "stale", name;
        uint64_t clock = 0;
        queryProcessor(wmi, cpuid, &version, &clock, &name, nullptr, nullptr, nullptr, nullptr);
        EXPECT_EQ(version, "") << c.what;
        EXPECT_EQ(name, "11th Gen Intel(R) Core(TM) i7-1165G7 @ 2.80GHz") << c.what;
        EXPECT_EQ(clock, 2803000000ull) << c.what;
    }
}

TEST(TotalMemoryQuery, ParsesTheText)
{
    FakeWMIQueryRunner wmi;
    wmi.add().text("TotalPhysicalMemory", "8589398016");
    EXPECT_EQ(queryTotalMemory(wmi), 8589398016ull);
    EXPECT_EQ(wmi.queries, (std::vector<std::string>{"SELECT * FROM Win32_ComputerSystem"}));
    EXPECT_EQ(wmi.failureTexts, (std::vector<std::string>{"Query for system information failed."}));
}

TEST(TotalMemoryQuery, IsZeroWhenMissingOrUnparsable)
{
    FakeWMIQueryRunner missing;
    missing.add();
    EXPECT_EQ(queryTotalMemory(missing), 0ull);

    FakeWMIQueryRunner garbage;
    garbage.add().text("TotalPhysicalMemory", "lots");
    EXPECT_EQ(queryTotalMemory(garbage), 0ull);

    FakeWMIQueryRunner none;
    EXPECT_EQ(queryTotalMemory(none), 0ull);
}

TEST(VideoControllerQuery, ReadsCardIDsDriverAndMemory)
{
    FakeWMIQueryRunner wmi;
    wmi.add()
        .text("Name", "NVIDIA GeForce 9500 GT")
        .text("PNPDeviceID", "PCI\\VEN_10DE&DEV_0640&SUBSYS_C9601462&REV_A1\\4&2B4C4A9B&0&0008")
        .text("InstalledDisplayDrivers", "nvd3dum,nvwgf2um,nvwgf2um")
        .text("DriverVersion", "8.17.12.9573")
        .number("AdapterRAM", 536870912u);
    const VideoControllerInfo info = queryVideoController(wmi);
    EXPECT_EQ(info.cardName, "NVIDIA GeForce 9500 GT");
    EXPECT_EQ(info.vendorID, 0x10deu);
    EXPECT_EQ(info.productID, 0x640u);
    EXPECT_EQ(info.subProductID, 0xc960u);
    EXPECT_EQ(info.subVendorID, 0x1462u);
    EXPECT_EQ(info.driverNames, "nvd3dum,nvwgf2um,nvwgf2um");
    EXPECT_EQ(info.driverVersion, "8.17.12.9573");
    EXPECT_EQ(info.videoMemorySize, 536870912ull);
    EXPECT_EQ(wmi.queries, (std::vector<std::string>{"SELECT * FROM Win32_VideoController"}));
    EXPECT_EQ(wmi.failureTexts, (std::vector<std::string>{"Query for video card failed."}));
}

TEST(VideoControllerQuery, TakesAdapterRamAsUnsigned32Bits)
{
    FakeWMIQueryRunner wmi;
    wmi.add().text("Name", "NVIDIA GeForce GTX 470").number("AdapterRAM", 0xFFF00000u);
    EXPECT_EQ(queryVideoController(wmi).videoMemorySize, 4293918720ull);
}

TEST(VideoControllerQuery, GivesEmptyAndZeroForWhatCannotBeRead)
{
    FakeWMIQueryRunner wmi;
    wmi.add();
    const VideoControllerInfo info = queryVideoController(wmi);
    EXPECT_EQ(info.cardName, "");
    EXPECT_EQ(info.vendorID, 0u);
    EXPECT_EQ(info.productID, 0u);
    EXPECT_EQ(info.subProductID, 0u);
    EXPECT_EQ(info.subVendorID, 0u);
    EXPECT_EQ(info.driverNames, "");
    EXPECT_EQ(info.driverVersion, "");
    EXPECT_EQ(info.videoMemorySize, 0ull);
}

TEST(VideoControllerQuery, KeepsTheLastAdapterWhole)
{
    // A second adapter without IDs or memory must not inherit the first one's.
    FakeWMIQueryRunner wmi;
    wmi.add()
        .text("Name", "First")
        .text("PNPDeviceID", "PCI\\VEN_10DE&DEV_0640&SUBSYS_C9601462&REV_A1")
        .text("DriverVersion", "1.0")
        .number("AdapterRAM", 1024u);
    wmi.add().text("Name", "Second");
    const VideoControllerInfo info = queryVideoController(wmi);
    EXPECT_EQ(info.cardName, "Second");
    EXPECT_EQ(info.vendorID, 0u);
    EXPECT_EQ(info.subVendorID, 0u);
    EXPECT_EQ(info.driverVersion, "");
    EXPECT_EQ(info.videoMemorySize, 0ull);
}
