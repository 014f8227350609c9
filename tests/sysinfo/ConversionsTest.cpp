#include <gtest/gtest.h>

#include "FakeWMI.h"
#include "sysinfo/OSCaption.h"
#include "sysinfo/PnpDeviceId.h"
#include "sysinfo/SysInfoUnits.h"
#include "sysinfo/SystemDescription.h"

TEST(OSCaption, CutsTheVersionAfterTheWordWindows)
{
    EXPECT_EQ(osVersionFromCaption("Microsoft Windows XP Professional"), "XP Professional");
    EXPECT_EQ(osVersionFromCaption("Microsoft Windows 7 Professional"), "7 Professional");
    EXPECT_EQ(osVersionFromCaption("Microsoft(R) Windows(R) Server 2003, Standard Edition"),
              "Server 2003, Standard Edition");
}

TEST(OSCaption, IgnoresCase)
{
    EXPECT_EQ(osVersionFromCaption("MICROSOFT WINDOWS(r) XP"), "XP");
    EXPECT_EQ(osVersionFromCaption("microsoft windows vista"), "vista");
}

TEST(OSCaption, KeepsCaptionsWithoutAVersionAfterWindows)
{
    EXPECT_EQ(osVersionFromCaption("ReactOS 0.4"), "ReactOS 0.4");
    EXPECT_EQ(osVersionFromCaption("Microsoft Windows "), "Microsoft Windows ");
    EXPECT_EQ(osVersionFromCaption("Microsoft Windows(R) "), "Microsoft Windows(R) ");
    EXPECT_EQ(osVersionFromCaption("Microsoft Windows"), "Microsoft Windows");
    EXPECT_EQ(osVersionFromCaption(""), "");
}

TEST(OSCaption, UsesTheFirstOccurrence)
{
    EXPECT_EQ(osVersionFromCaption("Windows 10 for Windows fans"), "10 for Windows fans");
    // "Windows(R) " at the very end has nothing after it: the plain word is searched instead.
    EXPECT_EQ(osVersionFromCaption("Windows Edition of Windows(R) "), "Edition of Windows(R) ");
}

TEST(PnpDeviceId, ReadsTheFourIDsOfTheExample)
{
    const PciIds ids = parsePnpDeviceId("PCI\\VEN_10DE&DEV_0640&SUBSYS_C9601462&REV_A1\\4&2B4C4A9B&0&0008");
    EXPECT_EQ(ids.vendorID, 0x10deu);
    EXPECT_EQ(ids.productID, 0x640u);
    EXPECT_EQ(ids.subProductID, 0xc960u);
    EXPECT_EQ(ids.subVendorID, 0x1462u);
}

TEST(PnpDeviceId, ReadsZeroSubsystemAsZero)
{
    const PciIds ids = parsePnpDeviceId("PCI\\VEN_10DE&DEV_06CD&SUBSYS_00000000&REV_00\\3&267A616A&0&08");
    EXPECT_EQ(ids.vendorID, 0x10deu);
    EXPECT_EQ(ids.productID, 0x6cdu);
    EXPECT_EQ(ids.subProductID, 0u);
    EXPECT_EQ(ids.subVendorID, 0u);
}

TEST(PnpDeviceId, GivesZeroForMissingPieces)
{
    const PciIds empty = parsePnpDeviceId("");
    EXPECT_EQ(empty.vendorID, 0u);
    EXPECT_EQ(empty.productID, 0u);
    EXPECT_EQ(empty.subProductID, 0u);
    EXPECT_EQ(empty.subVendorID, 0u);

    // Vendor complete, product cut short, no subsystem.
    const PciIds shortId = parsePnpDeviceId("PCI\\VEN_8086&DEV_1");
    EXPECT_EQ(shortId.vendorID, 0x8086u);
    EXPECT_EQ(shortId.productID, 0u);
    EXPECT_EQ(shortId.subProductID, 0u);
    EXPECT_EQ(shortId.subVendorID, 0u);

    // A vendor piece that runs past the end is not read at all.
    EXPECT_EQ(parsePnpDeviceId("PCI\\VEN_10").vendorID, 0u);

    // "SUBSYS_" at the very end: both subsystem pieces lie beyond the text.
    const PciIds noSubsysDigits = parsePnpDeviceId("PCI\\VEN_1002&DEV_9440&SUBSYS_");
    EXPECT_EQ(noSubsysDigits.vendorID, 0x1002u);
    EXPECT_EQ(noSubsysDigits.productID, 0x9440u);
    EXPECT_EQ(noSubsysDigits.subProductID, 0u);
    EXPECT_EQ(noSubsysDigits.subVendorID, 0u);

    // Only the product half of the subsystem is there.
    const PciIds halfSubsys = parsePnpDeviceId("PCI\\VEN_1002&DEV_9440&SUBSYS_0502");
    EXPECT_EQ(halfSubsys.subProductID, 0x502u);
    EXPECT_EQ(halfSubsys.subVendorID, 0u);
}

TEST(PnpDeviceId, GivesZeroForPiecesThatAreNotHexadecimal)
{
    const PciIds ids = parsePnpDeviceId("ROOT\\BASICDISPLAY\\0000");
    EXPECT_EQ(ids.vendorID, 0u);   // "ICDI"
    EXPECT_EQ(ids.productID, 0u);  // "\000" begins with a backslash
    EXPECT_EQ(ids.subProductID, 0u);
    EXPECT_EQ(ids.subVendorID, 0u);

    // Blanks and signs would be skipped by a plain hexadecimal scan; they must not count.
    const PciIds odd = parsePnpDeviceId("PCI\\VEN_ 10D&DEV_-001&SUBSYS_XY12+34A");
    EXPECT_EQ(odd.vendorID, 0u);
    EXPECT_EQ(odd.productID, 0u);
    EXPECT_EQ(odd.subProductID, 0u);
    EXPECT_EQ(odd.subVendorID, 0u);

    // Digits stop at the first character that is not one.
    const PciIds partial = parsePnpDeviceId("PCI\\VEN_1AZZ&DEV_B&&&&SUBSYS_12G41Q00");
    EXPECT_EQ(partial.vendorID, 0x1au);
    EXPECT_EQ(partial.productID, 0xbu);
    EXPECT_EQ(partial.subProductID, 0x12u);
    EXPECT_EQ(partial.subVendorID, 0x1u);
}

TEST(SysInfoUnits, ConvertsSpeedsAndCacheSizes)
{
    EXPECT_EQ(megahertzToHertz(2400), 2400000000ull);
    EXPECT_EQ(megahertzToHertz(5000), 5000000000ull);  // beyond 32 bits
    EXPECT_EQ(megahertzToHertz(0xFFFFFFFFu), 4294967295000000ull);
    EXPECT_EQ(megahertzToHertz(0), 0ull);
    EXPECT_EQ(kilobytesToBytes(512), 524288u);
    EXPECT_EQ(kilobytesToBytes(8192), 8388608u);
    EXPECT_EQ(kilobytesToBytes(0), 0u);
}

TEST(SysInfoUnits, ParsesTheMemorySizeText)
{
    EXPECT_EQ(parseMemorySize("8589934592"), 8589934592ull);
    EXPECT_EQ(parseMemorySize("18446744073709551615"), 18446744073709551615ull);
    EXPECT_EQ(parseMemorySize(" 4294967296 "), 4294967296ull);
    EXPECT_EQ(parseMemorySize("0"), 0ull);
    EXPECT_EQ(parseMemorySize("18446744073709551616"), 0ull);  // one beyond 64 bits
    EXPECT_EQ(parseMemorySize(""), 0ull);
    EXPECT_EQ(parseMemorySize("   "), 0ull);
    EXPECT_EQ(parseMemorySize("-1"), 0ull);
    EXPECT_EQ(parseMemorySize("12 GB"), 0ull);
    EXPECT_EQ(parseMemorySize("0x1000"), 0ull);
}

TEST(SysInfoUnits, KeepsOnlyTheLow32BitsOfAdapterRam)
{
    // The service delivers 0xFFF00000 as a negative signed number.
    EXPECT_EQ(videoMemoryFromAdapterRam(static_cast<uint32_t>(-1048576)), 4293918720ull);
    EXPECT_EQ(videoMemoryFromAdapterRam(268435456u), 268435456ull);
}

TEST(FileVersionText, JoinsTheFourNumbers)
{
    FileVersionNumbers v;
    EXPECT_EQ(versionText(v), "0.0.0.0");
    v.major = 6;
    v.minor = 0;
    v.build = 6002;
    v.revision = 18005;
    EXPECT_EQ(versionText(v), "6.0.6002.18005");
    v.major = 65535;
    v.minor = 65535;
    v.build = 65535;
    v.revision = 65535;
    EXPECT_EQ(versionText(v), "65535.65535.65535.65535");
}
