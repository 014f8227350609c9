// The queries against the real management service (under Wine in the test run).
#include <gtest/gtest.h>

#include <windows.h>

#include <regex>
#include <sstream>

#include "base/OutputPair.h"
#include "results/BCObjectCollection.h"
#include "sysinfo/CpuidReader.h"
#include "sysinfo/L1CacheSize.h"
#include "sysinfo/SystemDescription.h"
#include "sysinfo/SystemDescriptionReport.h"
#include "sysinfo/SystemQueriesWin.h"
#include "base/VideoControllerInfo.h"
#include "base/ComPtr.h"
#include "sysinfo/WMIHandle.h"
#include "sysinfo/WMIValues.h"
#include "sysinfo/WMIQueryRunnerWin.h"

namespace {

bool runningUnderWine()
{
    const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
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

std::vector<std::string> linesOf(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

} // namespace

// Must run before anything else connects: it needs this thread's COM still untouched.
TEST(WMIHandleWin, FailedCreationIsNotKeptAndIsRetried)
{
    if (WMIHandle::exists()) {
        GTEST_SKIP() << "connection already made by an earlier test";
    }
    const HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (hr != S_OK) {
        if (SUCCEEDED(hr)) {
            CoUninitialize();
        }
        GTEST_SKIP() << "COM already initialised on this thread";
    }
    // An apartment-threaded thread cannot join the multithreaded apartment.
    EXPECT_EQ(thrownText([] { queryOperatingSystem(); }),
              "Failed to initialize COM library. Error code = 0x80010106\n");
    EXPECT_FALSE(WMIHandle::exists());
    CoUninitialize();

    EXPECT_NE(queryOperatingSystem(), "");
    EXPECT_TRUE(WMIHandle::exists());
}

TEST(SystemQueriesWin, DescribesTheOperatingSystem)
{
    const std::string os = queryOperatingSystem();
    EXPECT_TRUE(std::regex_match(os, std::regex(".+ \\(build [0-9]+\\)"))) << os;
    EXPECT_EQ(os.find("Microsoft"), std::string::npos) << os;
    EXPECT_EQ(os.find("Windows"), std::string::npos) << os;
    if (runningUnderWine()) {
        // Wine presents itself as Windows 7 with its service pack (system type 18).
        EXPECT_EQ(os, "7 Professional Service Pack 1 (build 7601)");
    }
}

TEST(SystemQueriesWin, DescribesTheMachine)
{
    std::string manufacturer;
    const std::string model = queryMotherboard(&manufacturer);
    EXPECT_NE(model, "");
    EXPECT_NE(manufacturer, "");
    EXPECT_EQ(queryMotherboard(), model);
    if (runningUnderWine()) {
        EXPECT_EQ(model, "Wine");
        EXPECT_EQ(manufacturer, "The Wine Project");
    }
    EXPECT_GT(queryTotalMemory(), 64ull * 1024 * 1024);
}

TEST(SystemQueriesWin, DescribesTheProcessor)
{
    std::string version, name;
    uint64_t clock = 1, bus = 1;
    uint32_t l1 = 1, l2 = 1, l3 = 1;
    queryProcessor(&version, &clock, &name, &bus, &l1, &l2, &l3);
    EXPECT_NE(name, "");
    EXPECT_GE(clock, 100000000ull);
    EXPECT_EQ(clock % 1000000, 0u);
    EXPECT_EQ(bus % 1000000, 0u);
    EXPECT_EQ(l1 % 1024, 0u);
    EXPECT_LE(l1, 255u * 1024u);
    EXPECT_EQ(l2 % 1024, 0u);
    EXPECT_EQ(l3 % 1024, 0u);
    if (runningUnderWine()) {
        EXPECT_NE(version, "");  // Windows 10 and 11 may leave it blank
        // Wine's processor objects have no ExtClock, L2CacheSize or L3CacheSize.
        EXPECT_EQ(bus, 0u);
        EXPECT_EQ(l2, 0u);
        EXPECT_EQ(l3, 0u);
    }
    // The level-1 size is the instruction's answer, not the service's.
    HostCpuidReader cpuid;
    EXPECT_EQ(l1, readL1CacheSize(cpuid));
}

TEST(SystemQueriesWin, MissingPropertiesReadAsUnreadable)
{
    WMIServiceQueryRunner wmi;
    int objects = 0;
    wmi.run("SELECT * FROM Win32_Processor", "Query for CPU details failed.", [&](WMIObject& cpu) {
        ++objects;
        uint32_t value = 12345;
        EXPECT_FALSE(cpu.readNumber("NoSuchProperty", value));
        EXPECT_EQ(value, 12345u);
        std::string text = "kept";
        EXPECT_FALSE(cpu.readText("NoSuchProperty", text));
        EXPECT_EQ(text, "kept");
        // A number is not text.
        EXPECT_FALSE(cpu.readText("MaxClockSpeed", text));
        EXPECT_TRUE(cpu.readNumber("MaxClockSpeed", value));
        EXPECT_TRUE(cpu.readText("ProcessorId", text));
        if (runningUnderWine()) {
            EXPECT_FALSE(cpu.readNumber("ExtClock", value));
            EXPECT_FALSE(cpu.readNumber("L2CacheSize", value));
            EXPECT_FALSE(cpu.readNumber("L3CacheSize", value));
        }
        return true;
    });
    EXPECT_GE(objects, 1);
}

TEST(SystemQueriesWin, ANullTextReadsAsUnreadable)
{
    if (!runningUnderWine()) {
        GTEST_SKIP() << "needs a property known to be NULL";
    }
    // Wine leaves Win32_Processor.UniqueId NULL, as Windows 10 and 11 leave Version on many
    // processors.
    ComPtr<IEnumWbemClassObject> enumerator;
    WMIBStr language(L"WQL"), query(L"SELECT * FROM Win32_Processor");
    ASSERT_EQ(WMIHandle::getServices()->ExecQuery(language.get(), query.get(), 0x30, nullptr,
                                                  enumerator.put()),
              S_OK);
    ComPtr<IWbemClassObject> object;
    ULONG returned = 0;
    enumerator->Next(WBEM_INFINITE, 1, object.put(), &returned);
    ASSERT_EQ(returned, 1u);
    WMIVariant raw;
    ASSERT_EQ(object->Get(L"UniqueId", 0, raw.get(), nullptr, nullptr), S_OK);
    EXPECT_EQ((*raw).vt, VT_NULL);

    WMIServiceQueryRunner wmi;
    wmi.run("SELECT * FROM Win32_Processor", "Query for CPU details failed.", [](WMIObject& cpu) {
        std::string text = "kept";
        EXPECT_FALSE(cpu.readText("UniqueId", text));
        EXPECT_EQ(text, "kept");
        return false;
    });
}

TEST(SystemQueriesWin, StopsTakingObjectsWhenAsked)
{
    WMIServiceQueryRunner wmi;
    int objects = 0;
    wmi.run("SELECT * FROM Win32_Process", "Query for processes failed.", [&](WMIObject&) {
        ++objects;
        return false;
    });
    EXPECT_EQ(objects, 1);
}

TEST(SystemQueriesWin, RefusedQueryThrowsItsFailureText)
{
    WMIServiceQueryRunner wmi;
    // WBEM_E_INVALID_QUERY, in lower case without leading zeros, and a line end.
    EXPECT_EQ(thrownText([&] {
                  wmi.run("SELEKT nothing", "Query for nonsense failed.",
                          [](WMIObject&) { return true; });
              }),
              "Query for nonsense failed. Error code = 0x80041017\n");
}

TEST(SystemQueriesWin, DescribesTheVideoController)
{
    const VideoControllerInfo info = queryVideoController();
    EXPECT_NE(info.cardName, "");
    if (runningUnderWine()) {
        // Wine presents a PCI card ("PCI\\VEN_10DE&DEV_06CD&SUBSYS_00000000&...").
        EXPECT_NE(info.vendorID, 0u);
        EXPECT_NE(info.productID, 0u);
        // Wine lists no subsystem, and its adapter memory comes back negative as a 32-bit
        // number: kept as an unsigned count, never sign-extended.
        EXPECT_EQ(info.subProductID, 0u);
        EXPECT_EQ(info.subVendorID, 0u);
        EXPECT_LT(info.videoMemorySize, 1ull << 32);
    }
}

TEST(SystemDescriptionWin, GathersAndPrintsTheBlock)
{
    const SystemDescription d = gatherSystemDescription();
    EXPECT_NE(d.kernel32.major, 0u);
    EXPECT_NE(d.gdi32.major, 0u);

    std::ostringstream console, transcript;
    OutputPair out(console, transcript);
    printSystemDescription(out, d);
    EXPECT_EQ(console.str(), transcript.str());
    const std::vector<std::string> lines = linesOf(console.str());
    ASSERT_EQ(lines.size(), 7u) << console.str();
    EXPECT_EQ(lines[0], "System Information:");
    EXPECT_TRUE(std::regex_match(lines[1], std::regex("OS: Windows .+ \\(build [0-9]+\\)")))
        << lines[1];
    EXPECT_TRUE(std::regex_match(lines[2], std::regex("Motherboard/Device: .+, manufactured by: .*")))
        << lines[2];
    EXPECT_TRUE(std::regex_match(lines[3], std::regex("CPU: .+, .+ @ [0-9.]+ (THz|GHz|MHz)")))
        << lines[3];
    EXPECT_TRUE(std::regex_match(
        lines[4], std::regex("L1 Cache Size: [0-9]+, L2 Cache Size: [0-9]+, L3 Cache Size: [0-9]+")))
        << lines[4];
    EXPECT_TRUE(std::regex_match(lines[5], std::regex("Total RAM: [0-9.]+ (TiB|GiB|MiB)")))
        << lines[5];
    EXPECT_TRUE(std::regex_match(lines[6],
                                 std::regex("External Bus \\(FSB\\) Speed: [0-9.]+ (GHz|MHz|KHz|Hz)")))
        << lines[6];

    std::ostringstream console2, transcript2;
    OutputPair out2(console2, transcript2);
    const auto libraries = makeLibraryCollection();
    SystemDescriptionRecords records;
    printLibraryVersions(out2, d, *libraries, records);
    const std::vector<std::string> versions = linesOf(console2.str());
    ASSERT_GE(versions.size(), 2u);
    EXPECT_TRUE(std::regex_match(versions[0],
                                 std::regex("Kernel32\\.dll version: [0-9]+\\.[0-9]+\\.[0-9]+\\.[0-9]+")))
        << versions[0];
    EXPECT_TRUE(std::regex_match(versions[1],
                                 std::regex("Gdi32\\.dll version: [0-9]+\\.[0-9]+\\.[0-9]+\\.[0-9]+")))
        << versions[1];
    EXPECT_EQ(transcript2.str(), "");
    if (runningUnderWine()) {
        ASSERT_EQ(versions.size(), 4u);
        EXPECT_EQ(versions[2].rfind("d2d1.dll version: ", 0), 0u) << versions[2];
        EXPECT_EQ(versions[3].rfind("d3d10.dll version: ", 0), 0u) << versions[3];
        EXPECT_EQ(libraries->getNumObjects(), 2);
    }
}
