// Driver versions as their vendors number releases, and the one rule that names the driver a
// cohort is compared with, against tables worked out by hand.
#include <gtest/gtest.h>

#include "server/model/DriverVersion.h"

using namespace model;

TEST(ModelDriverVersion, EachVendorsReleaseIsReadFromTheFileVersion)
{
    struct Case {
        const char* driverText;
        DriverVendor vendor;
        const char* release;
        int64_t driverModel;
    };
    const Case cases[] = {
        {"nvd3dum.dll 31.0.15.3161", DriverVendor::Nvidia, "531.61", 31},
        {"nvldumdx.dll,nvldumdx.dll,nvldumdx.dll,nvldumdx.dll 30.0.15.1179", DriverVendor::Nvidia, "511.79", 30},
        {"C:\\Windows\\System32\\DriverStore\\FileRepository\\nv_dispi.inf_amd64_7\\nvldumdx.dll 31.0.15.1179",
         DriverVendor::Nvidia, "511.79", 31},
        {"nvd3dum.dll 30.0.15.1001", DriverVendor::Nvidia, "510.01", 30},  // 151001: its last five
        {"nvd3dum.dll 9.18.13.4052", DriverVendor::Nvidia, "340.52", 9},
        {"nvd3dum.dll 30.0.14023.3004", DriverVendor::Nvidia, "330.04", 30},
        {"igdumdim64.dll 30.0.101.2031", DriverVendor::Intel, "101.2031", 30},
        {"igdumdim64.dll 27.20.100.9466", DriverVendor::Intel, "100.9466", 27},
        {"igdumd64.dll 20.19.15.4531", DriverVendor::Intel, "4531", 20},
        {"aticfx64.dll 31.0.21925.1001", DriverVendor::Amd, "21925.1001", 31},
        {"AMDXC64.DLL 32.0.31007.5012", DriverVendor::Amd, "31007.5012", 32},
        {"aticfx64.dll 15.200.1062.1004", DriverVendor::Amd, "15.200.1062.1004", -1},
        // Microsoft's basic display driver names no libraries; a vendor's name with a version
        // that is no file version is not read as that vendor's.
        {" 10.0.19041.3636", DriverVendor::Other, "10.0.19041.3636", -1},
        {"nvd3dum.dll 531.61", DriverVendor::Other, "531.61", -1},
        {"nvd3dum.dll 30.0.15.70000", DriverVendor::Other, "30.0.15.70000", -1},
        {"", DriverVendor::Other, "", -1},
    };
    for (const Case& c : cases) {
        const DriverVersion v = driverVersionOf(c.driverText);
        EXPECT_EQ(v.vendor, c.vendor) << c.driverText;
        EXPECT_EQ(v.release, c.release) << c.driverText;
        EXPECT_EQ(v.driverModel, c.driverModel) << c.driverText;
    }
}

TEST(ModelDriverVersion, OneReleaseUnderTwoDriverModelsIsOneVersionAndVendorsNeverMix)
{
    auto key = [](const char* text) { return driverVersionOf(text).key; };
    // Equal: the same release for two driver models, and the libraries listed otherwise.
    EXPECT_EQ(key("nvd3dum.dll 30.0.15.1179"), key("nvldumdx.dll 31.0.15.1179"));
    EXPECT_EQ(key("igdumdim64.dll 27.20.100.9466"), key("igdumdim64.dll 30.0.100.9466"));
    EXPECT_EQ(key("igdumd64.dll 10.18.15.4531"), key("igdumd64.dll 20.19.15.4531"));
    EXPECT_EQ(key("aticfx64.dll 30.0.21925.1001"), key("aticfx64.dll 31.0.21925.1001"));
    // Ordered, older first, where raw numbers would put them otherwise.
    const char* const ascending[][2] = {
        {"nvd3dum.dll 31.0.15.1179", "nvd3dum.dll 30.0.15.3161"},        // 511.79 < 531.61
        {"nvd3dum.dll 9.18.13.4052", "nvd3dum.dll 8.17.13.5891"},        // 340.52 < 358.91
        {"nvd3dum.dll 30.0.14.7212", "nvd3dum.dll 27.21.15.1001"},       // 472.12 < 510.01
        {"igdumd64.dll 21.20.16.4590", "igdumd64.dll 25.20.100.6471"},   // 4590 < 1006471
        {"igdumd64.dll 30.0.100.9466", "igdumd64.dll 27.20.101.2031"},
        {"aticfx64.dll 15.200.1062.1004", "aticfx64.dll 22.19.162.4"},   // older numbering first
        {"aticfx64.dll 32.0.21925.1001", "aticfx64.dll 31.0.31007.5012"},
        {" 10.0.19041.3636", " 10.0.22621.2506"},
    };
    for (const auto& [older, newer] : ascending)
        EXPECT_LT(key(older), key(newer)) << older << " before " << newer;
    // Vendors sort apart, the other drivers after every vendor's.
    EXPECT_NE(key("nvd3dum.dll 10.0.19041.3636"), key(" 10.0.19041.3636"));
    EXPECT_LT(key("igdumd64.dll 99.0.999.9999"), key(" 0.0.0.1"));
    EXPECT_LT(versionOrderKey({"30.0.9.1"}), versionOrderKey({"30.0.14023.3004"}));
    EXPECT_EQ(versionOrderKey({"1.0", "2"}), "0000000001.0000000000|0000000002");
}

TEST(ModelDriverVersion, ThePredecessorIsTheNewestOlderReleaseOfTheSameVendor)
{
    auto cohort = [](const char* text, int32_t id, int64_t counted) {
        return DriverCohort{driverVersionOf(text), id, counted};
    };
    const std::vector<DriverCohort> drivers = {
        cohort("nvd3dum.dll 30.0.15.1179", 10, 5),  // 0: 511.79 for driver model 30
        cohort("nvd3dum.dll 31.0.15.1179", 11, 9),  // 1: the same release for 31, more results
        cohort("nvd3dum.dll 31.0.15.3161", 12, 3),  // 2: 531.61
        cohort("nvd3dum.dll 30.0.14.7212", 13, 4),  // 3: 472.12
        cohort(" 10.0.19041.3636", 14, 8),          // 4: Microsoft's basic display driver
        cohort("nvd3dum.dll 30.0.15.3161", 15, 1),  // 5: 531.61 for 30
        cohort(" 10.0.22621.2506", 16, 2),          // 6: a newer basic display driver
        cohort("nvd3dum.dll 30.0.14.7212", 17, 7),  // 7: 472.12 again, other libraries, more results
        cohort("nvd3dum.dll 31.0.14.7212", 9, 7),   // 8: 472.12 for 31, as many results, lower ID
    };
    const std::optional<std::size_t> expected[] = {
        7,             // 511.79 (30): among the three 472.12, its model's with the most results
        8,             // 511.79 (31): its model's, never the same release for 30
        1,             // 531.61 (31): 511.79 for 31 (which has more results anyway)
        std::nullopt,  // the oldest NVIDIA release
        std::nullopt,  // nothing older of its own kind, and never an NVIDIA release
        0,             // 531.61 (30): 511.79 for 30 although 31's has more results
        4,             // the basic display drivers among themselves
        std::nullopt,
        std::nullopt,
    };
    for (std::size_t i = 0; i < drivers.size(); ++i)
        EXPECT_EQ(predecessorOf(drivers, i), expected[i]) << "driver " << i;
    EXPECT_EQ(predecessorOf(drivers, drivers.size()), std::nullopt);

    // Without a cohort of its own model, the one with most results, then the lowest ID.
    const std::vector<DriverCohort> others = {
        cohort("nvd3dum.dll 30.0.14.7212", 21, 3),
        cohort("nvd3dum.dll 27.21.14.7212", 20, 3),
        cohort("nvd3dum.dll 31.0.15.1179", 22, 1),
    };
    EXPECT_EQ(predecessorOf(others, 2), 1u);
}
