// Which Win32_VideoController a run records, on machines with several display adapters. The
// listings are those of real machines (names, device identifiers, drivers, AdapterRAM in the
// order the service gave them); the adapter is what DXGI's GetDesc or EnumDisplayDevices said
// there.
#include <gtest/gtest.h>

#include <map>

#include "FakeWMI.h"
#include "sysinfo/SystemQueries.h"

namespace {

struct Listed {
    const char* name;
    const char* pnpDeviceId;
    const char* drivers;
    const char* driverVersion;
    uint32_t adapterRam;
};

// Desktop, ASUS ROG STRIX B760-I: the Radeon in the slot is listed first, the processor's
// UHD 770 (enabled beside it) second.
const Listed kRadeon = {"AMD Radeon RX 6600 XT",
                        "PCI\\VEN_1002&DEV_73FF&SUBSYS_E441148C&REV_C1\\6&14C4F4E&0&00000008",
                        "aticfx64.dll,aticfx64.dll,aticfx64.dll,amdxc64.dll", "31.0.21029.1005",
                        4293918720u};
const Listed kUhd770 = {"Intel(R) UHD Graphics 770",
                        "PCI\\VEN_8086&DEV_4680&SUBSYS_88821043&REV_0C\\3&11583659&0&10",
                        "igdumdim0.dll,igd10iumd64.dll,igd10iumd64.dll,igd12umd64.dll",
                        "31.0.101.4575", 1073741824u};
// Laptop, Lenovo: both adapters carry the machine's subsystem ID 22C317AA.
const Listed kIrisXe = {"Intel(R) Iris(R) Xe Graphics",
                        "PCI\\VEN_8086&DEV_9A49&SUBSYS_22C317AA&REV_01\\3&11583659&0&10",
                        "igdumdim0.dll,igd10iumd64.dll,igd10iumd64.dll,igd12umd64.dll",
                        "31.0.101.5333", 1073741824u};
const Listed kGtx1650Ti = {"NVIDIA GeForce GTX 1650 Ti",
                           "PCI\\VEN_10DE&DEV_1F95&SUBSYS_22C317AA&REV_A1\\4&2B4D2A1B&0&0008",
                           "nvldumdx.dll,nvldumdx.dll,nvldumdx.dll,nvldumdx.dll", "31.0.15.3623",
                           4293918720u};
// Desktop, MSI board, with a game-streaming virtual display listed before the real adapters.
const Listed kParsec = {"Parsec Virtual Display Adapter", "ROOT\\DISPLAY\\0000", "", "0.45.0.0", 0};
const Listed kRtx4080 = {"NVIDIA GeForce RTX 4080",
                         "PCI\\VEN_10DE&DEV_2704&SUBSYS_51111462&REV_A1\\4&D7CE646&0&0009",
                         "nvldumdx.dll,nvldumdx.dll,nvldumdx.dll,nvldumdx.dll", "32.0.15.6094",
                         4293918720u};
const Listed kRaphael = {"AMD Radeon(TM) Graphics",
                         "PCI\\VEN_1002&DEV_164E&SUBSYS_7D701462&REV_C9\\4&1E51CAC1&0&0041",
                         "aticfx64.dll,aticfx64.dll,aticfx64.dll,amdxc64.dll", "31.0.24027.1012",
                         536870912u};
// A fresh installation before the graphics driver: the card runs on Microsoft's display-only
// driver, and Direct3D on the basic render driver (WARP), which the service does not list.
const Listed kBasicDisplay = {"Microsoft Basic Display Adapter",
                             "PCI\\VEN_10DE&DEV_2504&SUBSYS_397D1462&REV_A1\\4&1C3D25BB&0&0019", "",
                             "10.0.22621.1", 0};
// A 12 GiB card: AdapterRAM stops at 0xFFF00000.
const Listed kRtx3060 = {"NVIDIA GeForce RTX 3060",
                         "PCI\\VEN_10DE&DEV_2504&SUBSYS_397D1462&REV_A1\\4&1C3D25BB&0&0019",
                         "nvldumdx.dll,nvldumdx.dll,nvldumdx.dll,nvldumdx.dll", "31.0.15.3623",
                         4293918720u};

void list(FakeWMIQueryRunner& wmi, const Listed& controller)
{
    FakeWMIObject& object = wmi.add()
                                .text("Name", controller.name)
                                .text("PNPDeviceID", controller.pnpDeviceId)
                                .text("InstalledDisplayDrivers", controller.drivers)
                                .text("DriverVersion", controller.driverVersion);
    if (controller.adapterRam != 0) {
        object.number("AdapterRAM", controller.adapterRam);
    }
}

// DXGI_ADAPTER_DESC as GetDesc filled it.
DrawingAdapter dxgi(const char* description, uint32_t vendorId, uint32_t deviceId, uint32_t subSysId,
                    uint64_t dedicatedVideoMemory)
{
    DrawingAdapter adapter;
    adapter.known = true;
    adapter.description = description;
    adapter.ids = pciIdsFromDxgi(vendorId, deviceId, subSysId);
    adapter.dedicatedVideoMemory = dedicatedVideoMemory;
    return adapter;
}

class ScriptedMemoryRegistry : public AdapterMemoryRegistry {
public:
    std::optional<uint64_t> memorySize(const std::string& pnpDeviceId) override
    {
        asked.push_back(pnpDeviceId);
        const auto it = sizes.find(pnpDeviceId);
        return it == sizes.end() ? std::nullopt : std::optional<uint64_t>(it->second);
    }
    std::map<std::string, uint64_t> sizes;
    std::vector<std::string> asked;
};

struct Recorded {
    std::string name;
    uint32_t productID, vendorID, subProductID, subVendorID;
    std::string drivers, driverVersion;
    uint64_t videoMemory;
};

void expectRecorded(const VideoControllerInfo& info, const Recorded& expected, const std::string& machine)
{
    EXPECT_EQ(info.cardName, expected.name) << machine;
    EXPECT_EQ(info.productID, expected.productID) << machine;
    EXPECT_EQ(info.vendorID, expected.vendorID) << machine;
    EXPECT_EQ(info.subProductID, expected.subProductID) << machine;
    EXPECT_EQ(info.subVendorID, expected.subVendorID) << machine;
    EXPECT_EQ(info.driverNames, expected.drivers) << machine;
    EXPECT_EQ(info.driverVersion, expected.driverVersion) << machine;
    EXPECT_EQ(info.videoMemorySize, expected.videoMemory) << machine;
}

} // namespace

TEST(CardThatDrew, IsTheListedControllerWithTheAdapterIDs)
{
    struct Machine {
        const char* what;
        std::vector<Listed> listing;
        DrawingAdapter adapter;
        Recorded expected;
    };
    const DrawingAdapter onRadeon = dxgi("AMD Radeon RX 6600 XT", 0x1002, 0x73FF, 0xE441148C, 8573157376ull);
    DrawingAdapter primaryOnUhd;  // GDI: the monitor is on the motherboard's output
    primaryOnUhd.known = true;
    primaryOnUhd.description = "Intel(R) UHD Graphics 770";
    primaryOnUhd.ids = *pciIdsOfDevice("PCI\\VEN_8086&DEV_4680&SUBSYS_88821043&REV_0C");
    const Machine machines[] = {
        {"desktop, discrete listed first, drawn on the discrete",
         {kRadeon, kUhd770},
         onRadeon,
         {"AMD Radeon RX 6600 XT", 0x73ff, 0x1002, 0xe441, 0x148c, kRadeon.drivers, "31.0.21029.1005",
          8573157376ull}},
        {"desktop, GDI on the primary display's adapter",
         {kRadeon, kUhd770},
         primaryOnUhd,
         {"Intel(R) UHD Graphics 770", 0x4680, 0x8086, 0x8882, 0x1043, kUhd770.drivers, "31.0.101.4575",
          1073741824ull}},
        {"laptop, integrated listed first, drawn on the integrated (the default adapter)",
         {kIrisXe, kGtx1650Ti},
         dxgi("Intel(R) Iris(R) Xe Graphics", 0x8086, 0x9A49, 0x22C317AA, 134217728ull),
         {"Intel(R) Iris(R) Xe Graphics", 0x9a49, 0x8086, 0x22c3, 0x17aa, kIrisXe.drivers, "31.0.101.5333",
          134217728ull}},
        {"laptop, discrete listed first, drawn on the discrete (high-performance preference)",
         {kGtx1650Ti, kIrisXe},
         dxgi("NVIDIA GeForce GTX 1650 Ti", 0x10DE, 0x1F95, 0x22C317AA, 4175429632ull),
         {"NVIDIA GeForce GTX 1650 Ti", 0x1f95, 0x10de, 0x22c3, 0x17aa, kGtx1650Ti.drivers, "31.0.15.3623",
          4175429632ull}},
        {"virtual display listed first",
         {kParsec, kRtx4080, kRaphael},
         dxgi("NVIDIA GeForce RTX 4080", 0x10DE, 0x2704, 0x51111462, 17171480576ull),
         {"NVIDIA GeForce RTX 4080", 0x2704, 0x10de, 0x5111, 0x1462, kRtx4080.drivers, "32.0.15.6094",
          17171480576ull}},
    };
    for (const Machine& machine : machines) {
        FakeWMIQueryRunner wmi;
        for (const Listed& controller : machine.listing) {
            list(wmi, controller);
        }
        ScriptedMemoryRegistry registry;
        expectRecorded(queryVideoController(wmi, machine.adapter, registry), machine.expected, machine.what);
        EXPECT_EQ(wmi.queries, (std::vector<std::string>{"SELECT * FROM Win32_VideoController"}));
    }
}

TEST(CardThatDrew, IsDescribedByTheGraphicsSystemWhenNoControllerIsIt)
{
    // WARP under the display-only driver: the service's only controller is the card, which did
    // not draw; nothing of it (name, IDs, drivers, memory, registry) may be recorded.
    FakeWMIQueryRunner wmi;
    list(wmi, kBasicDisplay);
    DrawingAdapter warp = dxgi("Microsoft Basic Render Driver", 0x1414, 0x008C, 0, 0);
    warp.driverVersion = driverVersionText(0x000A0000585D0001ull);
    ScriptedMemoryRegistry registry;
    registry.sizes[kBasicDisplay.pnpDeviceId] = 12884901888ull;
    expectRecorded(queryVideoController(wmi, warp, registry),
                   {"Microsoft Basic Render Driver", 0x8c, 0x1414, 0, 0, "", "10.0.22621.1", 0}, "WARP");
    EXPECT_TRUE(registry.asked.empty());

    // A machine whose service lists no controller at all.
    FakeWMIQueryRunner none;
    expectRecorded(queryVideoController(none, warp, registry),
                   {"Microsoft Basic Render Driver", 0x8c, 0x1414, 0, 0, "", "10.0.22621.1", 0}, "no listing");
}

TEST(CardThatDrew, KeepsTheLastControllerWhenTheAdapterIsUnknown)
{
    FakeWMIQueryRunner wmi;
    list(wmi, kRadeon);
    list(wmi, kUhd770);
    ScriptedMemoryRegistry registry;
    const VideoControllerInfo info = queryVideoController(wmi, DrawingAdapter(), registry);
    EXPECT_EQ(info.cardName, "Intel(R) UHD Graphics 770");
    EXPECT_EQ(registry.asked, (std::vector<std::string>{kUhd770.pnpDeviceId}));
}

TEST(CardThatDrew, HasTheMemoryTheDriverRegisteredBeyond4GiB)
{
    struct Case {
        const char* what;
        std::optional<uint64_t> registered;  // HardwareInformation.qwMemorySize
        uint64_t dedicated;                  // DXGI's DedicatedVideoMemory
        uint64_t expected;
    };
    const Case cases[] = {
        {"the driver's 64-bit size", 12884901888ull, 12713459712ull, 12884901888ull},
        {"no registry value: DXGI's", std::nullopt, 12713459712ull, 12713459712ull},
        {"a registry value of 0 tells nothing", 0ull, 12713459712ull, 12713459712ull},
        {"neither: AdapterRAM, capped at 32 bits", std::nullopt, 0, 4293918720ull},
    };
    for (const Case& c : cases) {
        FakeWMIQueryRunner wmi;
        list(wmi, kUhd770);
        list(wmi, kRtx3060);
        ScriptedMemoryRegistry registry;
        if (c.registered) {
            registry.sizes[kRtx3060.pnpDeviceId] = *c.registered;
        }
        registry.sizes[kUhd770.pnpDeviceId] = 2147483648ull;  // the other adapter's, never taken
        const DrawingAdapter adapter = dxgi("NVIDIA GeForce RTX 3060", 0x10DE, 0x2504, 0x397D1462, c.dedicated);
        const VideoControllerInfo info = queryVideoController(wmi, adapter, registry);
        EXPECT_EQ(info.cardName, "NVIDIA GeForce RTX 3060") << c.what;
        EXPECT_EQ(info.videoMemorySize, c.expected) << c.what;
        EXPECT_EQ(registry.asked, (std::vector<std::string>{kRtx3060.pnpDeviceId})) << c.what;
    }
}

TEST(PciIdsOfDevice, ReadsOnlyAPCIDevicesOwnIDs)
{
    struct Case {
        const char* deviceId;
        std::optional<PciIds> expected;
    };
    const Case cases[] = {
        {"PCI\\VEN_10DE&DEV_0640&SUBSYS_C9601462&REV_A1\\4&2B4C4A9B&0&0008", PciIds{0x10de, 0x640, 0xc960, 0x1462}},
        {"pci\\ven_8086&dev_4680&subsys_88821043&rev_0c", PciIds{0x8086, 0x4680, 0x8882, 0x1043}},
        {"PCI\\VEN_1002&DEV_73FF", PciIds{0x1002, 0x73ff, 0, 0}},
        // The instance part after the second backslash is no part of the hardware's IDs.
        {"PCI\\VEN_15AD&DEV_0405\\SUBSYS_040515AD", PciIds{0x15ad, 0x405, 0, 0}},
        {"PCI\\VEN_10DE&DEV_06CD&SUBSYS_00000000&REV_00\\0&DEADBEEF&0&DEAD", PciIds{0x10de, 0x6cd, 0, 0}},
        {"ROOT\\DISPLAY\\0000", std::nullopt},
        {"SWD\\REMOTEDISPLAYENUM\\RDPIDD_INDIRECTDISPLAY&SESSIONID_0002", std::nullopt},
        {"USB\\VID_17E9&PID_4307&MI_00\\7&1B8D2C4E&0&0000", std::nullopt},
        {"PCI\\VEN_10DE", std::nullopt},
        {"PCI\\VEN_10D&DEV_0640", std::nullopt},
        {"PCI\\VEN_10DEX&DEV_0640", std::nullopt},
        {"PCI\\VEN_XYZW&DEV_0640", std::nullopt},
        {"", std::nullopt},
    };
    for (const Case& c : cases) {
        const std::optional<PciIds> ids = pciIdsOfDevice(c.deviceId);
        ASSERT_EQ(ids.has_value(), c.expected.has_value()) << c.deviceId;
        if (ids) {
            EXPECT_EQ(ids->vendorID, c.expected->vendorID) << c.deviceId;
            EXPECT_EQ(ids->productID, c.expected->productID) << c.deviceId;
            EXPECT_EQ(ids->subProductID, c.expected->subProductID) << c.deviceId;
            EXPECT_EQ(ids->subVendorID, c.expected->subVendorID) << c.deviceId;
        }
    }
}

TEST(DrawingAdapter, ReadsDxgisNumbers)
{
    const PciIds ids = pciIdsFromDxgi(0x1002, 0x73FF, 0xE441148C);
    EXPECT_EQ(ids.vendorID, 0x1002u);
    EXPECT_EQ(ids.productID, 0x73ffu);
    EXPECT_EQ(ids.subProductID, 0xe441u);
    EXPECT_EQ(ids.subVendorID, 0x148cu);
    // 31 = 0x1F, 15 = 0xF, 3623 = 0xE27.
    EXPECT_EQ(driverVersionText(0x001F0000000F0E27ull), "31.0.15.3623");
    EXPECT_EQ(driverVersionText(0xFFFF000100020003ull), "65535.1.2.3");
}
